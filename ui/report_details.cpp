#include "ui/report_details.h"

#include <optional>
#include <string>

#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ansi_text.h"
#include "platform/file_access.h"
#include "platform/file_problem.h"

namespace ui {

namespace {

QString ui8(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A button of the box that does its work and leaves the box open: the box closes on every
// button it knows of, so its own handling of this one is taken away.
QPushButton* addStayingButton(QMessageBox& box, const QString& caption) {
    QPushButton* button = box.addButton(caption, QMessageBox::ActionRole);
    QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
    return button;
}

// Writes the details to a file the user names; a failure is told.
void saveDetails(QMessageBox& box, const QString& details) {
    const QString chosen = QFileDialog::getSaveFileName(&box, ui8("保存详细信息"),
                                                        QDir::home().filePath(ui8("转换详情.txt")),
                                                        ui8("文本文件 (*.txt);;全部文件 (*)"));
    if (chosen.isEmpty())
        return;
    const QByteArray text = details.toUtf8() + '\n';
    const std::optional<platform::AnsiText> path =
        platform::ansiPath(QFile::encodeName(QDir::toNativeSeparators(chosen)).toStdString());
    const platform::FileStatus written =
        path ? platform::writeFileReplacing(*path, std::string_view(text.constData(), text.size()))
             : platform::FileStatus{platform::problems::OutputPathInvalid};
    if (written.ok())
        return;
    const std::optional<std::string> reason =
        platform::utf8FromAnsi(platform::describeProblem(written));
    QMessageBox failed(QMessageBox::Warning, ui8("保存详细信息"),
                       ui8("无法保存 ") + chosen + ui8("：") +
                           QString::fromUtf8(reason.value_or("").c_str()),
                       QMessageBox::Ok, &box);
    failed.setTextFormat(Qt::PlainText);
    failed.button(QMessageBox::Ok)->setText(ui8("确定"));
    failed.exec();
}

} // namespace

void addDetailButtons(QMessageBox& box, const QString& details) {
    QPushButton* copy = addStayingButton(box, ui8("复制"));
    copy->setObjectName(QStringLiteral("复制详情"));
    QObject::connect(copy, &QAbstractButton::clicked, &box,
                     [details] { QGuiApplication::clipboard()->setText(details); });
    QPushButton* save = addStayingButton(box, ui8("保存…"));
    save->setObjectName(QStringLiteral("保存详情"));
    QObject::connect(save, &QAbstractButton::clicked, &box,
                     [&box, details] { saveDetails(box, details); });
}

} // namespace ui
