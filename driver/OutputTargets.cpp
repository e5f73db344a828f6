#include "driver/OutputTargets.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "image/CEnviImage.h"
#include "platform/FileOutput.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"
#include "report/RunSummary.h"

namespace tavorin {
namespace {

namespace fs = std::filesystem;

const char* const kFrontFileName = "FinalPF.txt";
constexpr std::size_t kLongestName = NAME_MAX;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// Every file name the run may write.
std::vector<std::string> ResultNames(const RunParameters& parameters, bool pictures,
                                     MapFormat format) {
    std::vector<std::string> names;
    for (std::size_t j = 0; j < static_cast<std::size_t>(parameters.popSize); ++j) {
        const std::string map = MapFileName(parameters.outputPath, j, format);
        names.push_back(map);
        names.push_back(format == MapFormat::Envi ? CEnviImage::OutputHeaderFileName(map)
                                                  : map + ".aux.xml");
        if (pictures) names.push_back(MapPictureFileName(parameters.outputPath, j));
    }
    if (pictures) {
        for (const char* suffix : {"_input.png", "_front.svg", "_report.html"}) {
            names.push_back(parameters.outputPath + suffix);
        }
    }
    names.push_back(kFrontFileName);
    names.push_back(RunSummaryPath(parameters.outputPath));
    return names;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::exists(a, error) && fs::exists(b, error) && fs::equivalent(a, b, error);
}

void CheckFolder(const std::string& outputPath) {
    std::error_code error;
    if (fs::is_directory(outputPath, error)) {
        throw UserError("The output path " + quoted(outputPath) +
                        " is a folder; give the base name of the result files, such as " +
                        quoted((fs::path(outputPath) / "result").string()) + ".");
    }
    const std::string folder = OutputFolder(outputPath);
    if (!fs::exists(folder, error)) {
        throw UserError("The output folder " + quoted(folder) + " does not exist.");
    }
    if (!fs::is_directory(folder, error)) {
        throw UserError("The output folder " + quoted(folder) + " is not a folder.");
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        throw UserError("The output folder " + quoted(folder) + " cannot be written to.");
    }
}

void CheckName(const std::string& name, const std::string& inputPath,
               const std::string& inputHeader) {
    const std::string fileName = fs::path(name).filename().string();
    if (fileName.size() > kLongestName) {
        throw UserError("The result name " + quoted(fileName) + " is " +
                        platform::formatInt(static_cast<long long>(fileName.size())) +
                        " bytes long; a file name may have at most " +
                        platform::formatInt(static_cast<long long>(kLongestName)) +
                        " bytes. Choose a shorter output name.");
    }
    for (const std::string& input : {inputPath, inputHeader}) {
        if (SameFile(name, input)) {
            throw UserError("The result " + quoted(name) + " would replace the input file " +
                            quoted(input) + "; choose another output name.");
        }
    }
    std::error_code error;
    const bool frontList = name == kFrontFileName;
    const fs::file_status status = fs::symlink_status(name, error);
    if (fs::is_directory(status) ||
        (frontList && fs::exists(status) && ::access(name.c_str(), W_OK) != 0)) {
        throw UserError(platform::CannotCreateFileMessage(name));
    }
}

// Room for a header beside each map.
constexpr long long kHeaderAllowance = 4096;

// The endings of a map's files after "<output>_<j>", in the order they are listed.
constexpr std::array<std::string_view, 5> kMapFileEndings{"", ".hdr", ".tif", ".tif.aux.xml",
                                                          ".png"};
constexpr std::size_t kListedEarlierFiles = 10;

struct EarlierFile {
    unsigned long long number = 0;
    std::size_t ending = 0;
    std::string path;
};

// The member number and ending of a name "<prefix><j><ending>", j in decimal without leading
// zeros; none for any other name.
std::optional<EarlierFile> MapFileParts(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) return std::nullopt;
    const std::string_view rest = name.substr(prefix.size());
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 19 && rest[digits] >= '0' && rest[digits] <= '9') {
        ++digits;
    }
    if (digits == 0 || (digits > 1 && rest[0] == '0')) return std::nullopt;
    EarlierFile file;
    for (std::size_t i = 0; i < digits; ++i) {
        file.number = file.number * 10 + static_cast<unsigned long long>(rest[i] - '0');
    }
    const std::string_view ending = rest.substr(digits);
    const auto found = std::find(kMapFileEndings.begin(), kMapFileEndings.end(), ending);
    if (found == kMapFileEndings.end()) return std::nullopt;
    file.ending = static_cast<std::size_t>(found - kMapFileEndings.begin());
    return file;
}

}  // namespace

