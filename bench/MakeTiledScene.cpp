// Writes the bundled 400 x 400 x 6 Landsat scene tiled 5 x 5 times, a 2000 x 2000 x 6 byte
// image with its ENVI header, for the memory and speed figures of bench/run.
// Usage: make_tiled_scene <base>   (writes <base>.img and <base>.hdr)
#include <cstddef>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/TiledScene.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_tiled_scene <base>\n";
        return 2;
    }
    try {
        constexpr std::size_t kSide = 400;
        constexpr std::size_t kBands = 6;
        constexpr std::size_t kRepeat = 5;
        const std::string bytes =
            tavorin::bench::ReadFileBytes(tavorin::bench::DataDir() + "/landsat_scene01.img");
        std::vector<double> source(bytes.begin(), bytes.end());
        for (std::size_t i = 0; i < bytes.size(); ++i)
            source[i] = static_cast<unsigned char>(bytes[i]);
        const std::vector<double> tiled =
            tavorin::bench::TileScene(source, kSide, kSide, kBands, kRepeat);
        std::string raw(tiled.size(), '\0');
        for (std::size_t i = 0; i < tiled.size(); ++i)
            raw[i] = static_cast<char>(static_cast<unsigned char>(tiled[i]));
        const std::string base = argv[1];
        tavorin::bench::WriteFileBytes(base + ".img", raw);
        const std::string side = std::to_string(kSide * kRepeat);
        tavorin::bench::WriteFileBytes(
            base + ".hdr", "ENVI\nsamples = " + side + "\nlines = " + side +
                               "\nbands = 6\nheader offset = 0\nfile type = ENVI Standard\n"
                               "data type = 1\ninterleave = bsq\nbyte order = 0\n");
    } catch (const std::exception& error) {
        std::cerr << "make_tiled_scene: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
