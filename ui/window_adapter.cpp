// The window mapped to the batch handlers, their runs and the settings.
#include "ui/window_adapter.h"

#include <algorithm>
#include <limits>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QString>
#include <QVariant>
#include <QWidget>

#include "batch/batch_run.h"
#include "batch/choices.h"
#include "ui/batch_button.h"
#include "ui/control_names.h"
#include "ui/control_table.h"
#include "ui/run_consent.h"
#include "ui/shell_actions.h"

namespace ui {

namespace {

// The free text each control carries (a remembered folder); raw bytes, so any path survives.
constexpr const char* tagProperty = "qfxTag";

QByteArray bytes(const AnsiText& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString qtText(const AnsiText& text) {
    if (auto utf8 = platform::utf8FromAnsi(text)) {
        return QString::fromUtf8(bytes(*utf8));
    }
    // Not GB18030: shown as UTF-8 would show it, bad bytes as U+FFFD.
    return QString::fromUtf8(bytes(text));
}

AnsiText ansiText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return platform::ansiFromUtf8(std::string_view(utf8.constData(), utf8.size())).value_or("");
}

ShellDialogs desktopDialogs() {
    ShellDialogs dialogs;
    dialogs.chooseFiles = [](const AnsiText& title, const AnsiText& filter,
                             const AnsiText& initialFolder) {
        return ui::chooseFiles(title, filter, initialFolder);
    };
    dialogs.pickFolder = [](const AnsiText& initialFolder, const AnsiText& title) {
        return ui::pickFolder(initialFolder, title);
    };
    dialogs.showMessage = [](const AnsiText& text, const platform::MessageStyle& style,
                             const AnsiText& title, const AnsiText& details) {
        return ui::showMessage(text, style, title, details);
    };
    dialogs.openFolder = [](const AnsiText& folder) {
        // A new file-manager window on the folder itself.
        return ui::openInExplorer(folder, true, true, false, false);
    };
    dialogs.openWebPage = [](const AnsiText& target) { ui::openWebPage(target); };
    dialogs.confirmConversion = [](const AnsiText& question) {
        return ui::confirmConversion(question);
    };
    return dialogs;
}

WindowAdapter::WindowAdapter(QWidget* hostWindow,
                             std::map<std::string_view, QWidget*> windowControls,
                             std::function<bool()> isClosing, ShellDialogs shellDialogs)
    : window(hostWindow), controls(std::move(windowControls)), closing(std::move(isClosing)),
      dialogs(std::move(shellDialogs)) {}

QWidget* WindowAdapter::control(std::string_view name) const {
    auto found = controls.find(name);
    return found != controls.end() ? found->second : nullptr;
}

batch::ButtonWindow WindowAdapter::buttonWindow() {
    return {*this, *this, *this, [this] { return pumpEvents(); }};
}

namespace {

bool isChecked(const QWidget* widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return button && button->isChecked();
}

// Sets a radio alone, as the classic control allows: selecting one clears the rest of its
// panel; clearing the selected one leaves the panel with none selected.
void setChecked(QWidget* widget, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (!button || button->isChecked() == checked) {
        return;
    }
    if (checked) {
        button->setChecked(true);
        return;
    }
    // The toolkit refuses to clear the checked radio of an exclusive group.
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

} // namespace

batch::RunOptions WindowAdapter::runOptions() {
    using batch::ChoiceGroup;
    auto selectedIn = [this](ChoiceGroup group) {
        return batch::selectedValue(group, [this](const batch::Choice& choice) {
            return isChecked(control(radioNameOf(choice)));
        });
    };
    batch::RunOptions options;
    options.input = static_cast<engine::TextEncoding>(selectedIn(ChoiceGroup::Input));
    options.output = static_cast<engine::TextEncoding>(selectedIn(ChoiceGroup::Output));
    // Read as each file starts, so that a change during a run applies from the next file.
    options.script = batch::scriptReadPerFile(
        [selectedIn] { return static_cast<engine::ScriptMode>(selectedIn(ChoiceGroup::Script)); });
    options.detection = isChecked(control(control::smartDetectionBox))
                            ? engine::DetectionRule::Smart
                            : engine::DetectionRule::Classic;
    options.subFolders = isChecked(control(control::subFoldersBox)) ? batch::SubFolders::Include
                                                                    : batch::SubFolders::Skip;
    batch::applyOutputChoices(output, options);
    return options;
}

AnsiText WindowAdapter::filterText() {
    return filterBoxText();
}

AnsiText WindowAdapter::filterBoxText() const {
    auto* edit = qobject_cast<QLineEdit*>(control(control::filterEdit));
    return edit ? ansiText(edit->text()) : AnsiText();
}

AnsiText WindowAdapter::rememberedFolder(batch::BatchButton button) {
    return folderOf(button);
}

AnsiText WindowAdapter::folderOf(batch::BatchButton button) const {
    QWidget* tagged = control(buttonNameOf(button));
    if (!tagged) {
        return {};
    }
    const QByteArray value = tagged->property(tagProperty).toByteArray();
    return AnsiText(value.constData(), static_cast<std::size_t>(value.size()));
}

void WindowAdapter::rememberFolder(batch::BatchButton button, const AnsiText& folder) {
    if (QWidget* tagged = control(buttonNameOf(button))) {
        tagged->setProperty(tagProperty, bytes(folder));
    }
}

void WindowAdapter::showState(batch::BatchButton button, batch::ButtonState state) {
    setCaption(buttonNameOf(button), platform::ansi(captionOf(button, state)));
}

void WindowAdapter::setEnabled(batch::BatchButton button, bool enabled) {
    if (QWidget* target = control(buttonNameOf(button))) {
        target->setEnabled(enabled);
    }
}

void WindowAdapter::setCaption(std::string_view name, const AnsiText& caption) {
    QWidget* shown = control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(shown)) {
        button->setText(qtText(caption));
    } else if (auto* label = qobject_cast<QLabel*>(shown)) {
        label->setText(qtText(caption));
        // Painted now: a file's caption is set just before the run waits for it, and a
        // scheduled repaint could show only after that.
        label->repaint();
    }
}

std::vector<AnsiText> WindowAdapter::chooseFiles(const AnsiText& title, const AnsiText& filter,
                                                 const AnsiText& initialFolder) {
    if (closing() || !dialogs.chooseFiles) {
        return {};
    }
    return dialogs.chooseFiles(title, filter, initialFolder);
}

AnsiText WindowAdapter::pickFolder(const AnsiText& initialFolder, const AnsiText& title) {
    if (closing() || !dialogs.pickFolder) {
        return {};
    }
    return dialogs.pickFolder(initialFolder, title);
}

bool WindowAdapter::confirmReplacing(const AnsiText& question) {
    if (closing() || !dialogs.showMessage) {
        return false;
    }
    // A warning whose default is 否: Enter alone replaces nothing.
    constexpr platform::MessageStyle replaceStyle{.buttons = platform::MessageButtons::YesNo,
                                                  .icon = platform::MessageIcon::Warning,
                                                  .defaultButton = 1};
    const bool yes = showMessage(question, replaceStyle, {}) == platform::MessageAnswer::Yes;
    // A window closed while the question was open starts nothing.
    return yes && !closing();
}

void WindowAdapter::runStarted(int count) {
    runCount = count;
    barMaximum = count;
    showProgress();
}

void WindowAdapter::fileStarted(int index, const AnsiText& path) {
    barPosition = index;
    barPermille = 0;
    showProgress();
    setCaption(control::progressCaption, batch::progressCaption(runCount, index, path));
}

void WindowAdapter::fileProgress(int index, int permille) {
    if (index != barPosition) {
        return;
    }
    barPermille = std::clamp(permille, 0, 1000);
    showProgress();
}

// The bar counts in thousandths of a file, so that it moves within a long one: at position i
// it shows i - 1 files and the fraction of the i-th.
void WindowAdapter::showProgress() {
    auto* bar = qobject_cast<QProgressBar*>(control(control::progressBar));
    if (!bar) {
        return;
    }
    constexpr int step = 1000;
    const int maximum = std::clamp(barMaximum, 0, std::numeric_limits<int>::max() / step);
    const int position = std::clamp(barPosition, 0, maximum);
    bar->setRange(0, maximum * step);
    bar->setValue(position == 0 ? 0 : (position - 1) * step + barPermille);
    // Painted now, with the caption over it, even when the run's next events come late.
    bar->repaint();
}

void WindowAdapter::runFinished(const batch::BatchSummary& summary) {
    if (!summary.stopped) {
        // The bar shows the finished run in full while the report is read.
        barPosition = summary.count;
        barPermille = 1000;
        showProgress();
    }
    // Only a folder that exists is offered.
    const bool ask = !summary.resultFolders.empty();
    const platform::MessageAnswer answer = showMessage(
        batch::completionReport(summary, ask), ask ? platform::yesNoMessage : platform::okMessage,
        {}, batch::failureDetails(summary.failures));
    const AnsiText folder = summary.firstResultFolder();
    // A window going away has nobody left to tell.
    if (ask && answer == platform::MessageAnswer::Yes && !closing() && dialogs.openFolder &&
        !dialogs.openFolder(folder)) {
        (void)showMessage(platform::ansi("无法打开文件夹 ") + folder +
                              platform::ansi("：没有可以打开它的文件管理器"),
                          platform::okMessage, {});
    }
    setCaption(control::progressCaption, AnsiText());
    barPosition = 0;
    barPermille = 0;
    showProgress();
}

bool WindowAdapter::pumpEvents() {
    if (closing()) {
        return false;
    }
    QCoreApplication::processEvents();
    return !closing();
}

settings::WindowChoices WindowAdapter::windowChoices() const {
    settings::WindowChoices choices;
    for (std::size_t row = 0; row < std::size(batch::choiceTable); ++row) {
        choices.radios[row] = isChecked(control(radioNameOf(batch::choiceTable[row])));
    }
    for (std::size_t i = 0; i < std::size(batch::optionTable); ++i) {
        choices.switches[i] = isChecked(control(checkBoxNameOf(batch::optionTable[i].runSwitch)));
    }
    choices.filesFolder = folderOf(batch::BatchButton::Files);
    choices.folderFolder = folderOf(batch::BatchButton::Folder);
    choices.filter = filterBoxText();
    choices.output = output;
    return choices;
}

void WindowAdapter::applyWindowChoices(const settings::WindowChoices& choices) {
    // Cleared radios first, so that a selected one is never cleared after it was set.
    for (const bool pass : {false, true}) {
        for (std::size_t row = 0; row < std::size(batch::choiceTable); ++row) {
            if (choices.radios[row] == pass) {
                setChecked(control(radioNameOf(batch::choiceTable[row])), pass);
            }
        }
    }
    for (std::size_t i = 0; i < std::size(batch::optionTable); ++i) {
        if (auto* box = qobject_cast<QAbstractButton*>(
                control(checkBoxNameOf(batch::optionTable[i].runSwitch)))) {
            box->setChecked(choices.switches[i]);
        }
    }
    rememberFolder(batch::BatchButton::Files, choices.filesFolder);
    rememberFolder(batch::BatchButton::Folder, choices.folderFolder);
    if (auto* edit = qobject_cast<QLineEdit*>(control(control::filterEdit))) {
        edit->setText(qtText(choices.filter));
    }
    setOutputChoices(choices.output);
}

void WindowAdapter::setOutputChoices(const batch::OutputChoices& choices) {
    output = choices;
    showOutputPlace();
}

void WindowAdapter::showOutputPlace() {
    auto* button = qobject_cast<BatchButton*>(control(control::outputOptionsButton));
    const ControlSpec* row = findControlSpec(control::outputOptionsButton);
    if (!button || !row)
        return;
    switch (output.place) {
    case batch::OutputPlace::BesideSources:
        button->setText(QString::fromUtf8(row->caption.data(), qsizetype(row->caption.size())));
        break;
    case batch::OutputPlace::ChosenFolder:
        button->setText(QStringLiteral("输出：指定文件夹"));
        break;
    case batch::OutputPlace::ReplaceSources:
        button->setText(QStringLiteral("输出：替换原文件"));
        break;
    }
    button->setWarning(output.place == batch::OutputPlace::ReplaceSources);
    button->setToolTip(qtText(resultsPlaceText(output.place, output.folder)));
}

settings::StoreEvents WindowAdapter::storeEvents() {
    return {[this] { (void)pumpEvents(); },
            [this](const AnsiText& text, const platform::MessageStyle& style,
                   const AnsiText& title) { (void)showMessage(text, style, title); }};
}

platform::MessageAnswer WindowAdapter::showMessage(const AnsiText& text,
                                                   const platform::MessageStyle& style,
                                                   const AnsiText& title, const AnsiText& details) {
    // Also after the close request: the settings store's alarm may come while the settings are
    // saved on close. A run shows nothing once its pump has told it the window is going away.
    if (!dialogs.showMessage) {
        return platform::MessageAnswer::Ok;
    }
    return dialogs.showMessage(text, style, title, details);
}

void WindowAdapter::openWebPage(const AnsiText& target) {
    if (dialogs.openWebPage) {
        dialogs.openWebPage(target);
    }
}

bool WindowAdapter::confirmConversion(const AnsiText& question) {
    return dialogs.confirmConversion && dialogs.confirmConversion(question);
}

} // namespace ui
