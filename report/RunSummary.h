#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "evolution/RunParameters.h"
#include "image/CEnviImage.h"
#include "image/LeftOutPixels.h"
#include "report/ClassStatistics.h"
#include "report/PixelArea.h"

namespace tavorin {

// One member of the final front as the summary lists it.
struct RunSummaryMember {
    std::string file;  // its classification image
    double xbIndex = 0.0;
    double jm = 0.0;
    std::vector<std::vector<double>> centres;  // K centres of one value per band
    std::vector<int> legend;                   // the legend class of each label 1..K
    std::vector<ClassStatistic> classes;       // labels 1..K
};

// Everything a finished run reports in its machine-readable summary.
struct RunSummary {
    RunParameters parameters;
    std::optional<std::uint32_t> seed;  // the seed the generator started from
    int threads = 1;
    CEnviImage input;  // the input image's description
    // The pixels classified and those left out, and the nodata values that left them out.
    NodataRule nodata;
    std::vector<std::optional<double>> bandNodata;  // applied to each band; empty: none
    long long imagePixels = 0;
    long long leftOutNodata = 0;
    long long leftOutNonFinite = 0;
    std::optional<PixelArea> pixelArea;  // when the map units are metres
    double searchSeconds = 0.0;
    double outputSeconds = 0.0;
    std::vector<RunSummaryMember> front;  // in the order of "FinalPF.txt"
    // Places in `front`: the knee of the front and the smallest Xie–Beni index.
    std::optional<std::size_t> recommended;
    std::optional<std::size_t> bestXieBeni;
};

// "<output path>_summary.json".
std::string RunSummaryPath(const std::string& outputPath);

// The summary as JSON text. Finite numbers are written in their shortest form that reads back
// to the same double; infinities and NaN, which JSON has no number for, are written as the
// strings "inf", "-inf" and "nan".
std::string FormatRunSummary(const RunSummary& summary);

// Writes the summary to `path`; throws UserError naming the file when it cannot be written
// completely (a partly written file is removed).
void WriteRunSummary(const RunSummary& summary, const std::string& path);

}  // namespace tavorin
