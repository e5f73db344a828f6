#include "report/ReportPage.h"

#include <charconv>
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
    "div.recommended{display:flex;flex-wrap:wrap;gap:24px;align-items:flex-start}"
    "img.recommended{width:640px;max-width:100%;image-rendering:pixelated}"
    "tr.recommended td{background:#fff4d6}"
    "td.shares{font-family:monospace;font-size:12px;line-height:18px}"
    "footer{margin-top:32px;font-size:12px;color:#666666}";

std::string Int(long long value) { return platform::formatInt(value); }

// `value` with `decimals` digits after the point, whatever the locale.
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return platform::formatGeneral(value);
    return std::string(text, result.ptr);
}

std::string Percent(double share) { return Fixed(share * 100.0, 1) + "%"; }

std::string Swatch(int legendClass) {
    const ClassColour& colour =
        classColourTable[static_cast<std::size_t>(legendClass) % classColourTable.size()];
    return "<span class=\"swatch\" style=\"background:rgb(" + Int(colour.red) + "," +
           Int(colour.green) + "," + Int(colour.blue) + ")\"></span>";
}

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

// Each legend class's share of one map, in legend order, one per line.
std::string SharesByLegendClass(const std::vector<ClassStatistic>& classes) {
    std::vector<const ClassStatistic*> byLegend(classes.size() + 1, nullptr);
    for (const ClassStatistic& statistic : classes) {
        const auto c = static_cast<std::size_t>(statistic.legendClass);
        if (c >= 1 && c < byLegend.size()) byLegend[c] = &statistic;
    }
    std::string html;
    for (std::size_t c = 1; c < byLegend.size(); ++c) {
        if (byLegend[c] == nullptr) continue;
        if (!html.empty()) html += "<br/>";
        html += Swatch(static_cast<int>(c)) + Percent(byLegend[c]->share);
    }
    return html;
}

void AppendFront(std::string& html, const ReportPageContent& content) {
    html += "<h2>Final Pareto front</h2>\n<img class=\"front\" src=\"data:image/svg+xml;base64," +
            EncodeBase64(content.frontSvg) + "\" alt=\"plot of the final Pareto front\"/>\n";
    html +=
        "<table class=\"front\">\n<thead><tr><th>Image</th><th>File</th><th>xbIndex</th>"
        "<th>jm</th><th>Map</th><th>Class shares</th></tr></thead>\n<tbody>\n";
    for (std::size_t j = 0; j < content.front.size(); ++j) {
        const ReportFrontRow& row = content.front[j];
        const std::string number = Int(static_cast<long long>(j));
        html += std::string(content.recommended == j ? "<tr class=\"recommended\">" : "<tr>") +
                "<td class=\"number\">" + number + "</td><td>" + EscapeMarkup(row.fileName) +
                "</td><td class=\"number\">" + platform::formatFixed(row.xbIndex) +
                "</td><td class=\"number\">" + platform::formatFixed(row.jm) +
                "</td><td><img class=\"map\" src=\"" + PngDataUri(row.thumbnailPng) +
                "\" alt=\"map of image " + number + "\"/></td><td class=\"shares\">" +
                SharesByLegendClass(row.classes) + "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
}

// The colours of classes 0..classes-1 alone, for a run without a map to show.
void AppendColourList(std::string& html, int classes) {
    html += "<h2>Class colours</h2>\n<ul class=\"legend\">\n";
    // Class numbers are bytes in the maps.
    for (int c = 0; c < classes && c < 256; ++c) {
        html += "<li>" + Swatch(c) +
                (c == 0 ? std::string("0 (unclassified)") : "cluster " + Int(c)) + "</li>\n";
    }
    html += "</ul>\n";
}

// The legend: each class's colour with its pixels, share and area in the recommended map.
void AppendLegendTable(std::string& html, const std::vector<ClassStatistic>& classes,
                       bool pixelsLeftOut) {
    const bool areas = !classes.empty() && classes.front().hectares.has_value();
    html += "<table class=\"legend\">\n<thead><tr><th>Class</th><th>Pixels</th><th>Share</th>";
    if (areas) html += "<th>Hectares</th><th>km\xC2\xB2</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (const ClassStatistic& statistic : classes) {
        html += "<tr><td>" + Swatch(statistic.legendClass) + "class " + Int(statistic.legendClass) +
                "</td><td class=\"number\">" + Int(statistic.pixels) +
                "</td><td class=\"number\">" + Percent(statistic.share) + "</td>";
        if (areas) {
            html += "<td class=\"number\">" + Fixed(statistic.hectares.value_or(0.0), 2) +
                    "</td><td class=\"number\">" +
                    Fixed(statistic.squareKilometres.value_or(0.0), 4) + "</td>";
        }
        html += "</tr>\n";
    }
    if (pixelsLeftOut) {
        html += "<tr><td>" + Swatch(0) + "0 (unclassified, transparent)</td><td colspan=\"" +
                Int(areas ? 4 : 2) + "\">left out of the classification</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
}

// The recommended map, large, with the legend beside it: the colours every map is drawn in.
void AppendRecommended(std::string& html, const ReportPageContent& content) {
    const std::size_t j = *content.recommended;
    const ReportFrontRow& row = content.front[j];
    const std::string number = Int(static_cast<long long>(j));
    html += "<h2>Recommended map: image " + number + "</h2>\n<p>" + EscapeMarkup(row.fileName) +
            ", the knee of the final Pareto front (xbIndex " + platform::formatFixed(row.xbIndex) +
            ", jm " + platform::formatFixed(row.jm) +
            "). Every map of the front is drawn in this legend: clusters are matched to the "
            "classes of this map by their centres, so one land cover has one colour.</p>\n";
    html += "<div class=\"recommended\">\n<img class=\"recommended\" src=\"" +
            PngDataUri(content.recommendedPng) + "\" alt=\"recommended map, image " + number +
            "\"/>\n";
    AppendLegendTable(html, row.classes, content.pixelsLeftOut);
    html += "</div>\n";
}

}  // namespace

std::string RenderReportPage(const ReportPageContent& content) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n";
    html += std::string("<title>") + kPageTitle + "</title>\n<style>" + kStyle + "</style>\n";
    html += "</head>\n<body>\n";
    html += std::string("<h1>") + kPageTitle + "</h1>\n";
    if (content.recommended && *content.recommended < content.front.size()) {
        AppendRecommended(html, content);
    } else {
        AppendColourList(html, content.parameters.clusterNumber + 1);
    }
    AppendParameters(html, content);
    AppendInput(html, content);
    AppendFront(html, content);
    html += "<footer>Written by TAVORIN " + EscapeMarkup(TAVORIN_VERSION) + ".</footer>\n";
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace tavorin
