// The report box's 复制 and 保存: its details (one line per file, the file's place in the chosen
// folder and its reason) to the clipboard or into a text file the user names.
#pragma once

#include <QString>

class QMessageBox;

namespace ui {

// Adds 复制 and 保存 to `box`; neither closes it. 保存 asks for a file and writes the details
// there as UTF-8, one line each; a failed write is told in a box of its own and leaves an earlier
// file of that name as it was.
void addDetailButtons(QMessageBox& box, const QString& details);

} // namespace ui
