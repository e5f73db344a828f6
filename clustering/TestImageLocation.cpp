#include "clustering/TestImageLocation.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tavorin {
namespace {

namespace fs = std::filesystem;

// The folder of the running executable, or empty when the system does not tell.
fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : executable.parent_path();
}

}  // namespace

std::vector<std::string> TestImageFolders() {
    std::vector<std::string> folders;
    if (const char* dataDir = std::getenv("TAVORIN_DATA_DIR")) folders.emplace_back(dataDir);
    const fs::path executableFolder = ExecutableFolder();
    if (!executableFolder.empty()) {
        folders.push_back((executableFolder / ".." / "share" / "tavorin").string());
    }
    folders.emplace_back(TAVORIN_INSTALL_DATA_DIR);
    folders.emplace_back(TAVORIN_SOURCE_DATA_DIR);
    return folders;
}

TestImageLocation FindFileInFolders(const std::vector<std::string>& folders,
                                    const std::string& fileName) {
    TestImageLocation location;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        const std::string candidate = (fs::path(folder) / fileName).lexically_normal().string();
        if (std::find(location.candidates.begin(), location.candidates.end(), candidate) !=
            location.candidates.end()) {
            continue;
        }
        location.candidates.push_back(candidate);
        std::error_code error;
        if (!location.found && fs::is_regular_file(candidate, error)) location.found = candidate;
    }
    return location;
}

std::string TestImageNotFoundMessage(const std::vector<std::string>& candidates) {
    std::string text = "The test image was not found; looked for:";
    for (const std::string& candidate : candidates) text += "\n  " + candidate;
    return text;
}

}  // namespace tavorin
