#include "report/ReportPage.h"

#include <cstddef>

#include "image/CEnviImage.h"
#include "image/ClassColours.h"
#include "platform/NumberText.h"
#include "report/MarkupText.h"

namespace tavorin {
namespace {

const char* const kPageTitle = "TAVORIN classification report";

const char* const kStyle =
    "body{font-family:sans-serif;margin:24px;color:#1a1a1a;background:#ffffff}"
    "h1{font-size:22px}h2{font-size:18px;margin-top:28px}"
    "table{border-collapse:collapse}th,td{border:1px solid #c8c8c8;padding:4px 10px;"
    "text-align:left;vertical-align:middle}th{background:#f0f0f0}"
    "td.number{text-align:right;font-family:monospace}"
    "img.input{width:480px;max-width:100%;image-rendering:pixelated}"
    "img.map{width:160px;image-rendering:pixelated;display:block}"
    "img.front{max-width:100%}"
    "span.swatch{display:inline-block;width:14px;height:14px;border:1px solid #888888;"
    "vertical-align:middle;margin-right:6px}"
    "ul.legend{list-style:none;padding:0;columns:4}"
    "footer{margin-top:32px;font-size:12px;color:#666666}";

std::string Int(long long value) { return platform::formatInt(value); }

std::string PngDataUri(const std::vector<std::uint8_t>& png) {
    return "data:image/png;base64," + EncodeBase64(png);
}

void AppendParameterRow(std::string& html, const std::string& name, const std::string& value) {
    html += "<tr><th>" + EscapeMarkup(name) + "</th><td>" + EscapeMarkup(value) + "</td></tr>\n";
}

void AppendParameters(std::string& html, const ReportPageContent& content) {
    const RunParameters& parameters = content.parameters;
    std::string steps;
    for (std::size_t i = 0; i < parameters.GLS_delta.size(); ++i) {
        if (i > 0) steps += ", ";
        steps += platform::formatGeneral(parameters.GLS_delta[i]);
    }
    html += "<h2>Parameters</h2>\n<table class=\"parameters\">\n";
    AppendParameterRow(html, "Input image", parameters.inputPath);
    const std::string samplesText =
        SampleTypeText(content.format, content.dataType, content.sampleType);
    AppendParameterRow(html, "Image size",
                       Int(content.samples) + " samples \xC3\x97 " + Int(content.lines) +
                           " lines \xC3\x97 " + Int(content.bands) + " bands, " + samplesText);
    if (!content.pixelsText.empty()) AppendParameterRow(html, "Pixels", content.pixelsText);
    AppendParameterRow(html, "Output path", parameters.outputPath);
    AppendParameterRow(html, "Clusters (K)", Int(parameters.clusterNumber));
    AppendParameterRow(html, "Population size", Int(parameters.popSize));
    AppendParameterRow(html, "Generations", Int(parameters.iGenerations));
    AppendParameterRow(html, "FLS", platform::formatGeneral(parameters.FLS));
    AppendParameterRow(html, "GLS_delta", steps);
    AppendParameterRow(html, "Seed", Int(content.seed));
    html += "</table>\n";
}

void AppendInput(std::string& html, const ReportPageContent& content) {
    html += "<h2>Input</h2>\n<figure>\n<img class=\"input\" src=\"" + PngDataUri(content.inputPng) +
            "\" alt=\"input image\"/>\n<figcaption>" + EscapeMarkup(content.inputCaption) +
            "</figcaption>\n</figure>\n";
}

void AppendFront(std::string& html, const ReportPageContent& content) {
    html += "<h2>Final Pareto front</h2>\n<img class=\"front\" src=\"data:image/svg+xml;base64," +
            EncodeBase64(content.frontSvg) + "\" alt=\"plot of the final Pareto front\"/>\n";
    html +=
        "<table class=\"front\">\n<thead><tr><th>Image</th><th>File</th><th>xbIndex</th>"
        "<th>jm</th><th>Map</th></tr></thead>\n<tbody>\n";
    for (std::size_t j = 0; j < content.front.size(); ++j) {
        const ReportFrontRow& row = content.front[j];
        const std::string number = Int(static_cast<long long>(j));
        html += "<tr><td class=\"number\">" + number + "</td><td>" + EscapeMarkup(row.fileName) +
                "</td><td class=\"number\">" + platform::formatFixed(row.xbIndex) +
                "</td><td class=\"number\">" + platform::formatFixed(row.jm) +
                "</td><td><img class=\"map\" src=\"" + PngDataUri(row.thumbnailPng) +
                "\" alt=\"map of image " + number + "\"/></td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
}

void AppendLegend(std::string& html, int classes) {
    html += "<h2>Class colours</h2>\n<ul class=\"legend\">\n";
    // Class numbers are bytes in the maps.
    for (int c = 0; c < classes && c < 256; ++c) {
        const ClassColour& colour =
            classColourTable[static_cast<std::size_t>(c) % classColourTable.size()];
        html += "<li><span class=\"swatch\" style=\"background:rgb(" + Int(colour.red) + "," +
                Int(colour.green) + "," + Int(colour.blue) + ")\"></span>" +
                (c == 0 ? std::string("0 (unclassified)") : "cluster " + Int(c)) + "</li>\n";
    }
    html += "</ul>\n";
}

}  // namespace

std::string RenderReportPage(const ReportPageContent& content) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n";
    html += std::string("<title>") + kPageTitle + "</title>\n<style>" + kStyle + "</style>\n";
    html += "</head>\n<body>\n";
    html += std::string("<h1>") + kPageTitle + "</h1>\n";
    AppendParameters(html, content);
    AppendInput(html, content);
    AppendFront(html, content);
    AppendLegend(html, content.parameters.clusterNumber + 1);
    html += "<footer>Written by TAVORIN " + EscapeMarkup(TAVORIN_VERSION) + ".</footer>\n";
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace tavorin
