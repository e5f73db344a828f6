#include "shell/RunLoader.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include <QMetaType>

#include "driver/InputStage.h"
#include "image/GeoTiffMap.h"
#include "image/Georeference.h"
#include "platform/FileOutput.h"
#include "platform/UserError.h"
#include "report/QuickLookPng.h"

namespace tavorin::shell {
namespace {

// The message of whatever a request threw.
QString FailureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Not enough memory to show this run.");
    } catch (const std::exception& error) {
        return QString::fromStdString(error.what());
    } catch (...) {
        return QStringLiteral("The run could not be shown.");
    }
}

// The linear unit a projected coordinate system's WKT names last ("metre", "US survey foot").
QString LinearUnitOf(const std::string& wkt) {
    const bool projected = wkt.rfind("PROJCS", 0) == 0 || wkt.rfind("PROJCRS", 0) == 0;
    if (!projected) return {};
    const std::size_t unit = wkt.rfind("UNIT[\"");
    if (unit == std::string::npos) return {};
    const std::size_t start = unit + 6;
    const std::size_t end = wkt.find('"', start);
    if (end == std::string::npos) return {};
    return QString::fromStdString(wkt.substr(start, end - start));
}

// The ground size of a pixel of a map lying where `georeference` says; none for an image
// without a geotransform or one in geographic coordinates (degrees give no area).
std::optional<PixelArea> PixelAreaOf(const Georeference& georeference) {
    if (!georeference.hasGeoTransform) return std::nullopt;
    const std::array<double, 6>& transform = georeference.geoTransform;
    if (transform[2] != 0.0 || transform[4] != 0.0) return std::nullopt;
    const QString units = LinearUnitOf(georeference.coordinateSystemWkt);
    if (units.isEmpty() && !georeference.coordinateSystemWkt.empty()) return std::nullopt;
    return PixelArea{transform[1], -transform[5], units};
}

// The labels as their legend classes, which the written colour table colours as shown.
std::vector<std::uint8_t> LegendLabels(const LoadedMap& map) {
    std::vector<std::uint8_t> labels(map.map.labels.size());
    std::transform(
        map.map.labels.begin(), map.map.labels.end(), labels.begin(), [&](std::uint8_t label) {
            return static_cast<std::uint8_t>(std::clamp(map.legendOfLabel[label], 0, 255));
        });
    return labels;
}

int ShownClassCount(const std::vector<std::uint8_t>& labels, const ClassMap& map) {
    int classes = std::max<int>(static_cast<int>(map.colours.size()), 1);
    for (const std::uint8_t label : labels) classes = std::max(classes, label + 1);
    return classes;
}

void WriteGeoTiff(const LoadedMap& map, const std::string& path) {
    const std::vector<std::uint8_t> labels = LegendLabels(map);
    GeoTiffMap geoTiff;
    geoTiff.labels = labels;
    geoTiff.lines = map.map.lines;
    geoTiff.samples = map.map.samples;
    geoTiff.classes = ShownClassCount(labels, map.map);
    geoTiff.zeroIsNodata = map.legend.unclassified > 0;
    geoTiff.georeference = ReadGeoreference(map.path.toStdString());
    const GeoTiffMapFiles files = MakeGeoTiffMap(geoTiff);
    platform::WriteWholeFile(path, files.tiff);
    if (!files.auxiliaryXml.empty())
        platform::WriteWholeFile(path + ".aux.xml", files.auxiliaryXml);
}

