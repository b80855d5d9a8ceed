// The output options dialog: the byte-order mark, the line ends and where the results go, the
// same choices the command line takes as --no-bom, --eol, --output-dir and --in-place.
#pragma once

#include <functional>

#include <QDialog>

#include "batch/output_choices.h"
#include "platform/ansi_text.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {

class WindowAdapter;

// Asks for a folder, starting at the one given; empty when the user cancels.
using FolderAsker = std::function<platform::AnsiText(const platform::AnsiText& initialFolder)>;

class OutputOptionsDialog : public QDialog {
    Q_OBJECT
public:
    OutputOptionsDialog(const batch::OutputChoices& current, FolderAsker askFolder,
                        QWidget* parent = nullptr);

    // The choices as the dialog shows them now.
    batch::OutputChoices choices() const;

    // Accepts only choices a run can use: a chosen folder must be given as an absolute path;
    // otherwise the dialog says why and stays open.
    void accept() override;

private:
    void browse();
    void showPlace();

    FolderAsker askFolder;
    QCheckBox* markBox;
    QRadioButton* keepEnds;
    QRadioButton* crlfEnds;
    QRadioButton* lfEnds;
    QRadioButton* besideSources;
    QRadioButton* chosenFolder;
    QRadioButton* replaceSources;
    QLineEdit* folderEdit;
    QPushButton* browseButton;
    QLabel* problem;
};

// Opens the dialog over `window` with the adapter's output choices and keeps what the user
// accepts; the browse button asks through the adapter's folder picker.
void editOutputOptions(WindowAdapter& adapter, QWidget* window);

} // namespace ui
