#include "cli/FcmInput.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "driver/InputStage.h"
#include "evolution/RunParameters.h"

namespace tavorin::cli {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::exists(a, error) && fs::exists(b, error) && fs::equivalent(a, b, error);
}

}  // namespace

FcmInput LoadFcmInput(const std::string& path, CFcmRunner& runner) {
    RunParameters parameters;
    parameters.inputPath = path;
    parameters.clusterNumber = runner.clusterNumber;
    InputStageResult stage = LoadInputStage(parameters);
    // The only reading of the stage's pixels; they are released when this returns.
    const RunGlobals& globals = stage.globals;
    const std::vector<double> pixels = globals.bandData->ToDoubles();
    runner.LoadPixels(globals.lineCount, globals.sampleCount, globals.bandCount, pixels.data(),
                      globals.leftOut);
    runner.georeferenceEntries = stage.description.georeferenceEntries;
    return {std::move(stage.description), LeftOutPixelsMessage(globals)};
}

std::string DefaultFcmOutput(const std::string& inputPath) {
    return fs::path(inputPath).stem().string() + "_result";
}

std::optional<std::string> FcmOutputProblem(const std::string& outputPath,
                                            const std::string& inputPath) {
    std::error_code error;
    if (fs::is_directory(outputPath, error)) {
        return "The output path " + Quoted(outputPath) +
               " is a folder; give the name of the classification image, such as " +
               Quoted((fs::path(outputPath) / "result").string()) + ".";
    }
    const fs::path parent = fs::path(outputPath).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    if (!fs::is_directory(folder, error)) {
        return "The output folder " + Quoted(folder) + " does not exist.";
    }
    const std::string inputHeader = CEnviImage::HeaderFileName(inputPath);
    for (const std::string& name : {outputPath, CEnviImage::OutputHeaderFileName(outputPath)}) {
        for (const std::string& input : {inputPath, inputHeader, inputPath + ".hdr"}) {
            if (SameFile(name, input)) {
                return "The result " + Quoted(name) + " would replace the input file " +
                       Quoted(input) + "; choose another output name.";
            }
        }
    }
    return std::nullopt;
}

}  // namespace tavorin::cli
