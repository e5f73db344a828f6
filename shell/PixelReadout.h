#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "shell/RasterImages.h"

namespace tavorin::shell {

// What the status bar tells about the pixel under the cursor.
struct PixelFacts {
    int line = 0;              // from 0
    int sample = 0;            // from 0
    std::optional<int> label;  // none while the map is not loaded
    int legendClass = 0;       // the label's legend class
    QString className;         // the legend class's name
    LeftOutReason leftOut = LeftOutReason::None;
    std::vector<double> bandValues;  // empty while the input is not loaded
};

// "Line 3, sample 8: Class 2; bands 12, 40, 7" with line and sample counted from 1, the label
// added in brackets when the legend gives it another class ("Class 2 (label 3)"); a left-out
// pixel says so: "Line 1, sample 1: left out, no data in every band; bands 0, 0, 0".
QString PixelReadoutText(const PixelFacts& facts);

}  // namespace tavorin::shell
