#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavorin::testing {

// One run of the real `tavorin` executable.
struct CommandRequest {
    std::vector<std::string> arguments;  // after the program name
    std::filesystem::path workingDirectory;
    std::vector<std::pair<std::string, std::string>> environment;  // added to or replacing ours
    int timeoutSeconds = 120;
    // Drops to the unprivileged user "nobody" (uid and gid 65534) before the program starts,
    // so that permission bits hold even when the tests run as root.
    bool asUnprivilegedUser = false;
    // Files may grow to at most this many bytes, as on a nearly full disk.
    std::optional<long long> fileSizeLimitBytes;
    // At most this many processes and threads for the user the program runs as.
    std::optional<long long> processLimit;
    // Sends the signal (second) once, this many seconds (first) after the start.
    std::optional<std::pair<double, int>> signalAfter;
};

struct CommandResult {
    int exitStatus = -1;  // -1 when the program did not exit by itself
    int signal = 0;       // the signal that ended it, 0 if none
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs TAVORIN_EXECUTABLE_PATH with stdout and stderr captured in files outside the working
// directory; a run that outlives its timeout is killed.
CommandResult RunTavorin(const CommandRequest& request);

// Whether a captured output holds a report of the address or undefined-behaviour sanitizer.
bool HasSanitizerReport(const std::string& text);

// Every regular file below `folder` (paths relative to it) with its bytes; folders are listed
// with the marker "<folder>".
std::map<std::string, std::string> SnapshotFolder(const std::filesystem::path& folder);

// Whether the tests run as root, for whom permission bits do not hold.
bool IsRoot();

}  // namespace tavorin::testing
