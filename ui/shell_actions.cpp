#include "ui/shell_actions.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

#include "platform/process_launch.h"
#include "ui/explorer_command.h"
#include "ui/folder_picker_options.h"
#include "ui/message_box_style.h"
#include "ui/open_file_filter.h"
#include "ui/report_details.h"
#include "ui/show_mode.h"
#include "ui/web_browser.h"

namespace ui {
namespace {

std::optional<AnsiText> storedPickerFolder;

QString qtText(const AnsiText& text) {
    std::optional<std::string> utf8 = platform::utf8FromAnsi(text);
    // Bytes that are not GB18030 still show, as replacement characters.
    return QString::fromUtf8(utf8 ? *utf8 : text);
}

// A path for the toolkit; empty when it cannot be represented on the file system.
QString qtPath(const AnsiText& path) {
    std::optional<std::string> native = platform::nativePath(path);
    if (!native)
        return {};
    return QDir::fromNativeSeparators(QFile::decodeName(QByteArray::fromStdString(*native)));
}

std::optional<AnsiText> ansiFromQtPath(const QString& path) {
    return platform::ansiPath(QFile::encodeName(QDir::toNativeSeparators(path)).toStdString());
}

struct ButtonLook {
    platform::MessageAnswer button;
    QMessageBox::StandardButton standard; // NoButton: a button of our own
    const char* caption;
};

// The captions the system shows in the Chinese locale.
constexpr ButtonLook buttonLooks[] = {
    {platform::MessageAnswer::Ok, QMessageBox::Ok, "确定"},
    {platform::MessageAnswer::Cancel, QMessageBox::Cancel, "取消"},
    {platform::MessageAnswer::Abort, QMessageBox::Abort, "中止(&A)"},
    {platform::MessageAnswer::Retry, QMessageBox::Retry, "重试(&R)"},
    {platform::MessageAnswer::Ignore, QMessageBox::Ignore, "忽略(&I)"},
    {platform::MessageAnswer::Yes, QMessageBox::Yes, "是(&Y)"},
    {platform::MessageAnswer::No, QMessageBox::No, "否(&N)"},
    {platform::MessageAnswer::TryAgain, QMessageBox::NoButton, "重试(&T)"},
    {platform::MessageAnswer::Continue, QMessageBox::NoButton, "继续(&C)"},
};

QAbstractButton* addBoxButton(QMessageBox& box, platform::MessageAnswer button) {
    for (const ButtonLook& look : buttonLooks) {
        if (look.button != button)
            continue;
        if (look.standard == QMessageBox::NoButton)
            return box.addButton(QString::fromUtf8(look.caption), QMessageBox::AcceptRole);
        QPushButton* added = box.addButton(look.standard);
        added->setText(QString::fromUtf8(look.caption));
        return added;
    }
    return nullptr;
}

QMessageBox::Icon qtIcon(platform::MessageIcon icon) {
    using platform::MessageIcon;
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Asks the desktop's file manager to show the item selected in its folder. False when no file
// manager answers on the session bus.
bool showItemInFileManager(const QString& absolutePath) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(absolutePath).toString()} << QString();
    constexpr int replyTimeoutMs = 5000;
    QDBusMessage reply = bus.call(call, QDBus::Block, replyTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool openLocalPath(const QString& absolutePath) {
    // For a folder xdg-open would only find out after we return that nothing opens it, and the
    // user would see nothing happen; so ask the desktop first.
    if (QFileInfo(absolutePath).isDir() &&
        defaultHandler(QStringLiteral("inode/directory")).isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(absolutePath));
}

// A scheme needs two letters at least, so that a drive such as D: stays a path.
bool hasUrlScheme(const QString& target) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

} // namespace

platform::MessageAnswer showMessage(const AnsiText& text, const platform::MessageStyle& style,
                                    const AnsiText& title, const AnsiText& details) {
    MessageBoxLayout layout = messageBoxLayout(shownMessageStyle(style));
    QMessageBox box;
    box.setWindowTitle(qtText(title.empty() ? platform::ansi("砚舟：") : title));
    // A path or file name in the text must never be taken for markup.
    box.setTextFormat(Qt::PlainText);
    QString shown = qtText(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    box.setText(shown);
    // The details are always plain text: a name there is never taken for markup.
    if (!details.empty()) {
        box.setDetailedText(qtText(details));
        addDetailButtons(box, qtText(details));
    }
    box.setIcon(qtIcon(layout.icon));
    std::vector<std::pair<QAbstractButton*, platform::MessageAnswer>> buttons;
    for (platform::MessageAnswer button : layout.buttons)
        buttons.emplace_back(addBoxButton(box, button), button);
    if (auto* defaultButton = qobject_cast<QPushButton*>(buttons[layout.defaultButton].first))
        box.setDefaultButton(defaultButton);
    if (layout.escapable) {
        for (auto& [widget, button] : buttons) {
            if (button == layout.escapeAnswer)
                box.setEscapeButton(widget);
        }
    }
    // Nothing here can block the whole desktop: the system-modal request becomes modal to the
    // program.
    box.setWindowModality(Qt::ApplicationModal);
    if (layout.topmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();

    QAbstractButton* clicked = box.clickedButton();
    for (auto& [widget, button] : buttons) {
        if (widget == clicked)
            return button;
    }
    if (layout.escapable)
        return layout.escapeAnswer;
    return platform::MessageAnswer::Ok;
}

bool confirmConversion(const AnsiText& question) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("青枫匣"));
    box.setTextFormat(Qt::PlainText);
    box.setText(qtText(question));
    box.setIcon(QMessageBox::Question);
    QPushButton* convert = box.addButton(QStringLiteral("转换"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(convert);
    box.setEscapeButton(cancel);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return box.clickedButton() == convert;
}

bool openInExplorer(const AnsiText& path, bool newWindow, bool runExecutables, bool asRoot,
                    bool wait, std::optional<int> showMode) {
    ExplorerRequest request = explorerRequest(path, newWindow, runExecutables, asRoot);
    if (request.runDirectly) {
        // The whole path names the program: it is not split at blanks nor read for quotes.
        std::optional<std::string> program = platform::nativePath(request.target);
        if (!program || program->empty())
            return false;
        return platform::startProcess({*program}, wait, static_cast<int>(windowShowState(showMode)))
            .started;
    }
    // A top-level item's parent is the file-system root, which the shortened path leaves empty.
    if (asRoot && request.target.empty() && !path.empty() && path[0] == platform::pathSeparator)
        request.target = std::string(1, platform::pathSeparator);
    QString target = qtPath(request.target);
    if (target.isEmpty())
        return false;
    QFileInfo info(target);
    if (request.select && showItemInFileManager(info.absoluteFilePath()))
        return true;
    return openLocalPath(request.select ? info.absolutePath() : info.absoluteFilePath());
}

bool runCommandLine(const AnsiText& commandLine, bool wait, std::optional<int> showMode) {
    std::vector<std::string> arguments;
    for (const std::string& argument : platform::splitCommandLine(commandLine)) {
        std::optional<std::string> native = platform::nativePath(argument);
        if (!native)
            return false;
        arguments.push_back(std::move(*native));
    }
    return platform::startProcess(arguments, wait, static_cast<int>(windowShowState(showMode)))
        .started;
}

AnsiText pickFolder(const AnsiText& initialFolder, std::optional<AnsiText> title,
                    std::optional<bool> includeFiles, std::optional<bool> editBox,
                    std::optional<bool> newStyle) {
    FolderPickerOptions options =
        folderPickerOptions(folderPickerFlags(includeFiles, editBox, newStyle));
    storedPickerFolder = initialFolder;

    QFileDialog dialog(nullptr, qtText(folderPickerTitle(title)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, !options.showFiles);
    dialog.setOption(QFileDialog::ReadOnly, !options.canCreateFolders);
    QString preselected = qtPath(*storedPickerFolder);
    if (!preselected.isEmpty())
        dialog.setDirectory(preselected);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return {};
    return ansiFromQtPath(chosen.front()).value_or(AnsiText());
}

const AnsiText& pickerInitialFolder() {
    static const AnsiText none;
    return storedPickerFolder ? *storedPickerFolder : none;
}

void releasePickerInitialFolder() {
    storedPickerFolder.reset();
}

std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                  const AnsiText& initialFolder) {
    QFileDialog dialog(nullptr, qtText(title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The descriptions already name their patterns, as the program writes them.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const std::string& nameFilter : qtNameFilters(platform::utf8FromAnsi(filter).value_or("")))
        nameFilters << QString::fromStdString(nameFilter);
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters.front());
    }
    QString folder = qtPath(initialFolder);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    std::vector<AnsiText> files;
    if (dialog.exec() != QDialog::Accepted)
        return files;
    for (const QString& chosen : dialog.selectedFiles()) {
        if (std::optional<AnsiText> path = ansiFromQtPath(chosen))
            files.push_back(std::move(*path));
    }
    return files;
}

void openWebPage(const AnsiText& target) {
    QString shown = qtText(target).trimmed();
    if (shown.isEmpty())
        return;
    QUrl url;
    if (hasUrlScheme(shown))
        url = QUrl(shown);
    else if (shown.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
        url = QUrl(QStringLiteral("http://") + shown);
    else if (QString path = qtPath(target); !path.isEmpty())
        url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (!url.isValid())
        return;
    // A page on disk goes to a browser: the desktop's opener of web pages may be this program.
    if (url.isLocalFile()) {
        (void)startWebBrowser(QFile::encodeName(url.toLocalFile()).toStdString());
        return;
    }
    if (!QDesktopServices::openUrl(url))
        (void)startWebBrowser(url.toEncoded().toStdString());
}

bool startWebBrowser(const std::string& target, const std::string& self) {
    const std::string own =
        self.empty() ? QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString()
                     : self;
    const QString shown = QString::fromUtf8(target);
    const bool fileAddress = shown.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive);
    const bool page = fileAddress || !hasUrlScheme(shown);
    const std::string pagePath =
        fileAddress ? QFile::encodeName(QUrl(shown).toLocalFile()).toStdString() : target;
    std::vector<std::vector<std::string>> commands;
    for (const QByteArray& named : qgetenv("BROWSER").split(':')) {
        if (!named.isEmpty())
            commands.push_back({named.toStdString(), target});
    }
    if (!page)
        commands.push_back({"xdg-open", target});
    else if (std::vector<std::string> desktops = desktopWebBrowserCommand(pagePath);
             !desktops.empty())
        commands.push_back(std::move(desktops));
    for (const char* fallback : {"sensible-browser", "x-www-browser"})
        commands.push_back({fallback, target});
    for (const std::vector<std::string>& command : commands) {
        if (isSameProgram(command.front(), own))
            continue;
        if (platform::startProcess(command, false).started)
            return true;
    }
    return false;
}

} // namespace ui
