#include "driver/ResultOutput.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "driver/AssignLabels.h"
#include "driver/InputStage.h"
#include "driver/MapFormat.h"
#include "driver/OutputTargets.h"
#include "image/GeoTiffMap.h"
#include "platform/Clock.h"
#include "platform/FileOutput.h"
#include "platform/NumberText.h"
#include "platform/ResultTransaction.h"
#include "platform/UserError.h"
#include "platform/UserInterface.h"
#include "report/ClassStatistics.h"
#include "report/CommonLegend.h"
#include "report/FrontKnee.h"
#include "report/PixelArea.h"
#include "report/QuickLookPng.h"
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

// Which map to look at first, and the legend that colours every map alike.
struct FrontChoice {
    std::optional<std::size_t> recommended;
    std::optional<std::size_t> bestXieBeni;
    std::vector<ClusterCentres> centres;    // of each member
    std::vector<std::vector<int>> legends;  // of each member
};

FrontChoice ChooseFromFront(const std::vector<CSolution>& front, int bandCount) {
    FrontChoice choice;
    std::vector<FrontObjectives> objectives;
    for (const CSolution& member : front) {
        objectives.push_back({member.xbIndex, member.jm});
        choice.centres.push_back(centresByCluster(member, bandCount));
    }
    choice.recommended = FrontKneeMember(objectives);
    choice.bestXieBeni = BestXieBeniMember(objectives);
    if (choice.recommended) choice.legends = FrontLegends(choice.centres, *choice.recommended);
    return choice;
}

}  // namespace

