#pragma once

#include <QIcon>

// The pictures of the tool bar buttons (16 x 15 pixels) and the application icon, drawn in
// code so the application needs no image files.
namespace tavorin::shell {

enum class ToolbarPicture { New, Open, Save, Cut, Copy, Paste, Print, About };

QIcon ToolbarIcon(ToolbarPicture picture);
QIcon ApplicationIcon();

}  // namespace tavorin::shell
