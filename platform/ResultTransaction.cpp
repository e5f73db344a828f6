#include "platform/ResultTransaction.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/FileOutput.h"
#include "platform/UserError.h"

namespace tavorin::platform {
namespace {

// A short hidden name in the folder of `finalPath`: short so that a final name of the longest
// length still has a temporary one, hidden so that a folder listing does not show it as a result.
std::string TemporaryName(const std::string& finalPath, int attempt) {
    const std::filesystem::path folder = std::filesystem::path(finalPath).parent_path();
    const std::string name =
        ".tavorin-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
    return (folder / name).string();
}

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

ResultTransaction::~ResultTransaction() { Abandon(); }

void ResultTransaction::Write(const std::string& finalPath, std::string_view bytes) {
    static std::atomic<int> counter{0};
    std::string temporary;
    int descriptor = -1;
    for (int tries = 0; tries < 100 && descriptor < 0; ++tries) {
        temporary = TemporaryName(finalPath, ++counter);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) throw UserError(CannotCreateFileMessage(finalPath));
    temporaryPaths_.push_back(temporary);
    finalPaths_.push_back(finalPath);
    const bool complete = WriteAll(descriptor, bytes);
    if (::close(descriptor) != 0 || !complete) {
        throw UserError(CannotWriteWholeFileMessage(finalPath));
    }
}

std::string ResultTransaction::TemporaryPathOf(const std::string& finalPath) const {
    for (std::size_t i = 0; i < finalPaths_.size(); ++i) {
        if (finalPaths_[i] == finalPath) return temporaryPaths_[i];
    }
    return "";
}

void ResultTransaction::Commit() {
    // A folder at a final name would fail its rename halfway through; find it first.
    for (const std::string& finalPath : finalPaths_) {
        std::error_code error;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(finalPath, error))) {
            const std::string blocked = finalPath;  // Abandon clears the list
            Abandon();
            throw UserError(CannotCreateFileMessage(blocked));
        }
    }
    for (std::size_t i = 0; i < finalPaths_.size(); ++i) {
        if (std::rename(temporaryPaths_[i].c_str(), finalPaths_[i].c_str()) != 0) {
            const std::string failed = finalPaths_[i];
            temporaryPaths_.erase(temporaryPaths_.begin(),
                                  temporaryPaths_.begin() + static_cast<std::ptrdiff_t>(i));
            finalPaths_.erase(finalPaths_.begin(),
                              finalPaths_.begin() + static_cast<std::ptrdiff_t>(i));
            Abandon();
            throw UserError(CannotCreateFileMessage(failed));
        }
    }
    temporaryPaths_.clear();
    finalPaths_.clear();
}

void ResultTransaction::Abandon() {
    for (const std::string& temporary : temporaryPaths_) ::unlink(temporary.c_str());
    temporaryPaths_.clear();
    finalPaths_.clear();
}

}  // namespace tavorin::platform
