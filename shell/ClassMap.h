#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

#include "image/ClassColours.h"

namespace tavorin::shell {

// A classification map as its file holds it: one label a pixel, line by line, with the colour
// and name of every class its header declares (class 0 is "Unclassified").
struct ClassMap {
    int lines = 0;
    int samples = 0;
    std::vector<std::uint8_t> labels;
    std::vector<ClassColour> colours;  // of classes 0 .. classes - 1
    QStringList names;                 // of classes 0 .. classes - 1
};

// Reads the map at `path`, an ENVI classification image (raw bytes with the header
// "<path>.hdr") or a GeoTIFF map ("*.tif", whose colour table is the ENVI class lookup), which
// must measure `lines` by `samples`. Classes the header names no colour for take the class
// lookup's; those without a name are "Class c". Throws UserError naming the file when it
// cannot be read or does not fit.
ClassMap ReadClassMap(const QString& path, int lines, int samples);

// The colour of class `c` in `map`, the class lookup's when the map declares none for it.
ClassColour ClassColourOf(const ClassMap& map, int c);

// The name of class `c` in `map`: its header's, else "Unclassified" for 0 and "Class c".
QString ClassNameOf(const ClassMap& map, int c);

}  // namespace tavorin::shell