void WriteClassificationResults(const RunState& run, const RunParameters& parameters,
                                const RunOptions& options, const CEnviImage& input,
                                const std::vector<CSolution>& front, double searchSeconds,
                                PixelSlices* slices, const SliceInput* ownSlice) {
    const RunGlobals& globals = run.globals;
    const std::int64_t outputStart = platform::tickMilliseconds();
    std::vector<unsigned char> labels(static_cast<std::size_t>(globals.imagePixelCount()), 0);
    const bool leftOut = globals.leftOut != nullptr;
    platform::ResultTransaction results;
    // Closed before the closing messages, which follow it on a terminal.
    std::optional<platform::ProgressWindow> progress;
    progress.emplace(run.ui, "QUELDRA_output", 0, static_cast<int>(front.size()), 1);

    CEnviImage output;
    output.georeferenceEntries = input.georeferenceEntries;
    // Class 0 marks the pixels left out, for readers that honour a nodata value.
    if (leftOut) output.bandNodata = {0.0};
    GeoTiffMap geoTiff;
    if (options.format == MapFormat::GeoTiff) {
        geoTiff.lines = globals.lineCount;
        geoTiff.samples = globals.sampleCount;
        geoTiff.classes = globals.clusterNumber + 1;
        geoTiff.zeroIsNodata = leftOut;
        // An ENVI input's header georeference, as GDAL reads it.
        geoTiff.georeference =
            input.format == "ENVI" ? ReadGeoreference(input.fileName) : input.georeference;
    }
    const FrontChoice choice = ChooseFromFront(front, globals.bandCount);
    const std::optional<PixelArea> pixelArea = PixelAreaInMetres(input.georeference);
    const std::optional<double> pixelSquareMetres =
        pixelArea ? std::optional<double>(pixelArea->squareMetres) : std::nullopt;
    RunSummary summary;
    summary.parameters = parameters;
    summary.pixelArea = pixelArea;
    summary.recommended = choice.recommended;
    summary.bestXieBeni = choice.bestXieBeni;
    summary.seed = options.seed;
    summary.threads = options.threads;
    summary.input = input;
    summary.nodata = options.nodata;
    summary.bandNodata = globals.bandNodata;
    summary.imagePixels = globals.imagePixelCount();
    if (globals.leftOut) {
        summary.leftOutNodata = globals.leftOut->nodataCount;
        summary.leftOutNonFinite = globals.leftOut->nonFiniteCount;
    }
    ResultPicturesInput pictures;
    pictures.parameters = parameters;
    pictures.seed = options.seed.value_or(0);
    pictures.input = input;
    pictures.bandData = globals.bandData.get();
    // A split run's process holds its own slice: the picture's bands come from every slice.
    BandSamples pictureBands;
    if (slices != nullptr && options.pictures) {
        pictureBands =
            GatherLeadingBands(*slices, *globals.bandData, globals.heldPixels(),
                               InputPictureBands(globals.bandCount), globals.pixelCount());
        pictures.bandData = &pictureBands;
    }
    pictures.geoTiffMaps = options.format == MapFormat::GeoTiff;
    if (globals.leftOut) pictures.searched = globals.leftOut->searched;
    pictures.recommended = choice.recommended;
    pictures.pixelsText = LeftOutPixelsMessage(globals).value_or(
        "All " + platform::formatInt(globals.imagePixelCount()) +
        " pixels are classified; no nodata value applies.");
    std::string frontList;
    std::set<std::string> written;  // the maps' files this run puts in place

    try {
        for (std::size_t j = 0; j < front.size(); ++j) {
            progress->Step();
            run.ThrowIfInterrupted();
            const std::string name = MapFileName(parameters.outputPath, j, options.format);
            if (slices != nullptr) {
                AssignSlicedLabels(*slices, *ownSlice, run.evaluator, front[j], labels.data());
            } else {
                AssignLabels(globals, run.evaluator, front[j], labels.data());
            }
            const std::vector<ClassStatistic> classes = MapClassStatistics(
                CountLabels(labels, globals.clusterNumber), choice.legends[j], pixelSquareMetres);
            if (options.format == MapFormat::GeoTiff) {
                geoTiff.labels = labels;
                const GeoTiffMapFiles files = MakeGeoTiffMap(geoTiff);
                results.Write(name, files.tiff);
                if (!files.auxiliaryXml.empty()) {
                    results.Write(name + ".aux.xml", files.auxiliaryXml);
                    written.insert(name + ".aux.xml");
                }
            } else {
                output.SetGeometry(1, globals.lineCount, globals.sampleCount, 1, name);
                output.classes = globals.clusterNumber + 1;
                // The image before its header and its line of the list, in writing and in
                // placing.
                results.Write(name, {reinterpret_cast<const char*>(labels.data()), labels.size()});
                results.Write(CEnviImage::OutputHeaderFileName(name),
                              platform::CrLfText(output.HeaderText()));
                written.insert(CEnviImage::OutputHeaderFileName(name));
            }
            written.insert(name);
            frontList += platform::formatFixed(front[j].xbIndex) + "\t" +
                         platform::formatFixed(front[j].jm) + "\n";
            summary.front.push_back({name, front[j].xbIndex, front[j].jm, choice.centres[j],
                                     choice.legends[j], classes});
            pictures.front.push_back(
                {name, front[j].xbIndex, front[j].jm, choice.legends[j], classes});
        }
        // The pictures read the maps back from their files; an image-sized buffer less.
        std::vector<unsigned char>().swap(labels);
        geoTiff.labels = {};
        const std::int64_t outputEnd = platform::tickMilliseconds();
        summary.searchSeconds = searchSeconds;
        summary.outputSeconds = platform::secondsBetween(outputStart, outputEnd);

        if (options.pictures) {
            for (const std::string& file : WriteResultPictures(pictures, results).files) {
                written.insert(file);
            }
        }
        // The summary and the list last, so that whatever names a result comes after it.
        results.Write(RunSummaryPath(parameters.outputPath), FormatRunSummary(summary));
        results.Write(kFrontFileName, platform::CrLfText(frontList));
        run.ThrowIfInterrupted();
    } catch (const platform::RunInterrupted&) {
        throw;
    } catch (const UserError& error) {
        throw UserError(std::string(error.what()) +
                        "\nNo result was written; earlier results in the folder are as they were.");
    }
    results.Commit();
    progress.reset();

    const std::vector<std::string> earlier = EarlierRunMapFiles(parameters.outputPath, written);
    if (const auto warning = EarlierRunMapsWarning(earlier)) {
        run.ui.ShowMessage(*warning, platform::MessageKind::Information);
    }
    if (choice.recommended) {
        run.ui.ShowNote("Recommended: " +
                        MapFileName(parameters.outputPath, *choice.recommended, options.format) +
                        " (knee of the front)");
    }
}

}  // namespace tavorin
