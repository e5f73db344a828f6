#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "evolution/RunParameters.h"
#include "report/ClassStatistics.h"

namespace tavorin {

// One row of the report's front table; its image number is its place in the table.
struct ReportFrontRow {
    std::string fileName;  // the classification image's name, without its folder
    double xbIndex = 0.0;
    double jm = 0.0;
    std::vector<std::uint8_t> thumbnailPng;
    std::vector<ClassStatistic> classes;  // labels 1..K with their legend classes
};

// Everything the report page shows.
struct ReportPageContent {
    RunParameters parameters;
    std::uint32_t seed = 0;
    int samples = 0;
    int lines = 0;
    int bands = 0;
    int dataType = 0;
    std::string format = "ENVI";  // GDAL's driver name for an image read through GDAL
    std::string sampleType;       // GDAL's name of its sample type
    std::string pixelsText;       // how many pixels were classified and which were left out
    std::string inputCaption;     // which bands the input picture shows, and how
    std::vector<std::uint8_t> inputPng;
    std::string frontSvg;
    std::vector<ReportFrontRow> front;  // in the order of "FinalPF.txt"
    // The map shown first, large, with the legend beside it (its labels are the legend
    // classes), as its place in `front`; none: the legend alone.
    std::optional<std::size_t> recommended;
    std::vector<std::uint8_t> recommendedPng;
    bool pixelsLeftOut = false;  // label 0 marks pixels left out, transparent in the maps
};

// One self-contained HTML page (pictures embedded as data: URIs) that is also well-formed XML.
std::string RenderReportPage(const ReportPageContent& content);

}  // namespace tavorin
