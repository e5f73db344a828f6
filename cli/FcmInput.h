#pragma once

#include <optional>
#include <string>

#include "clustering/CFcmRunner.h"
#include "image/CEnviImage.h"

namespace tavorin::cli {

// What the fuzzy c-means command tells about an image it loaded.
struct FcmInput {
    CEnviImage description;
    std::optional<std::string> leftOutMessage;  // the pixels left out, as the classify command says
};

// Reads the image at `path` as the classify command does (through its ENVI header, or GDAL),
// leaving out the same pixels (nodata, NaN or infinite samples), and hands its pixels and
// georeference to `runner`, whose `clusterNumber` is set. Throws UserError for an image it
// refuses.
FcmInput LoadFcmInput(const std::string& path, CFcmRunner& runner);

// The map path the command writes when --output is not given: the input's file name without
// its extension, followed by "_result", in the current folder ("small.img" -> "small_result").
std::string DefaultFcmOutput(const std::string& inputPath);

// Refuses a map path whose folder is missing, that names a folder, or whose map or header would
// replace the input image or its header; none otherwise.
std::optional<std::string> FcmOutputProblem(const std::string& outputPath,
                                            const std::string& inputPath);

}  // namespace tavorin::cli
