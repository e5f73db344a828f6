#pragma once

#include <cstddef>

namespace tavorin {

// Widens `count` consecutive samples of an ENVI data type (1, 2, 3, 4, 5, 12 or 13) to
// doubles: integers by value, 32-bit floats exactly, 64-bit floats bit for bit. `bigEndian`
// selects the byte order of multi-byte samples. The host's own byte order does not matter.
void DecodeSamples(const unsigned char* bytes, std::size_t count, int dataType, bool bigEndian,
                   double* out);

// Copies `count` consecutive samples of an ENVI data type to `out` as values of the type
// itself (1: uint8, 2: int16, 3: int32, 4: float, 5: double, 12: uint16, 13: uint32) in the
// host's byte order.
void DecodeNativeSamples(const unsigned char* bytes, std::size_t count, int dataType,
                         bool bigEndian, void* out);

}  // namespace tavorin
