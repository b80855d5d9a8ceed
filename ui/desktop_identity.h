// How the desktop knows the program: its application id (the desktop entry's name), its icon,
// and Qt's own texts (dialogs, context menus) in the program's language.
#pragma once

#include <QIcon>

namespace ui {

inline constexpr char applicationId[] = "org.qingfengxia.Qingfengxia";

// The installed theme's icon of that id when there is one, else the icon built into the program.
QIcon programIcon();

// Loads Qt's Chinese texts whatever the user's locale, since the program's own texts are fixed
// Chinese. False when the translations are not installed (Qt's texts then stay English).
bool installChineseQtTexts();

// The icon, the desktop file name and the Chinese Qt texts for the whole program.
void applyDesktopIdentity();

} // namespace ui
