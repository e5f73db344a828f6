#include "shell/Screenshots.h"

#include <vector>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QWidget>

#include "platform/UserInterface.h"
#include "shell/CAboutDialog.h"
#include "shell/CMainFrame.h"
#include "shell/CParameterDialog.h"
#include "shell/CProgressDialog.h"
#include "shell/QtUserInterface.h"

namespace tavorin::shell {
namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
    widget.show();
    widget.raise();
    for (int round = 0; round < 5; ++round) QApplication::processEvents();
    return widget.grab().save(folder.filePath(QString::fromLatin1(name)), "PNG");
}

QMenu* ClassificationMenu(CMainFrame& frame) {
    for (QAction* action : frame.menuBar()->actions())
        if (action->menu() != nullptr && action->menu()->actions().contains(frame.classifyAction()))
            return action->menu();
    return nullptr;
}

}  // namespace

bool TakeScreenshots(CMainFrame& frame, const QString& folder) {
    QDir directory(folder);
    if (!directory.mkpath(QStringLiteral("."))) return false;
    bool saved = Save(frame, directory, "main_window.png");

    if (QMenu* menu = ClassificationMenu(frame)) {
        menu->popup(frame.mapToGlobal(QPoint(0, 0)));
        saved = Save(*menu, directory, "classification_menu.png") && saved;
        menu->hide();
    }

    CParameterDialog parameters(&frame);
    saved = Save(parameters, directory, "parameter_dialog.png") && saved;
    parameters.hide();

    CAboutDialog about(&frame);
    saved = Save(about, directory, "about_dialog.png") && saved;
    about.hide();

    {
        platform::ProgressWindow progress(frame.userInterface(), "QUELDRA_GlobalandLocal", 0, 50,
                                          1);
        for (int step = 0; step < 19; ++step) progress.Step();
        const std::vector<CProgressDialog*> open = frame.userInterface().OpenProgressDialogs();
        if (open.empty()) return false;
        saved = Save(*open.back(), directory, "progress_dialog.png") && saved;
    }
    return saved;
}

}  // namespace tavorin::shell
