#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavorin {

// Where the fixed test image was looked for, and the first place that holds it.
struct TestImageLocation {
    std::vector<std::string> candidates;  // every path looked at, in search order
    std::optional<std::string> found;     // the first candidate that exists
};

// The folders the test image is searched in, in this order: the folder named by
// TAVORIN_DATA_DIR, the installed data folder beside the executable (<exe dir>/../share/tavorin),
// the install prefix's data folder and the source tree's data/ folder.
std::vector<std::string> TestImageFolders();

// Looks for `fileName` in each of `folders` in turn. An empty folder is skipped, and a path
// met a second time (after lexical normalisation) is not listed again.
TestImageLocation FindFileInFolders(const std::vector<std::string>& folders,
                                    const std::string& fileName);

// The message for a test image that none of `candidates` holds.
std::string TestImageNotFoundMessage(const std::vector<std::string>& candidates);

}  // namespace tavorin
