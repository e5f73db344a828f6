#include "shell/Screenshots.h"

#include <chrono>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QThread>
#include <QWidget>

#include "platform/UserInterface.h"
#include "shell/CAboutDialog.h"
#include "shell/CMainFrame.h"
#include "shell/CParameterDialog.h"
#include "shell/CProgressDialog.h"
#include "shell/MapView.h"
#include "shell/QtUserInterface.h"
#include "shell/ResultsView.h"
#include "shell/RunSummaryFile.h"

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

// Waits for the run to be read, then pictures it whole and zoomed in on its centre.
bool SaveResults(CMainFrame& frame, const QDir& directory) {
    ResultsView& results = frame.results();
    frame.resize(1280, 820);
    frame.show();
    const QDeadlineTimer deadline(std::chrono::minutes(10));
    while (results.IsLoading() && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    for (int round = 0; round < 5; ++round) QApplication::processEvents();
    results.mapView()->FitToWindow();
    bool saved = Save(frame, directory, "main_window.png");
    if (const RunSummaryFile* summary = results.summary()) {
        MapView& map = *results.mapView();
        const int line = summary->lines / 2;
        const int sample = summary->samples / 2;
        map.ZoomBy(4.0, map.WidgetPointOf(line, sample));
        const QPointF centre = map.WidgetPointOf(line, sample);
        QMouseEvent move(QEvent::MouseMove, centre, map.mapToGlobal(centre), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&map, &move);
        saved = Save(frame, directory, "results_zoomed.png") && saved;
        map.FitToWindow();
    }
    return saved;
}

}  // namespace

bool TakeScreenshots(CMainFrame& frame, const QString& folder) {
    QDir directory(folder);
    if (!directory.mkpath(QStringLiteral("."))) return false;
    bool saved = frame.results().HasRun() || frame.results().IsLoading()
                     ? SaveResults(frame, directory)
                     : Save(frame, directory, "main_window.png");

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
