#pragma once

#include <cstddef>
#include <vector>

namespace tavorin::platform {

// Asks that the whole huge pages inside [begin, begin + bytes) be backed by huge pages. Only
// advice: where the system has none the memory is handed out as before.
void AdviseHugePages(const void* begin, std::size_t bytes);

// A vector of `count` zeros for an image-sized buffer. Its memory is asked to be backed by
// huge pages before it is first touched: handing out gigabytes page by page otherwise costs
// seconds of page faults. The values are those of std::vector<T>(count).
template <class T>
std::vector<T> LargeZeroed(std::size_t count) {
    std::vector<T> values;
    values.reserve(count);
    AdviseHugePages(values.data(), count * sizeof(T));
    values.resize(count);
    return values;
}

inline std::vector<double> LargeZeroedDoubles(std::size_t count) {
    return LargeZeroed<double>(count);
}

}  // namespace tavorin::platform
