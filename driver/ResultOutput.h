#pragma once

#include <string>
#include <vector>

#include "clustering/CSolution.h"
#include "driver/CClassificationDriver.h"
#include "driver/PixelSlices.h"
#include "evolution/RunState.h"
#include "image/CEnviImage.h"

namespace tavorin {

// The output stage of the classification command: writes the classification image of every
// member of `front` (in its order) with its header, "FinalPF.txt", the run summary and, when
// asked, the pictures, all coloured by one legend matched to the recommended map (the knee of
// the front). Once they are in place it warns of maps of an earlier run left beside them and
// names the recommended map in a note ("Recommended: <map> (knee of the front)"), which a
// terminal prints and the desktop application shows in its results view. Throws UserError when
// a result cannot be written, naming the files written and those missing.
// Of a run whose pixels are split among processes, `slices` reaches the others and `ownSlice`
// is this process's slice: the labels and the pictures' bands are gathered from every slice.
void WriteClassificationResults(const RunState& run, const RunParameters& parameters,
                                const RunOptions& options, const CEnviImage& input,
                                const std::vector<CSolution>& front, double searchSeconds,
                                PixelSlices* slices = nullptr,
                                const SliceInput* ownSlice = nullptr);

}  // namespace tavorin