std::vector<std::string> EarlierRunMapFiles(const std::string& outputPath,
                                            const std::set<std::string>& written) {
    const std::string prefix = fs::path(outputPath).filename().string() + "_";
    const fs::path folder = fs::path(outputPath).parent_path();
    std::set<std::string> writtenNames;
    for (const std::string& path : written) writtenNames.insert(fs::path(path).filename().string());
    std::vector<EarlierFile> files;
    std::error_code error;
    for (fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (writtenNames.count(name) != 0) continue;
        if (std::optional<EarlierFile> file = MapFileParts(name, prefix)) {
            file->path = (folder / name).string();
            files.push_back(std::move(*file));
        }
    }
    std::sort(files.begin(), files.end(), [](const EarlierFile& a, const EarlierFile& b) {
        return a.number != b.number ? a.number < b.number : a.ending < b.ending;
    });
    std::vector<std::string> paths;
    for (const EarlierFile& file : files) paths.push_back(file.path);
    return paths;
}

std::optional<std::string> EarlierRunMapsWarning(const std::vector<std::string>& files) {
    if (files.empty()) return std::nullopt;
    std::string names;
    for (std::size_t i = 0; i < files.size() && i < kListedEarlierFiles; ++i) {
        names += (i > 0 ? ", " : "") + quoted(files[i]);
    }
    if (files.size() > kListedEarlierFiles) {
        names += " and " +
                 platform::formatInt(static_cast<long long>(files.size() - kListedEarlierFiles)) +
                 " more";
    }
    const bool one = files.size() == 1;
    return "Warning: " + platform::formatInt(static_cast<long long>(files.size())) +
           (one ? " file" : " files") + " named like this run's maps " + (one ? "is" : "are") +
           " not from this run but left from an earlier one with the same output name: " + names +
           ". The report and the summary list only this run's maps.";
}

std::string OutputFolder(const std::string& outputPath) {
    const fs::path parent = fs::path(outputPath).parent_path();
    return parent.empty() ? "." : parent.string();
}

std::optional<std::string> FreeSpaceProblem(const std::string& folder, long long available,
                                            long long pixelCount) {
    const long long needed = pixelCount + kHeaderAllowance;
    if (available >= needed) return std::nullopt;
    return "The output folder " + quoted(folder) + " has " + platform::formatInt(available) +
           " bytes free, but even one classification map of this image needs " +
           platform::formatInt(needed) + " bytes.";
}

void CheckFreeSpace(const std::string& outputPath, long long pixelCount) {
    const std::string folder = OutputFolder(outputPath);
    struct statvfs space {};
    if (::statvfs(folder.c_str(), &space) != 0) return;
    const auto available =
        static_cast<long long>(space.f_bavail) * static_cast<long long>(space.f_frsize);
    if (const auto problem = FreeSpaceProblem(folder, available, pixelCount)) {
        throw UserError(*problem);
    }
}

void CheckOutputTargets(const RunParameters& parameters, bool pictures, MapFormat format) {
    CheckFolder(parameters.outputPath);
    if (::access(".", W_OK | X_OK) != 0) {
        throw UserError(platform::CannotCreateFileMessage(kFrontFileName));
    }
    const std::string inputHeader = CEnviImage::HeaderFileName(parameters.inputPath);
    for (const std::string& name : ResultNames(parameters, pictures, format)) {
        CheckName(name, parameters.inputPath, inputHeader);
    }
}

}  // namespace tavorin
