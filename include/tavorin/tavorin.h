#pragma once

// The TAVORIN core for other programs: read an image, classify it without training data by the
// multi-objective memetic fuzzy clustering search, and take the classification maps of the
// final Pareto front. Link with the CMake target tavorin::core (find_package(tavorin)).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tavorin/Error.h"

namespace tavorin {

// The library's version, "major.minor.patch".
std::string Version();

// A multi-band image held in memory.
struct Image {
    int lines = 0;
    int samples = 0;
    int bands = 0;
    // band b of pixel p = line * samples + sample at bandData[b * lines * samples + p]
    std::vector<double> bandData;
    // The georeference of the source header ("map info = {...}" and the like), one entry per
    // line; the commands copy them into the headers of the maps they write.
    std::vector<std::string> georeferenceEntries;
    int dataType = 1;  // the source's ENVI data type code
    // Each band's nodata value (empty: none). A pixel whose every band with a value holds it,
    // or with a NaN or infinite sample, is left out of the classification and labelled 0.
    std::vector<std::optional<double>> bandNodata;
};

// Reads an image as the commands read it: an ENVI image (a raw file and the ".hdr" header
// beside it) or any raster GDAL reads, with its declared nodata values. Throws Error with the
// commands' message when the image cannot be read or used.
Image ReadImage(const std::string& path);

// The same as ReadImage.
Image ReadEnviImage(const std::string& rawPath);

// What Classify does; the defaults are those of the desktop application's parameter dialog.
struct ClassifyOptions {
    int clusters = 5;      // K, 2 to 19
    int popSize = 30;      // 6 to 10000
    int generations = 50;  // 0 to 1000000
    double fls = 0.5;      // per member and generation, the probability of a local search
    std::array<double, 4> glsDelta{0.01, 0.1, 1.0, 10.0};  // the local search's step sizes
    std::optional<std::uint32_t> seed;  // none: seeded from the clock (the result names it)
    int threads = 1;                    // evaluations side by side; results never depend on it
    // Called as each long stage advances: its name and its percentage (0 to 100).
    std::function<void(const std::string& stage, int percent)> progress;
};

// One member of the final Pareto front.
struct FrontMember {
    // One per pixel, 1..K; 0 for a pixel left out or one no cluster takes.
    std::vector<unsigned char> labels;
    double xbIndex = 0.0;         // Xie-Beni index
    double jm = 0.0;              // fuzzy c-means objective
    std::vector<double> centres;  // K * bands values, centre j's band b at j * bands + b
};

struct ClassifyResult {
    std::vector<FrontMember> front;  // in the order of the commands' "FinalPF.txt"
    std::uint32_t seed = 0;          // the seed the search drew from
    long long leftOutPixels = 0;     // pixels left out of the classification
};

// Classifies `image`. Writes no file; the same options and image give equal results, in one
// process or in several. Throws Error with the commands' messages for a refused image or
// refused options.
ClassifyResult Classify(const Image& image, const ClassifyOptions& options);

}  // namespace tavorin
