#include "driver/InputPathCheck.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/UserError.h"

namespace tavorin {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool EndsWithHdr(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ending = path.substr(path.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending == ".hdr";
}

// ENVI headers open with the line "ENVI"; a raw image practically never does.
bool StartsLikeEnviHeader(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char start[6] = {};
    file.read(start, sizeof start);
    const std::string text(start, static_cast<std::size_t>(file.gcount()));
    return text == "ENVI" || text.rfind("ENVI\n", 0) == 0 || text.rfind("ENVI\r\n", 0) == 0;
}

// Names GDAL opens that are not files: "/vsizip/a.zip/b.tif", "NETCDF:a.nc:var". A drive
// letter ("C:") is a file name.
bool IsGdalName(const std::string& path) {
    if (path.rfind("/vsi", 0) == 0) return true;
    const std::size_t colon = path.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    return std::all_of(
        path.begin(), path.begin() + static_cast<std::ptrdiff_t>(colon),
        [](unsigned char c) { return std::isupper(c) || std::isdigit(c) || c == '_'; });
}

// The raw images a header at `headerPath` may describe, as the reader finds headers: the
// header's name without ".hdr", or the same name with another extension. Sorted.
std::vector<std::string> RawImagesBeside(const std::string& headerPath) {
    std::vector<std::string> found;
    const fs::path header(headerPath);
    const fs::path bare = header.parent_path() / header.stem();
    std::error_code error;
    if (bare.filename() != header.filename() && fs::is_regular_file(bare, error)) {
        found.push_back(bare.string());
    }
    const fs::path folder = header.parent_path().empty() ? fs::path(".") : header.parent_path();
    std::vector<std::string> others;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const fs::path name = entry->path().filename();
        if (name == header.filename() || name.stem() != header.stem() || name.extension().empty() ||
            EndsWithHdr(name.string())) {
            continue;
        }
        if (entry->is_regular_file(error)) others.push_back((header.parent_path() / name).string());
    }
    std::sort(others.begin(), others.end());
    found.insert(found.end(), others.begin(), others.end());
    return found;
}

std::string HeaderGivenMessage(const std::string& path) {
    const std::string start = "The input " + Quoted(path) + " is an ENVI header; ";
    const std::vector<std::string> raws = RawImagesBeside(path);
    if (raws.empty()) {
        const fs::path bare = fs::path(path).parent_path() / fs::path(path).stem();
        return start + "give the raw image it describes instead. No such image lies beside it " +
               "(looked for " + Quoted(bare.string()) + " and " +
               Quoted(bare.string() + ".<extension>") + ").";
    }
    return start + "give the raw image beside it instead: " + Quoted(raws.front()) + ".";
}

}  // namespace

std::optional<std::string> InputPathProblem(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        if (IsGdalName(path)) return std::nullopt;
        return "The input image " + Quoted(path) + " does not exist.";
    }
    if (!fs::is_regular_file(status)) return std::nullopt;  // the reader names what it is
    if (EndsWithHdr(path) || StartsLikeEnviHeader(path)) return HeaderGivenMessage(path);
    return std::nullopt;
}

void CheckInputPath(const std::string& path) {
    if (std::optional<std::string> problem = InputPathProblem(path)) throw UserError(*problem);
}

}  // namespace tavorin
