#include "report/ResultPictures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <stdexcept>
#include <string_view>

#include "image/GeoTiffMap.h"
#include "platform/FileOutput.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"
#include "report/FrontPlotSvg.h"
#include "report/QuickLookPng.h"
#include "report/ReportPage.h"

namespace tavorin {
namespace {

// Thumbnails in the report's table and the input picture in the report; the PNG files beside
// the maps keep one pixel per pixel.
constexpr int kThumbnailSide = 160;
constexpr int kReportInputSide = 800;
constexpr int kRecommendedSide = 800;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

void Write(platform::ResultTransaction& results, const std::string& path,
           const std::vector<std::uint8_t>& bytes) {
    results.Write(path,
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::uint8_t> ReadClassification(const std::string& path, std::size_t pixelCount,
                                             bool geoTiff) {
    if (geoTiff) return ReadMapLabels(path, pixelCount);
    std::vector<std::uint8_t> labels(pixelCount);
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(labels.data()), static_cast<std::streamsize>(pixelCount));
    if (!file || static_cast<std::size_t>(file.gcount()) != pixelCount) {
        throw UserError("Cannot read the classification image " + Quoted(path) + ".");
    }
    return labels;
}

std::vector<std::uint8_t> Encode(const PictureRows& rows, const std::string& path) {
    try {
        return EncodePng(rows);
    } catch (const std::exception& error) {
        throw UserError("Cannot write the whole file " + Quoted(path) + " (" + error.what() + ").");
    }
}

std::string InputCaption(int bands) {
    const DisplayBands shown = ChooseDisplayBands(bands);
    const std::string stretch = "stretched between its 2nd and 98th percentile.";
    if (shown.grey) return "Band 1 as grey, " + stretch;
    return "Bands " + platform::formatInt(shown.band[0] + 1) + ", " +
           platform::formatInt(shown.band[1] + 1) + ", " + platform::formatInt(shown.band[2] + 1) +
           " as red, green and blue, each " + stretch;
}

// The PNG of a smaller copy, or the same bytes when the picture already fits.
std::vector<std::uint8_t> ShrunkPng(const PictureRows& rows, const std::vector<std::uint8_t>& png,
                                    int maxSide, const std::string& path) {
    if (rows.width <= maxSide && rows.height <= maxSide) return png;
    const Picture shrunk = ScaledDown(rows, maxSide);
    return Encode(RowsOf(shrunk), path);
}

}  // namespace

ResultPicturesOutput WriteResultPictures(const ResultPicturesInput& input,
                                         platform::ResultTransaction& results) {
    const CEnviImage& image = input.input;
    const std::size_t pixelCount =
        static_cast<std::size_t>(image.lines) * static_cast<std::size_t>(image.samples);
    if (input.bandData == nullptr) throw std::invalid_argument("the pictures need the band data");
    const std::string& outputPath = input.parameters.outputPath;
    const std::string inputPngPath = outputPath + "_input.png";
    const std::string frontSvgPath = outputPath + "_front.svg";
    const std::string reportPath = outputPath + "_report.html";

    std::vector<std::string> files;
    ReportPageContent report;
    report.parameters = input.parameters;
    report.seed = input.seed;
    report.samples = image.samples;
    report.lines = image.lines;
    report.bands = image.bands;
    report.dataType = image.dataType;
    report.format = image.format;
    report.sampleType = image.sampleType;
    report.pixelsText = input.pixelsText;

    for (const FrontMemberResult& member : input.front) {
        const std::string pngPath =
            (input.geoTiffMaps ? std::filesystem::path(member.imageFile).replace_extension()
                               : std::filesystem::path(member.imageFile))
                .string() +
            ".png";
        // A map of this run may still wait under its temporary name.
        const std::string staged = results.TemporaryPathOf(member.imageFile);
        const std::vector<std::uint8_t> labels = ReadClassification(
            staged.empty() ? member.imageFile : staged, pixelCount, input.geoTiffMaps);
        const PictureRows map =
            ClassMapRows(labels, image.lines, image.samples, input.parameters.clusterNumber + 1,
                         !input.searched.empty(), member.legend);
        const std::vector<std::uint8_t> png = Encode(map, pngPath);
        Write(results, pngPath, png);
        files.push_back(pngPath);
        if (input.recommended == report.front.size()) {
            report.recommendedPng = ShrunkPng(map, png, kRecommendedSide, pngPath);
        }
        report.front.push_back({std::filesystem::path(member.imageFile).filename().string(),
                                member.xbIndex, member.jm,
                                ShrunkPng(map, png, kThumbnailSide, pngPath), member.classes});
    }
    report.recommended = input.recommended;
    report.pixelsLeftOut = !input.searched.empty();

    // Drawn a row at a time as it is encoded: a whole scene's RGB copy would cost half its
    // samples again.
    const PictureRows picture = InputPictureRows(*input.bandData, InputPictureBands(image.bands),
                                                 image.lines, image.samples, input.searched);
    const std::vector<std::uint8_t> inputPng = Encode(picture, inputPngPath);
    Write(results, inputPngPath, inputPng);
    files.push_back(inputPngPath);
    report.inputPng = ShrunkPng(picture, inputPng, kReportInputSide, inputPngPath);
    report.inputCaption = InputCaption(image.bands);

    report.frontSvg = RenderFrontPlotSvg(input.front, input.recommended);
    results.Write(frontSvgPath, report.frontSvg);
    results.Write(reportPath, RenderReportPage(report));
    files.push_back(frontSvgPath);
    files.push_back(reportPath);

    ResultPicturesOutput output;
    output.files = files;
    output.reportPage = reportPath;
    return output;
}

}  // namespace tavorin
