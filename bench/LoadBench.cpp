// The input stage on a large scene: how long reading it takes and how much memory it needs,
// for the same pixels as ENVI and as GeoTIFF.
// Usage: load_bench make <base> <side>   writes <base>.img/.hdr (the bundled scene tiled to
//                                        side x side x 6 bytes), <base>.tif (as gdal_translate
//                                        writes it) and <base>_deflate.tif (tiled, DEFLATE,
//                                        pixel-interleaved)
//        load_bench read <image>         prints "<read s> <prepare s> <peak resident MB>":
//                                        reading it, then preparing the search's pixels and
//                                        bounds
//        load_bench floor <side>         prints "<seconds>" of merely allocating the
//                                        side x side x 6 doubles that hold such a scene
#include <gdal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchSupport.h"
#include "driver/InputStage.h"
#include "image/GdalSupport.h"
#include "platform/LargeBuffer.h"

namespace {

void makeScenes(const std::string& base, std::size_t side) {
    constexpr std::size_t kSourceSide = 400;
    constexpr std::size_t kBands = 6;
    const std::string source =
        tavorin::bench::ReadFileBytes(tavorin::bench::DataDir() + "/landsat_scene01.img");
    std::string raw(side * side * kBands, '\0');
    std::size_t i = 0;
    for (std::size_t b = 0; b < kBands; ++b) {
        for (std::size_t line = 0; line < side; ++line) {
            for (std::size_t sample = 0; sample < side; ++sample) {
                raw[i++] = source[(b * kSourceSide + line % kSourceSide) * kSourceSide +
                                  sample % kSourceSide];
            }
        }
    }
    tavorin::bench::WriteFileBytes(base + ".img", raw);
    const std::string sideText = std::to_string(side);
    tavorin::bench::WriteFileBytes(base + ".hdr", "ENVI\nsamples = " + sideText +
                                                      "\nlines = " + sideText +
                                                      "\nbands = 6\nheader offset = 0\n"
                                                      "data type = 1\ninterleave = bsq\n"
                                                      "byte order = 0\n");
    tavorin::gdal::RegisterDrivers();
    GDALDatasetH envi = GDALOpen((base + ".img").c_str(), GA_ReadOnly);
    GDALDriverH gtiff = GDALGetDriverByName("GTiff");
    const char* const plain[] = {"INTERLEAVE=BAND", nullptr};
    const char* const deflate[] = {"TILED=YES", "COMPRESS=DEFLATE", "INTERLEAVE=PIXEL", nullptr};
    GDALClose(GDALCreateCopy(gtiff, (base + ".tif").c_str(), envi, FALSE, const_cast<char**>(plain),
                             nullptr, nullptr));
    GDALClose(GDALCreateCopy(gtiff, (base + "_deflate.tif").c_str(), envi, FALSE,
                             const_cast<char**>(deflate), nullptr, nullptr));
    GDALClose(envi);
}

void readScene(const std::string& path) {
    tavorin::RunParameters parameters;
    parameters.inputPath = path;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    tavorin::InputImage image = tavorin::ReadInputImage(path);
    const auto read = Clock::now();
    const tavorin::RunGlobals globals =
        tavorin::MakeRunGlobals(parameters, image.description.lines, image.description.samples,
                                image.description.bands, std::move(image.bandData));
    const std::chrono::duration<double> readSeconds = read - start;
    const std::chrono::duration<double> prepareSeconds = Clock::now() - read;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.3f %.3f %.1f\n", readSeconds.count(), prepareSeconds.count(),
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    if (globals.pixelCount() == 0) std::printf("no pixels\n");
}

// The floor of any reading into doubles: the memory they take, handed out (in huge pages where
// the system has them, as the readers ask) and zero-filled.
void allocationFloor(std::size_t side) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<double> values = tavorin::platform::LargeZeroedDoubles(side * side * 6);
    double sum = 0.0;
    for (std::size_t i = 0; i < values.size(); i += 512) sum += values[i];
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", seconds.count() + sum);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "make" && argc == 4) {
            makeScenes(argv[2], std::stoul(argv[3]));
        } else if (command == "floor" && argc == 3) {
            allocationFloor(std::stoul(argv[2]));
        } else if (command == "read" && argc == 3) {
            readScene(argv[2]);
        } else {
            std::cerr << "usage: load_bench make <base> <side> | read <image> | floor <side>\n";
            return 2;
        }
    } catch (const std::exception& error) {
        std::cerr << "load_bench: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
