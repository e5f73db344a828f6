#pragma once

#include <QString>

namespace tavorin::shell {

class CMainFrame;

// Saves pictures of the main window, its "unsupervised classification" menu, the parameter
// dialog, the About box and a progress window at 37% into `folder` as PNG files (a
// developer's check of the layout). When the window shows a run, it is first given room and
// the run is read completely; a second picture shows its map zoomed in, with the status bar
// telling about the pixel at the centre. False when a picture could not be written.
bool TakeScreenshots(CMainFrame& frame, const QString& folder);

}  // namespace tavorin::shell
