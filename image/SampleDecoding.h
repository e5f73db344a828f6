#pragma once

#include <cstddef>

namespace tavorin {

// Widens `count` consecutive samples of an ENVI data type (1, 2, 3, 4, 5, 12 or 13) to
// doubles: integers by value, 32-bit floats exactly, 64-bit floats bit for bit. `bigEndian`
// selects the byte order of multi-byte samples. The host's own byte order does not matter.
void DecodeSamples(const unsigned char* bytes, std::size_t count, int dataType, bool bigEndian,
                   double* out);

}  // namespace tavorin
