#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QString>

#include "driver/CClassificationDriver.h"
#include "shell/CMainFrame.h"
#include "shell/MessageBoxes.h"
#include "shell/Screenshots.h"
#include "shell/ShellCommands.h"
#include "shell/ShellOptions.h"
#include "shell/ToolbarIcons.h"

// Start-up of the desktop application: the application object, the main window, the loop.
int main(int argc, char** argv) {
    QApplication application(argc, argv);  // takes Qt's own options out of argv
    QApplication::setApplicationName(QStringLiteral("TAVORIN"));
    QApplication::setApplicationVersion(QStringLiteral(TAVORIN_VERSION));
    QApplication::setWindowIcon(tavorin::shell::ApplicationIcon());

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const tavorin::shell::ShellOptions options = tavorin::shell::ParseShellOptions(arguments);
    if (!options.error.empty()) {
        std::fprintf(stderr, "tavorin-gui: %s\n\n%s", options.error.c_str(),
                     tavorin::shell::ShellUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(tavorin::shell::ShellUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("tavorin-gui " TAVORIN_VERSION "\n", stdout);
        return 0;
    }

    tavorin::RunOptions runOptions;
    runOptions.seed = options.seed;
    tavorin::shell::CMainFrame frame(tavorin::shell::DefaultShellCommands(), runOptions);
    if (options.screenshotDir) {
        // Nobody is there to close a message box: its text goes to the standard error.
        tavorin::shell::SetMessageBoxHandler(
            [](QWidget*, const QString& text, tavorin::platform::MessageKind) {
                std::fprintf(stderr, "tavorin-gui: %s\n", text.toLocal8Bit().constData());
            });
    }
    if (options.openPath) frame.OpenDocument(QString::fromStdString(*options.openPath));
    if (options.screenshotDir) {
        const QString folder = QString::fromStdString(*options.screenshotDir);
        return tavorin::shell::TakeScreenshots(frame, folder) ? 0 : 1;
    }
    frame.show();
    return QApplication::exec();
}
