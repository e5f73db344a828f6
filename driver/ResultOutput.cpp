#include "driver/ResultOutput.h"

#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "driver/AssignLabels.h"
#include "platform/Clock.h"
#include "platform/FileOutput.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/UserError.h"
#include "platform/UserInterface.h"
#include "report/ResultPictures.h"
#include "report/RunSummary.h"

namespace tavorin {
namespace {

const char* const kFrontFileName = "FinalPF.txt";

std::vector<std::vector<double>> centresByCluster(const CSolution& solution, int bandCount) {
    std::vector<std::vector<double>> centres;
    const auto d = static_cast<std::size_t>(bandCount);
    for (std::size_t start = 0; start + d <= solution.centres.size(); start += d) {
        centres.emplace_back(solution.centres.begin() + static_cast<std::ptrdiff_t>(start),
                             solution.centres.begin() + static_cast<std::ptrdiff_t>(start + d));
    }
    return centres;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

namespace {

// What the output stage has written so far, so that a failure can name what exists.
struct OutputProgress {
    std::string outputPath;
    std::size_t imageCount = 0;
    std::size_t imagesWritten = 0;
    bool frontListWritten = false;
    bool summaryWritten = false;
    bool pictures = false;
};

std::string imageName(const std::string& outputPath, std::size_t j) {
    return outputPath + "_" + platform::formatInt(static_cast<long long>(j));
}

// The images first..last-1 with their headers, in one phrase.
std::string imageRangeText(const std::string& outputPath, std::size_t first, std::size_t last) {
    if (last == first + 1) return quoted(imageName(outputPath, first)) + " with its header";
    return quoted(imageName(outputPath, first)) + " to " + quoted(imageName(outputPath, last - 1)) +
           " with their headers";
}

std::string joinedPhrases(const std::vector<std::string>& phrases) {
    std::string text;
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        if (i > 0) text += i + 1 == phrases.size() ? " and " : ", ";
        text += phrases[i];
    }
    return text;
}

// The failure's own message, then which result files exist and which are missing. A failure
// before anything was written keeps its message alone.
std::string partialResultMessage(const std::string& failure, const OutputProgress& progress) {
    std::vector<std::string> written;
    std::vector<std::string> missing;
    if (progress.imagesWritten > 0) {
        written.push_back(imageRangeText(progress.outputPath, 0, progress.imagesWritten));
    }
    if (progress.imagesWritten < progress.imageCount) {
        missing.push_back(
            imageRangeText(progress.outputPath, progress.imagesWritten, progress.imageCount));
    }
    if (progress.frontListWritten) {
        written.push_back(quoted(kFrontFileName) + " (" +
                          platform::formatInt(static_cast<long long>(progress.imagesWritten)) +
                          (progress.imagesWritten == 1 ? " line" : " lines") + ")");
    } else {
        missing.push_back(quoted(kFrontFileName));
    }
    const std::string summaryPath = RunSummaryPath(progress.outputPath);
    (progress.summaryWritten ? written : missing).push_back(quoted(summaryPath));
    if (progress.pictures) missing.push_back("the pictures and the report page");

    if (progress.imagesWritten == 0 && !progress.summaryWritten) return failure;
    return failure + "\nWritten: " + joinedPhrases(written) +
           ".\nNot written: " + joinedPhrases(missing) + ".";
}

}  // namespace

void WriteClassificationResults(const RunState& run, const RunParameters& parameters,
                                const RunOptions& options, const CEnviImage& input,
                                const std::vector<CSolution>& front, double searchSeconds) {
    const RunGlobals& globals = run.globals;
    const std::int64_t outputStart = platform::tickMilliseconds();
    std::vector<unsigned char> labels(static_cast<std::size_t>(globals.pixelCount()), 0);

    OutputProgress done;
    done.outputPath = parameters.outputPath;
    done.imageCount = front.size();
    done.pictures = options.pictures;

    platform::TextFile frontFile;
    if (!frontFile.Open(kFrontFileName, platform::TextFile::Mode::Truncate)) {
        throw UserError(platform::CannotCreateFileMessage(kFrontFileName));
    }
    // Closes the list of the images written so far; a list that cannot be completed is removed.
    const auto closeFrontList = [&frontFile, &done] {
        done.frontListWritten = frontFile.Close();
        if (!done.frontListWritten) std::remove(kFrontFileName);
    };
    platform::ProgressWindow progress(run.ui, "QUELDRA_output", 0, static_cast<int>(front.size()),
                                      1);

    CEnviImage output;
    output.georeferenceEntries = input.georeferenceEntries;
    RunSummary summary;
    summary.parameters = parameters;
    summary.seed = options.seed;
    summary.threads = options.threads;
    summary.input = input;
    ResultPicturesInput pictures;
    pictures.parameters = parameters;
    pictures.seed = options.seed.value_or(0);
    pictures.input = input;
    pictures.bandData = globals.bandData.get();

    for (std::size_t j = 0; j < front.size(); ++j) {
        progress.Step();
        const std::string name = imageName(parameters.outputPath, j);
        output.SetGeometry(1, globals.lineCount, globals.sampleCount, 1, name);
        AssignLabels(globals, front[j], labels.data());
        output.classes = globals.clusterNumber + 1;
        // The image goes first, so the list never names an image that was not written.
        try {
            output.WriteClassification(labels.data());
        } catch (const UserError& error) {
            closeFrontList();
            throw UserError(partialResultMessage(error.what(), done));
        }
        ++done.imagesWritten;
        frontFile.Write(platform::formatFixed(front[j].xbIndex) + "\t" +
                        platform::formatFixed(front[j].jm) + "\n");

        summary.front.push_back(
            {name, front[j].xbIndex, front[j].jm, centresByCluster(front[j], globals.bandCount)});
        pictures.front.push_back({name, front[j].xbIndex, front[j].jm});
    }
    closeFrontList();
    if (!done.frontListWritten) {
        throw UserError(
            partialResultMessage(platform::CannotWriteWholeFileMessage(kFrontFileName), done));
    }
    const std::int64_t outputEnd = platform::tickMilliseconds();

    summary.searchSeconds = searchSeconds;
    summary.outputSeconds = platform::secondsBetween(outputStart, outputEnd);
    try {
        WriteRunSummary(summary, RunSummaryPath(parameters.outputPath));
        done.summaryWritten = true;
        if (options.pictures) WriteResultPictures(pictures);
    } catch (const UserError& error) {
        throw UserError(partialResultMessage(error.what(), done));
    }
}

}  // namespace tavorin
