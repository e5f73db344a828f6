#include "driver/OutputTargets.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <optional>
#include <string>
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

}  // namespace

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
