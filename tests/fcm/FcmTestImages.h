#pragma once

#include <string>

#include "tests/support/TestSupport.h"

namespace tavorin::testing {

// Writes "small.img" and, unless `withHeader` is false, "small.hdr" into `folder`: an ENVI
// band-sequential image with the given geometry and raw bytes.
inline void WriteSmallImage(const std::string& folder, int samples, int lines, int bands,
                            int dataType, const std::string& rawBytes, bool withHeader = true) {
    WriteFileBytes(folder + "/small.img", rawBytes);
    if (!withHeader) return;
    WriteFileBytes(folder + "/small.hdr",
                   "ENVI\nsamples = " + std::to_string(samples) +
                       "\nlines = " + std::to_string(lines) + "\nbands = " + std::to_string(bands) +
                       "\nheader offset = 0\ndata type = " + std::to_string(dataType) +
                       "\ninterleave = bsq\nbyte order = 0\n");
}

// A 3 x 2 image of two byte bands: band 0 holds 1..6, band 1 holds 11..16, pixel by pixel.
inline void WriteThreeByTwoImage(const std::string& folder) {
    WriteSmallImage(folder, 3, 2, 2, 1,
                    std::string("\x01\x02\x03\x04\x05\x06\x0b\x0c\x0d\x0e\x0f\x10", 12));
}

}  // namespace tavorin::testing
