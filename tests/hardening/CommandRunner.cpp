#include "tests/hardening/CommandRunner.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "tests/support/TestSupport.h"

extern char** environ;

namespace tavorin::testing {
namespace {

constexpr uid_t kNobody = 65534;

std::vector<std::string> MergedEnvironment(
    const std::vector<std::pair<std::string, std::string>>& additions) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : additions) {
            if (text.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
        }
        if (!replaced) merged.push_back(text);
    }
    for (const auto& [name, value] : additions) merged.push_back(name + "=" + value);
    return merged;
}

std::vector<char*> PointerArray(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The child's side of the fork: only system calls from here on.
[[noreturn]] void StartChild(const CommandRequest& request, const std::string& outPath,
                             const std::string& errPath, char* const* argv, char* const* envp) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0) {
        ::_exit(126);
    }
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    if (::chdir(request.workingDirectory.c_str()) != 0) ::_exit(126);
    if (request.fileSizeLimitBytes) {
        // A write past the limit then fails with EFBIG instead of ending the process.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(*request.fileSizeLimitBytes),
                           static_cast<rlim_t>(*request.fileSizeLimitBytes)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    if (request.processLimit) {
        const rlimit limit{static_cast<rlim_t>(*request.processLimit),
                           static_cast<rlim_t>(*request.processLimit)};
        if (::setrlimit(RLIMIT_NPROC, &limit) != 0) ::_exit(126);
    }
    if (request.asUnprivilegedUser) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(126);
        }
    }
    ::execve(TAVORIN_EXECUTABLE_PATH, argv, envp);
    ::_exit(127);
}

}  // namespace

CommandResult RunTavorin(const CommandRequest& request) {
    const TempDir capture;
    const std::string outPath = capture.file("stdout.txt");
    const std::string errPath = capture.file("stderr.txt");
    if (request.asUnprivilegedUser) {
        // The child writes its captures after it has dropped to the other user.
        std::filesystem::permissions(capture.path(), std::filesystem::perms::all);
    }

    std::vector<std::string> arguments{TAVORIN_EXECUTABLE_PATH};
    arguments.insert(arguments.end(), request.arguments.begin(), request.arguments.end());
    std::vector<std::string> environment = MergedEnvironment(request.environment);
    std::vector<char*> argv = PointerArray(arguments);
    std::vector<char*> envp = PointerArray(environment);

    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) StartChild(request, outPath, errPath, argv.data(), envp.data());

    CommandResult result;
    int status = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::seconds(request.timeoutSeconds);
    bool signalled = false;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (request.signalAfter && !signalled &&
            std::chrono::steady_clock::now() - start >=
                std::chrono::duration<double>(request.signalAfter->first)) {
            ::kill(child, request.signalAfter->second);
            signalled = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = ReadFileBytes(outPath);
    result.err = ReadFileBytes(errPath);
    return result;
}

bool HasSanitizerReport(const std::string& text) {
    return text.find("Sanitizer") != std::string::npos ||
           text.find("runtime error:") != std::string::npos;
}

std::map<std::string, std::string> SnapshotFolder(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string relative = std::filesystem::relative(it->path(), folder).string();
        if (it->is_directory()) {
            files[relative] = "<folder>";
        } else if (!it->is_regular_file()) {
            files[relative] = "<special>";  // never read: a FIFO would block
        } else {
            files[relative] = ReadFileBytes(it->path().string());
        }
    }
    return files;
}

bool IsRoot() { return ::geteuid() == 0; }

}  // namespace tavorin::testing
