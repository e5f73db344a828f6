#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/CEnviImage.h"

// Reading of the ENVI text header beside a raw file into a record of its own; CEnviImage takes
// the record over only once the whole header is accepted. Internal to CEnviImage.
namespace tavorin::envi::detail {

// What an accepted header says. It always gives samples, lines, bands and data type; the other
// keys keep these defaults when it does not give them.
struct EnviHeaderRecord {
    int samples = 0;
    int lines = 0;
    int bands = 0;
    int dataType = 0;
    std::int64_t headerOffset = 0;
    int byteOrder = 0;  // 0 little-endian, 1 big-endian
    CEnviImage::Interleave interleave = CEnviImage::Interleave::Bsq;
    // "map info", "coordinate system string" and "projection info", each as "key = value".
    std::vector<std::string> georeferenceEntries;
    // "data ignore value": the value every band holds at a pixel without data.
    std::optional<double> dataIgnoreValue;
};

// The header path of the raw file `path`: CEnviImage::HeaderFileName(path) or, when only that
// exists, `path` + ".hdr"; nothing when neither exists.
std::optional<std::string> FindEnviHeader(const std::string& path);

// Reads and checks the header FindEnviHeader finds for `path`. Throws a UserError when there is no
// header ("Please generate the file header using ENVI！") or it cannot be used.
EnviHeaderRecord ParseEnviHeader(const std::string& path);

}  // namespace tavorin::envi::detail
