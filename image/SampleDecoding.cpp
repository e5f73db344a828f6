#include "image/SampleDecoding.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tavorin {
namespace {

template <std::size_t Size>
std::uint64_t assembleWord(const unsigned char* bytes, bool bigEndian) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < Size; ++i) {
        const std::size_t index = bigEndian ? i : Size - 1 - i;
        word = (word << 8) | bytes[index];
    }
    return word;
}

template <std::size_t Size, typename Widen>
void decodeAll(const unsigned char* bytes, std::size_t count, bool bigEndian, double* out,
               Widen widen) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = widen(assembleWord<Size>(bytes + i * Size, bigEndian));
    }
}

}  // namespace

void DecodeSamples(const unsigned char* bytes, std::size_t count, int dataType, bool bigEndian,
                   double* out) {
    switch (dataType) {
        case 1:
            for (std::size_t i = 0; i < count; ++i) out[i] = bytes[i];
            return;
        case 2:
            decodeAll<2>(bytes, count, bigEndian, out, [](std::uint64_t w) {
                return static_cast<double>(static_cast<std::int16_t>(w));
            });
            return;
        case 3:
            decodeAll<4>(bytes, count, bigEndian, out, [](std::uint64_t w) {
                return static_cast<double>(static_cast<std::int32_t>(w));
            });
            return;
        case 4:
            decodeAll<4>(bytes, count, bigEndian, out, [](std::uint64_t w) {
                return static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(w)));
            });
            return;
        case 5:
            decodeAll<8>(bytes, count, bigEndian, out,
                         [](std::uint64_t w) { return std::bit_cast<double>(w); });
            return;
        case 12:
            decodeAll<2>(bytes, count, bigEndian, out, [](std::uint64_t w) {
                return static_cast<double>(static_cast<std::uint16_t>(w));
            });
            return;
        case 13:
            decodeAll<4>(bytes, count, bigEndian, out, [](std::uint64_t w) {
                return static_cast<double>(static_cast<std::uint32_t>(w));
            });
            return;
        default:
            return;
    }
}

void DecodeNativeSamples(const unsigned char* bytes, std::size_t count, int dataType,
                         bool bigEndian, void* out) {
    std::size_t size = 0;
    switch (dataType) {
        case 1:
            size = 1;
            break;
        case 2:
        case 12:
            size = 2;
            break;
        case 3:
        case 4:
        case 13:
            size = 4;
            break;
        case 5:
            size = 8;
            break;
        default:
            return;
    }
    std::memcpy(out, bytes, count * size);
    if (size == 1 || bigEndian == (std::endian::native == std::endian::big)) return;
    auto* swapped = static_cast<unsigned char*>(out);
    for (std::size_t i = 0; i < count; ++i) {
        unsigned char* sample = swapped + i * size;
        for (std::size_t a = 0, b = size - 1; a < b; ++a, --b) std::swap(sample[a], sample[b]);
    }
}

}  // namespace tavorin
