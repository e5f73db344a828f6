#pragma once

#include <cstddef>
#include <vector>

namespace tavorin::platform {

// A vector of `count` zeros for an image-sized buffer. Its memory is asked to be backed by
// huge pages before it is first touched: handing out gigabytes page by page otherwise costs
// seconds of page faults. The values are those of std::vector<double>(count).
std::vector<double> LargeZeroedDoubles(std::size_t count);

}  // namespace tavorin::platform
