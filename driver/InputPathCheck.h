#pragma once

#include <optional>
#include <string>

namespace tavorin {

// The refusal of an input path that cannot name an image, before anything is read: one that
// does not exist, and an ENVI header given in place of the raw image it describes (a path
// ending in ".hdr", or a file whose first line is "ENVI"); none otherwise. GDAL's virtual
// paths ("/vsizip/...") and subdataset names ("NETCDF:...") are left to the reader.
std::optional<std::string> InputPathProblem(const std::string& path);

// Throws UserError with the refusal of InputPathProblem, if any.
void CheckInputPath(const std::string& path);

}  // namespace tavorin
