#pragma once

#include <vector>

#include "image/BandSamples.h"
#include "image/CEnviImage.h"

// Reading of an ENVI image's raw file as its header describes it. Internal to CEnviImage.
namespace tavorin::envi::detail {

// The raw file's samples (after the header offset), as stored; see CEnviImage::ReadRaw.
std::vector<unsigned char> ReadRawSamples(const CEnviImage& image);

// The whole image as band-sequential doubles; see CEnviImage::ReadBandData.
std::vector<double> ReadBandSequential(const CEnviImage& image);

// The whole image band-sequentially in its own sample type; see CEnviImage::ReadSamples.
BandSamples ReadBandSamples(const CEnviImage& image);
// The lines firstLine .. firstLine + lineCount - 1; see CEnviImage::ReadLineSamples.
BandSamples ReadBandSamples(const CEnviImage& image, int firstLine, int lineCount);

}  // namespace tavorin::envi::detail
