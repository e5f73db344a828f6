#include "report/RunSummary.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/FileOutput.h"
#include "platform/UserError.h"
#include "platform/Utf8Text.h"

namespace tavorin {
namespace {

using Json = nlohmann::ordered_json;

Json number(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return value;
}

Json numbers(const std::vector<double>& values) {
    Json list = Json::array();
    for (double value : values) list.push_back(number(value));
    return list;
}

const char* interleaveName(CEnviImage::Interleave interleave) {
    switch (interleave) {
        case CEnviImage::Interleave::Bil:
            return "bil";
        case CEnviImage::Interleave::Bip:
            return "bip";
        case CEnviImage::Interleave::Bsq:
            break;
    }
    return "bsq";
}

Json parametersJson(const RunParameters& parameters) {
    Json json;
    json["inputPath"] = platform::Utf8OrEscaped(parameters.inputPath);
    json["outputPath"] = platform::Utf8OrEscaped(parameters.outputPath);
    json["clusterNumber"] = parameters.clusterNumber;
    json["popSize"] = parameters.popSize;
    json["iGenerations"] = parameters.iGenerations;
    json["FLS"] = number(parameters.FLS);
    json["GLS_delta"] = numbers({parameters.GLS_delta.begin(), parameters.GLS_delta.end()});
    return json;
}

Json imageJson(const CEnviImage& image) {
    Json json;
    json["file"] = platform::Utf8OrEscaped(image.fileName);
    json["samples"] = image.samples;
    json["lines"] = image.lines;
    json["bands"] = image.bands;
    json["dataType"] = image.dataType;
    json["interleave"] = interleaveName(image.interleave);
    json["byteOrder"] = image.byteOrder;
    json["headerOffset"] = image.headerOffset;
    json["format"] = image.format;
    json["sampleType"] = image.sampleType;
    return json;
}

const char* nodataRuleName(NodataRule::Source source) {
    switch (source) {
        case NodataRule::Source::None:
            return "none";
        case NodataRule::Source::Given:
            return "given";
        case NodataRule::Source::Declared:
            break;
    }
    return "declared";
}

Json pixelsJson(const RunSummary& summary) {
    Json json;
    const long long leftOut = summary.leftOutNodata + summary.leftOutNonFinite;
    json["total"] = summary.imagePixels;
    json["classified"] = summary.imagePixels - leftOut;
    json["leftOut"] = {{"nodata", summary.leftOutNodata}, {"nonFinite", summary.leftOutNonFinite}};
    json["nodataRule"] = nodataRuleName(summary.nodata.source);
    Json values = Json::array();
    for (const auto& value : summary.bandNodata) values.push_back(value ? number(*value) : Json());
    json["nodataValues"] = std::move(values);
    if (summary.pixelArea) {
        json["pixelArea"] = {{"x", number(summary.pixelArea->x)},
                             {"y", number(summary.pixelArea->y)},
                             {"units", "metres"}};
    }
    return json;
}

Json memberJson(const RunSummaryMember& member) {
    Json json;
    json["file"] = platform::Utf8OrEscaped(member.file);
    json["xbIndex"] = number(member.xbIndex);
    json["jm"] = number(member.jm);
    Json centres = Json::array();
    for (const std::vector<double>& centre : member.centres) centres.push_back(numbers(centre));
    json["centres"] = std::move(centres);
    json["legend"] = member.legend;
    Json classes = Json::array();
    for (const ClassStatistic& statistic : member.classes) {
        const auto area = [](const std::optional<double>& value) {
            return value ? number(*value) : Json(nullptr);
        };
        classes.push_back({{"label", statistic.label},
                           {"legendClass", statistic.legendClass},
                           {"pixels", statistic.pixels},
                           {"share", number(statistic.share)},
                           {"hectares", area(statistic.hectares)},
                           {"squareKilometres", area(statistic.squareKilometres)}});
    }
    json["classes"] = std::move(classes);
    return json;
}

}  // namespace

std::string RunSummaryPath(const std::string& outputPath) { return outputPath + "_summary.json"; }

std::string FormatRunSummary(const RunSummary& summary) {
    Json json;
    json["tool"] = "TAVORIN";
    json["version"] = TAVORIN_VERSION;
    json["parameters"] = parametersJson(summary.parameters);
    json["seed"] = summary.seed ? Json(*summary.seed) : Json(nullptr);
    json["threads"] = summary.threads;
    json["image"] = imageJson(summary.input);
    json["pixels"] = pixelsJson(summary);
    json["timings"] = {{"searchSeconds", number(summary.searchSeconds)},
                       {"outputSeconds", number(summary.outputSeconds)}};
    const auto place = [](const std::optional<std::size_t>& member) {
        return member ? Json(*member) : Json(nullptr);
    };
    json["recommended"] = place(summary.recommended);
    json["bestXieBeni"] = place(summary.bestXieBeni);
    Json front = Json::array();
    for (const RunSummaryMember& member : summary.front) front.push_back(memberJson(member));
    json["front"] = std::move(front);
    return json.dump(2) + "\n";
}

void WriteRunSummary(const RunSummary& summary, const std::string& path) {
    platform::WriteWholeFile(path, FormatRunSummary(summary));
}

}  // namespace tavorin
