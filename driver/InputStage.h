#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "evolution/RunGlobals.h"
#include "evolution/RunParameters.h"
#include "image/CEnviImage.h"
#include "image/LeftOutPixels.h"

namespace tavorin {

// The input of one classification: the input image's description and the run's RunGlobals.
struct InputStageResult {
    CEnviImage description;
    RunGlobals globals;
};

// The description of the image at `path` as the commands find it: through the ENVI header
// beside it, or through GDAL for any other raster (and for a self-describing file even with a
// header beside it); without either the header is missing. Throws UserError for an image it
// refuses.
CEnviImage DescribeInputImage(const std::string& path);

// An image read as the commands read it: its description and its samples band-sequentially
// in their own type. An image with an ENVI header beside it is read through the header; any other
// raster through GDAL; without either the header is missing. Throws UserError for every image it
// refuses.
struct InputImage {
    CEnviImage description;
    BandSamples bandData;
};
InputImage ReadInputImage(const std::string& rawPath);

// The input stage of the classification command: reads the image named by `parameters` and
// fills a RunGlobals with the parameters, the geometry, the searched pixels band-sequentially
// in their own type and the per-band bounds; `nodata` says which nodata value leaves pixels out.
// Throws UserError for every image it refuses.
InputStageResult LoadInputStage(const RunParameters& parameters, const NodataRule& nodata = {});

// A RunGlobals for `parameters` and an image already in memory (band b of pixel p at
// b * lines * samples + p). Pixels whose every band holds its value in `bandNodata` (one entry a
// band, or none) and pixels with a NaN or infinite sample are left out of the search. Refuses an
// image with no pixel left to search, and one whose every band holds one value.
RunGlobals MakeRunGlobals(const RunParameters& parameters, int lines, int samples, int bands,
                          BandSamples bandData, std::vector<std::optional<double>> bandNodata = {});
RunGlobals MakeRunGlobals(const RunParameters& parameters, int lines, int samples, int bands,
                          std::vector<double> bandData,
                          std::vector<std::optional<double>> bandNodata = {});

// Each band's smallest and largest sample over `pixelCount` pixels of band-sequential samples;
// infinity and minus infinity when there are none, which combine with any bounds.
struct BandBounds {
    std::vector<double> lower;
    std::vector<double> upper;
};
BandBounds BandBoundsOf(const BandSamples& bandData, int bandCount, long long pixelCount);

// The parts of MakeRunGlobals, for a run whose image is read in slices: a RunGlobals with the
// parameters and the geometry, then the left-out pixels, nodata values and bounds of the whole
// image, with the same refusals.
RunGlobals RunGlobalsOf(const RunParameters& parameters, int lines, int samples, int bands);
void SetSearchedPixels(RunGlobals& globals, LeftOutPixels leftOut,
                       std::vector<std::optional<double>> bandNodata, const BandBounds& bounds);

// What the run tells about the pixels it leaves out: how many and why, or that a nodata value
// left none out; nothing when no nodata value applies and every sample is finite.
std::optional<std::string> LeftOutPixelsMessage(const RunGlobals& globals);

// A warning when the local search's largest step size is so much larger than the narrowest
// band range (more than ten times) that its bounded draws in that band would be rejected most
// of the time; none otherwise. The draws themselves are not changed.
std::optional<std::string> StepSizeWarning(const RunGlobals& globals);

}  // namespace tavorin
