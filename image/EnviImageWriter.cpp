#include "image/EnviImageWriter.h"

#include <cstddef>
#include <string>

#include "image/ClassColours.h"
#include "platform/FileOutput.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin::envi::detail {

using platform::formatInt;

void WriteClassificationImage(const CEnviImage& image, const unsigned char* data) {
    const auto byteCount = static_cast<std::size_t>(image.RawByteCount());
    platform::WriteWholeFile(image.fileName, {reinterpret_cast<const char*>(data), byteCount});
    try {
        WriteImageHeader(image);
    } catch (const UserError&) {
        // An image without its header is no result.
        platform::RemoveIncompleteFile(image.fileName);
        throw;
    }
}

void WriteImageHeader(const CEnviImage& image) {
    platform::WriteWholeTextFile(CEnviImage::OutputHeaderFileName(image.fileName),
                                 ImageHeaderText(image));
}

std::string ImageHeaderText(const CEnviImage& image) {
    std::string text = "ENVI\n";
    text += "description = {\n";
    text += "  File Imported into ENVI.}\n";
    text += "samples = " + formatInt(image.samples) + "\n";
    text += "lines   = " + formatInt(image.lines) + "\n";
    text += "bands   = " + formatInt(image.bands) + "\n";
    text += "header offset = 0\n";
    if (image.classes > 0) text += "file type = ENVI Classification\n";
    text += "data type = " + formatInt(image.dataType) + "\n";
    text += "interleave = bsq\n";
    text += "sensor type = Unknown\n";
    if (image.classes > 0) {
        text += "classes = " + formatInt(image.classes) + "\n";
        text += "class lookup = {\n";
        text += "\t";
        for (int c = 0; c < image.classes; ++c) {
            // Classes beyond the table's twenty repeat its colours.
            const ClassColour& colour =
                classColourTable[static_cast<std::size_t>(c) % classColourTable.size()];
            for (const int component : {colour.red, colour.green, colour.blue}) {
                if (text.back() != '\t') text += " ,";
                text += formatInt(component);
            }
        }
        text += "}\n";
    }
    text += "byte order = 0\n";
    text += "wavelength units = Unknown\n";
    if (!image.bandNodata.empty() && image.bandNodata.front()) {
        text +=
            "data ignore value = " + platform::formatRoundTrip(*image.bandNodata.front()) + "\n";
    }
    for (const std::string& entry : image.georeferenceEntries) text += entry + "\n";

    return text;
}

}  // namespace tavorin::envi::detail
