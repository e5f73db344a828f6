#include "platform/LargeBuffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace tavorin::platform {

void AdviseHugePages(const void* begin, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto first = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t end = first + bytes;
    const std::uintptr_t alignedBegin = (first + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t alignedEnd = end & ~(kHugePage - 1);
    if (alignedEnd > alignedBegin) {
        ::madvise(reinterpret_cast<void*>(alignedBegin), alignedEnd - alignedBegin, MADV_HUGEPAGE);
    }
#else
    (void)begin;
    (void)bytes;
#endif
}

}  // namespace tavorin::platform
