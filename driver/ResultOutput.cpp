#include "driver/ResultOutput.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/ResultPictures.h"
#include "driver/RunGlobals.h"
#include "driver/RunSummary.h"
#include "evolution/CMemeticClustering.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/UserError.h"
#include "platform/UserInterface.h"

namespace tavorin {
namespace {

const char* const kFrontFileName = "FinalPF.txt";

double secondsBetween(std::int64_t fromTicks, std::int64_t toTicks) {
    return static_cast<double>(toTicks - fromTicks) * 0.001;
}

std::vector<std::vector<double>> centresByCluster(const CSolution& solution, int bandCount) {
    std::vector<std::vector<double>> centres;
    const auto d = static_cast<std::size_t>(bandCount);
    for (std::size_t start = 0; start + d <= solution.centres.size(); start += d) {
        centres.emplace_back(solution.centres.begin() + static_cast<std::ptrdiff_t>(start),
                             solution.centres.begin() + static_cast<std::ptrdiff_t>(start + d));
    }
    return centres;
}

}  // namespace

std::vector<CSolution> SortedFirstFront(const std::vector<CSolution>& population) {
    std::vector<CSolution> front;
    for (const CSolution& member : population) {
        if (member.rank == 0) front.push_back(member);
    }
    for (std::size_t i = 0; i < front.size(); ++i) {
        for (std::size_t k = i + 1; k < front.size(); ++k) {
            if (front[i].jm < front[k].jm) {
                const CSolution held = front[i];
                front[i] = front[k];
                front[k] = held;
            }
        }
    }
    return front;
}

void RunSearchAndWriteResults(const CClassificationDriver& driver, const RunParameters& parameters,
                              const RunOptions& options, const CEnviImage& input) {
    const RunGlobals& globals = runGlobals();

    CMemeticClustering algorithm;
    algorithm.threadCount = options.threads;
    const std::int64_t searchStart = platform::tickMilliseconds();
    algorithm.Run(input);
    const std::int64_t outputStart = platform::tickMilliseconds();

    std::vector<unsigned char> labels(static_cast<std::size_t>(globals.pixelCount()), 0);
    const std::vector<CSolution> front = SortedFirstFront(algorithm.population);

    platform::TextFile frontFile;
    if (!frontFile.Open(kFrontFileName, platform::TextFile::Mode::Truncate)) {
        throw UserError(std::string("Cannot create the file \"") + kFrontFileName + "\".");
    }
    platform::ProgressWindow progress("QUELDRA_output", 0, static_cast<int>(front.size()), 1);

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
        const std::string name =
            parameters.outputPath + "_" + platform::formatInt(static_cast<long long>(j));
        output.SetGeometry(1, globals.lineCount, globals.sampleCount, 1, name);
        driver.AssignLabels(front[j], labels.data());
        output.classes = globals.clusterNumber + 1;
        // The image goes first, so the list never names an image that was not written.
        output.WriteClassification(labels.data());
        frontFile.Write(platform::formatFixed(front[j].xbIndex) + "\t" +
                        platform::formatFixed(front[j].jm) + "\n");

        summary.front.push_back(
            {name, front[j].xbIndex, front[j].jm, centresByCluster(front[j], globals.bandCount)});
        pictures.front.push_back({name, front[j].xbIndex, front[j].jm});
    }
    if (!frontFile.Close()) {
        std::remove(kFrontFileName);
        throw UserError(std::string("Cannot write the whole file \"") + kFrontFileName + "\".");
    }
    const std::int64_t outputEnd = platform::tickMilliseconds();

    summary.searchSeconds = secondsBetween(searchStart, outputStart);
    summary.outputSeconds = secondsBetween(outputStart, outputEnd);
    WriteRunSummary(summary, RunSummaryPath(parameters.outputPath));
    if (options.pictures) WriteResultPictures(pictures);
}

}  // namespace tavorin
