// The output options dialog, built in code like the window.
#include "ui/output_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "batch/batch_run.h"
#include "platform/file_problem.h"
#include "ui/window_adapter.h"

namespace ui {

namespace {

// A group box of radios in one exclusive button group, which gives them the arrow keys.
QGroupBox* radioGroup(const QString& title, std::initializer_list<QRadioButton*> radios,
                      QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (QRadioButton* radio : radios) {
        group->addButton(radio);
        layout->addWidget(radio);
    }
    return box;
}

} // namespace

OutputOptionsDialog::OutputOptionsDialog(const batch::OutputChoices& current,
                                         FolderAsker folderAsker, QWidget* parent)
    : QDialog(parent), askFolder(std::move(folderAsker)) {
    setObjectName(QStringLiteral("输出选项"));
    setWindowTitle(QStringLiteral("输出选项"));

    markBox =
        new QCheckBox(QStringLiteral("写入 BOM（UTF-8、UTF-16 文件开头的字节顺序标记）"), this);
    markBox->setObjectName(QStringLiteral("复选框写入BOM"));

    keepEnds = new QRadioButton(QStringLiteral("保持原样"));
    crlfEnds = new QRadioButton(QStringLiteral("Windows (CRLF)"));
    lfEnds = new QRadioButton(QStringLiteral("Unix (LF)"));
    keepEnds->setObjectName(QStringLiteral("单选框换行保持"));
    crlfEnds->setObjectName(QStringLiteral("单选框换行CRLF"));
    lfEnds->setObjectName(QStringLiteral("单选框换行LF"));
    QGroupBox* endsBox = radioGroup(QStringLiteral("换行符"), {keepEnds, crlfEnds, lfEnds}, this);

    besideSources = new QRadioButton(QStringLiteral("源文件旁的“转换结果”文件夹"));
    chosenFolder = new QRadioButton(QStringLiteral("指定的文件夹："));
    replaceSources =
        new QRadioButton(QStringLiteral("替换原文件（只替换完整转换的文件，原文件另存为 文件名%1）")
                             .arg(QString::fromUtf8(batch::backupSuffix)));
    besideSources->setObjectName(QStringLiteral("单选框输出到转换结果"));
    chosenFolder->setObjectName(QStringLiteral("单选框输出到指定文件夹"));
    replaceSources->setObjectName(QStringLiteral("单选框替换原文件"));
    folderEdit = new QLineEdit;
    folderEdit->setObjectName(QStringLiteral("编辑框输出文件夹"));
    browseButton = new QPushButton(QStringLiteral("浏览…"));
    browseButton->setObjectName(QStringLiteral("按钮浏览输出文件夹"));
    QGroupBox* placeBox =
        radioGroup(QStringLiteral("输出位置"), {besideSources, chosenFolder, replaceSources}, this);
    // The folder's field sits under its radio, indented to the radio's caption.
    auto* folderRow = new QHBoxLayout;
    folderRow->setContentsMargins(24, 0, 0, 0);
    folderRow->addWidget(folderEdit, 1);
    folderRow->addWidget(browseButton);
    static_cast<QVBoxLayout*>(placeBox->layout())->insertLayout(2, folderRow);

    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("标签输出选项问题"));
    problem->setTextFormat(Qt::PlainText);
    problem->setWordWrap(true);
    problem->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &OutputOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OutputOptionsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(markBox);
    layout->addWidget(endsBox);
    layout->addWidget(placeBox);
    layout->addWidget(problem);
    layout->addWidget(buttons);

    markBox->setChecked(current.write.byteOrderMark);
    (current.write.lineEnding == engine::LineEnding::Crlf ? crlfEnds
     : current.write.lineEnding == engine::LineEnding::Lf ? lfEnds
                                                          : keepEnds)
        ->setChecked(true);
    (current.place == batch::OutputPlace::ChosenFolder     ? chosenFolder
     : current.place == batch::OutputPlace::ReplaceSources ? replaceSources
                                                           : besideSources)
        ->setChecked(true);
    folderEdit->setText(qtText(current.folder));

    connect(chosenFolder, &QRadioButton::toggled, this, &OutputOptionsDialog::showPlace);
    connect(browseButton, &QPushButton::clicked, this, &OutputOptionsDialog::browse);
    showPlace();
}

void OutputOptionsDialog::showPlace() {
    folderEdit->setEnabled(chosenFolder->isChecked());
    browseButton->setEnabled(chosenFolder->isChecked());
}

void OutputOptionsDialog::browse() {
    if (!askFolder) {
        return;
    }
    const platform::AnsiText picked = askFolder(ansiText(folderEdit->text()));
    if (!picked.empty()) {
        folderEdit->setText(qtText(picked));
    }
}

batch::OutputChoices OutputOptionsDialog::choices() const {
    batch::OutputChoices chosen;
    chosen.write.byteOrderMark = markBox->isChecked();
    chosen.write.lineEnding = crlfEnds->isChecked() ? engine::LineEnding::Crlf
                              : lfEnds->isChecked() ? engine::LineEnding::Lf
                                                    : engine::LineEnding::Keep;
    chosen.place = chosenFolder->isChecked()     ? batch::OutputPlace::ChosenFolder
                   : replaceSources->isChecked() ? batch::OutputPlace::ReplaceSources
                                                 : batch::OutputPlace::BesideSources;
    chosen.folder = ansiText(folderEdit->text().trimmed());
    return chosen;
}

void OutputOptionsDialog::accept() {
    if (chosenFolder->isChecked()) {
        const QString folder = folderEdit->text().trimmed();
        QString why;
        if (folder.isEmpty()) {
            why = QStringLiteral("请填写输出文件夹，或点“浏览…”选择一个。");
        } else if (!folder.startsWith(QLatin1Char('/'))) {
            why = QStringLiteral("输出文件夹要写完整的路径（以 / 开头）：%1").arg(folder);
        } else if (ansiText(folder).empty()) {
            why = QStringLiteral("这个文件夹名无法使用：%1").arg(folder);
        }
        // The folder is made now, so that one that cannot be is told here and not by a run
        // that converts nothing.
        if (why.isEmpty()) {
            const platform::AnsiText path = ansiText(folder);
            if (const int error = batch::madeFolderError(path + platform::pathSeparator);
                error != 0)
                why = QStringLiteral("无法创建输出文件夹 %1：%2")
                          .arg(folder, qtText(platform::describeSystemError(error)));
        }
        if (!why.isEmpty()) {
            problem->setText(why);
            problem->show();
            folderEdit->setFocus();
            return;
        }
    }
    QDialog::accept();
}

void editOutputOptions(WindowAdapter& adapter, QWidget* window) {
    OutputOptionsDialog dialog(
        adapter.outputChoices(),
        [&adapter](const platform::AnsiText& initialFolder) {
            return adapter.pickFolder(initialFolder, platform::ansi("选择输出文件夹"));
        },
        window);
    if (dialog.exec() == QDialog::Accepted) {
        adapter.setOutputChoices(dialog.choices());
    }
}

} // namespace ui