void WritePng(const LoadedMap& map, const std::string& path) {
    Picture picture;
    picture.width = map.map.samples;
    picture.height = map.map.lines;
    picture.pixels = LegendLabels(map);
    const int classes = ShownClassCount(picture.pixels, map.map);
    for (int c = 0; c < classes; ++c) picture.palette.push_back(ClassColourOf(map.map, c));
    picture.transparentIndex = 0;
    const std::vector<std::uint8_t> bytes = EncodePng(picture);
    platform::WriteWholeFile(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

}  // namespace

RunLoader::RunLoader(QObject* parent) : QObject(parent) {
    // The results travel to the user-interface thread as queued signal arguments.
    qRegisterMetaType<std::shared_ptr<const RunSummaryFile>>();
    qRegisterMetaType<std::shared_ptr<const LoadedInput>>();
    qRegisterMetaType<std::shared_ptr<const LoadedMap>>();
    qRegisterMetaType<std::uint64_t>("std::uint64_t");
    // The input and a map are read side by side.
    pool_.setMaxThreadCount(2);
}

RunLoader::~RunLoader() {
    Cancel();
    pool_.waitForDone();
}

void RunLoader::Cancel() { ++generation_; }

std::uint64_t RunLoader::LoadSummary(const QString& path) {
    const std::uint64_t generation = ++generation_;
    pool_.start([this, path, generation] {
        try {
            auto summary = std::make_shared<RunSummaryFile>(ReadRunSummaryFile(path));
            if (!summary->pixelArea) {
                for (const SummaryMember& member : summary->front) {
                    if (member.mapPath.isEmpty()) continue;
                    summary->pixelArea =
                        PixelAreaOf(ReadGeoreference(member.mapPath.toStdString()));
                    break;
                }
            }
            if (!IsStale(generation)) emit summaryLoaded(std::move(summary), generation);
        } catch (...) {
            emit summaryFailed(path, FailureText(std::current_exception()), generation);
        }
    });
    return generation;
}

void RunLoader::LoadInput(std::shared_ptr<const RunSummaryFile> summary, std::uint64_t generation) {
    pool_.start([this, summary = std::move(summary), generation] {
        try {
            InputImage image = ReadInputImage(summary->resolvedInputPath.toStdString());
            if (IsStale(generation)) return;
            if (image.description.lines != summary->lines ||
                image.description.samples != summary->samples ||
                image.description.bands != summary->bands) {
                throw UserError("The input image \"" + summary->resolvedInputPath.toStdString() +
                                "\" does not have the size the run summary gives.");
            }
            auto input = std::make_shared<LoadedInput>();
            input->bands = image.description.bands;
            input->lines = image.description.lines;
            input->samples = image.description.samples;
            input->bandData =
                std::make_shared<const std::vector<double>>(image.bandData.ToDoubles());
            image.bandData = BandSamples();
            const std::size_t pixelCount =
                static_cast<std::size_t>(input->lines) * static_cast<std::size_t>(input->samples);
            input->leftOut =
                LeftOutReasons(*input->bandData, input->bands, pixelCount, summary->nodataValues);
            const FalseColourStretch stretch = ChooseFalseColourStretch(
                *input->bandData, input->bands, pixelCount, input->leftOut);
            input->overviewStep = OverviewStep(input->lines, input->samples);
            input->overview = FalseColourImage(*input->bandData, input->lines, input->samples,
                                               input->leftOut, stretch, input->overviewStep);
            if (input->overviewStep == 1) input->full = input->overview;
            if (IsStale(generation)) return;
            emit inputLoaded(input, generation);
            if (input->overviewStep == 1) return;
            auto complete = std::make_shared<LoadedInput>(*input);
            complete->full = FalseColourImage(*input->bandData, input->lines, input->samples,
                                              input->leftOut, stretch);
            if (!IsStale(generation)) emit inputLoaded(std::move(complete), generation);
        } catch (...) {
            emit inputFailed(FailureText(std::current_exception()), generation);
        }
    });
}

void RunLoader::LoadMap(std::shared_ptr<const RunSummaryFile> summary, int member,
                        std::uint64_t generation) {
    const std::uint64_t request = ++mapRequest_;
    pool_.start([this, summary = std::move(summary), member, generation, request] {
        const auto stale = [&] { return IsStale(generation) || request != mapRequest_.load(); };
        if (stale()) return;
        try {
            const SummaryMember& entry = summary->front[static_cast<std::size_t>(member)];
            auto map = std::make_shared<LoadedMap>();
            map->member = member;
            map->path = entry.mapPath;
            map->map = ReadClassMap(entry.mapPath, summary->lines, summary->samples);
            map->legendOfLabel = LegendClassOfLabels(entry.legend);
            map->labelColours = LabelColours(map->map, map->legendOfLabel);
            map->legend = CountLegend(map->map.labels, map->map, map->legendOfLabel,
                                      summary->clusterNumber, summary->pixelArea);
            map->overviewStep = OverviewStep(summary->lines, summary->samples);
            map->overview = ClassMapImage(map->map.labels, summary->lines, summary->samples,
                                          map->labelColours, map->overviewStep);
            if (map->overviewStep == 1) map->full = map->overview;
            if (stale()) return;
            emit mapLoaded(map, generation);
            if (map->overviewStep == 1) return;
            auto complete = std::make_shared<LoadedMap>(*map);
            complete->full =
                ClassMapImage(map->map.labels, summary->lines, summary->samples, map->labelColours);
            if (!stale()) emit mapLoaded(std::move(complete), generation);
        } catch (...) {
            if (!stale()) emit mapFailed(member, FailureText(std::current_exception()), generation);
        }
    });
}

void RunLoader::ExportMap(std::shared_ptr<const LoadedMap> map, const QString& path,
                          MapExportFormat format) {
    pool_.start([this, map = std::move(map), path, format] {
        try {
            if (format == MapExportFormat::GeoTiff)
                WriteGeoTiff(*map, path.toStdString());
            else
                WritePng(*map, path.toStdString());
            emit exportFinished(true, QStringLiteral("Map written to \"%1\".").arg(path));
        } catch (...) {
            emit exportFinished(false, FailureText(std::current_exception()));
        }
    });
}

}  // namespace tavorin::shell
