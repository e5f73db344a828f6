#pragma once

#include <cstddef>
#include <vector>

namespace tavorin::bench {

// A larger scene made by tiling a band-sequential image: band k of the result repeats band k
// of the source `repeat` times across and `repeat` times down.
inline std::vector<double> TileScene(const std::vector<double>& source, std::size_t lines,
                                     std::size_t samples, std::size_t bands, std::size_t repeat) {
    const std::size_t outLines = lines * repeat;
    const std::size_t outSamples = samples * repeat;
    std::vector<double> tiled;
    tiled.reserve(outLines * outSamples * bands);
    for (std::size_t k = 0; k < bands; ++k) {
        for (std::size_t line = 0; line < outLines; ++line) {
            const double* row = source.data() + k * lines * samples + (line % lines) * samples;
            for (std::size_t r = 0; r < repeat; ++r) tiled.insert(tiled.end(), row, row + samples);
        }
    }
    return tiled;
}

}  // namespace tavorin::bench
