#pragma once

#include <string>

#include "image/CEnviImage.h"

// Writing of classification images and ENVI headers. Internal to CEnviImage.
namespace tavorin::envi::detail {

// Writes the raw file under image.fileName, then its header; see CEnviImage::WriteClassification.
void WriteClassificationImage(const CEnviImage& image, const unsigned char* data);

// Writes the header under CEnviImage::OutputHeaderFileName(image.fileName); see
// CEnviImage::WriteHeader.
void WriteImageHeader(const CEnviImage& image);

// The header's text with line feeds as '\n' (the file stores them as CR LF).
std::string ImageHeaderText(const CEnviImage& image);

}  // namespace tavorin::envi::detail
