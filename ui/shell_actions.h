// The program's ways of talking to the desktop: the message box, the file manager, starting a
// program, the folder picker, the open dialog and the default handler of an address. All run on
// the window thread and block until the dialog or the start request returns. Texts are AnsiText
// in and out; conversion to the toolkit's strings happens here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/message_box.h"

namespace ui {

using platform::AnsiText;

// Shows a message box without owner. The information icon is added when the style asks for no
// icon, and the box is always modal; an empty title shows "砚舟：". Non-empty `details` go behind
// the box's details button. Returns the button that closed it (Ok when it was closed some other
// way).
platform::MessageAnswer showMessage(const AnsiText& text, const platform::MessageStyle& style,
                                    const AnsiText& title, const AnsiText& details = {});

// Asks, modal and without owner, whether the files described by `question` may be converted:
// 转换 (the default, also Enter) answers true, 取消 (also Esc or closing the box) false.
bool confirmConversion(const AnsiText& question);

// Shows a folder or file in the file manager (see ui/explorer_command for the request). On this
// desktop: a program path (".exe", with runExecutables) is started directly; "select" asks the
// desktop's file manager to show the item in its folder, or opens that folder when no file
// manager answers; otherwise the path itself is opened. newWindow and showMode matter only where
// the file manager has them. True when something was started.
bool openInExplorer(const AnsiText& path, bool newWindow, bool runExecutables, bool asRoot,
                    bool wait, std::optional<int> showMode = std::nullopt);

// Starts the program named by a Windows-style command line, without a shell. With wait, returns
// when it has ended. showMode 1..6 (2 when not given) is accepted and ignored where the desktop
// has no show states. True when the program was started.
bool runCommandLine(const AnsiText& commandLine, bool wait,
                    std::optional<int> showMode = std::nullopt);

// The folder picker, opened on initialFolder (kept as pickerInitialFolder until the next call or
// exit). Title "请选择一个文件夹" when none is given; includeFiles (default false) lists files
// too; editBox (default true) needs nothing here; newStyle (default true) offers creating
// folders. Returns the chosen folder as it is (a name may end in a blank), empty when cancelled.
AnsiText pickFolder(const AnsiText& initialFolder, std::optional<AnsiText> title = std::nullopt,
                    std::optional<bool> includeFiles = std::nullopt,
                    std::optional<bool> editBox = std::nullopt,
                    std::optional<bool> newStyle = std::nullopt);

// The folder the picker opens on; empty before the first pickFolder and after release.
const AnsiText& pickerInitialFolder();

// Releases pickerInitialFolder; the exit routine calls it.
void releasePickerInitialFolder();

// The multi-select open dialog: existing files only, filter pairs "description|patterns|..."
// (the first preselected), opened on initialFolder. Full paths in the dialog's order; empty when
// cancelled. Names the program cannot represent are left out.
std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                  const AnsiText& initialFolder);

// Opens a web address ("https://...", "www....") with the desktop's default handler, or starts
// a web browser with it when the desktop cannot; a path (a page on disk) always goes to a web
// browser (startWebBrowser), never to the desktop's opener of its file type, which may be this
// program. Failures are silent.
void openWebPage(const AnsiText& target);

// Starts the first web browser that can be started with `target` (an address, or a path in the
// file system's form): each program named in $BROWSER (a list separated by ':'); then for an
// address xdg-open, for a path the desktop's web browser (ui/web_browser); then
// sensible-browser and x-www-browser, looked up in PATH. A program that is `self` (this
// program's executable when empty) is never started. No shell is involved and the target is
// passed as it is. True when one started.
bool startWebBrowser(const std::string& target, const std::string& self = {});

} // namespace ui
