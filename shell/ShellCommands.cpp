#include "shell/ShellCommands.h"

#include "clustering/CFcmRunner.h"

namespace tavorin::shell {

ShellCommands DefaultShellCommands() {
    ShellCommands commands;
    commands.classify = [](const RunParameters& parameters, const RunOptions& options) {
        CClassificationDriver driver;
        return driver.Run(parameters, options, platform::CurrentUserInterface());
    };
    commands.runFcm = [] {
        CFcmRunner runner;
        runner.Run();
    };
    return commands;
}

}  // namespace tavorin::shell
