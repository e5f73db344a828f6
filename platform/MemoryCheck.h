#pragma once

#include <optional>
#include <string>

// The one check that refuses, before anything is allocated, work larger than this computer.
namespace tavorin::platform {

// Bytes of physical memory, or nothing when the system does not tell.
std::optional<double> PhysicalMemoryBytes();

// Memory in decimal gigabytes, three significant digits: "2.35 GB".
std::string GigabytesText(double bytes);

// When `neededBytes` exceed the physical memory, the text " (this computer has about X GB)"
// that completes a refusal; nothing when the work fits or the size is unknown.
std::optional<std::string> ExceedsPhysicalMemory(double neededBytes);

}  // namespace tavorin::platform
