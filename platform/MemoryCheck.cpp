#include "platform/MemoryCheck.h"

#include <unistd.h>

#include "platform/NumberText.h"

namespace tavorin::platform {

std::optional<double> PhysicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::nullopt;
    return static_cast<double>(pages) * static_cast<double>(pageSize);
}

std::string GigabytesText(double bytes) { return formatGeneral(bytes / 1e9, 3) + " GB"; }

std::optional<std::string> ExceedsPhysicalMemory(double neededBytes) {
    const std::optional<double> physical = PhysicalMemoryBytes();
    if (!physical || neededBytes <= *physical) return std::nullopt;
    return " (this computer has about " + GigabytesText(*physical) + ")";
}

}  // namespace tavorin::platform
