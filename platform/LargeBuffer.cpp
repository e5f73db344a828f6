#include "platform/LargeBuffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace tavorin::platform {

std::vector<double> LargeZeroedDoubles(std::size_t count) {
    std::vector<double> values;
    values.reserve(count);
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(values.data());
    const std::uintptr_t end = begin + count * sizeof(double);
    const std::uintptr_t alignedBegin = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t alignedEnd = end & ~(kHugePage - 1);
    // Only advice: where the system has no huge pages the memory is handed out as before.
    if (alignedEnd > alignedBegin) {
        ::madvise(reinterpret_cast<void*>(alignedBegin), alignedEnd - alignedBegin, MADV_HUGEPAGE);
    }
#endif
    values.resize(count);
    return values;
}

}  // namespace tavorin::platform
