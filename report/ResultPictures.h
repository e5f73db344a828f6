#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "evolution/RunParameters.h"
#include "image/CEnviImage.h"
#include "platform/ResultTransaction.h"
#include "report/ClassStatistics.h"

namespace tavorin {

// One member of the final front as written to disk.
struct FrontMemberResult {
    std::string imageFile;  // path of its classification image
    double xbIndex = 0.0;
    double jm = 0.0;
    // The legend class of each label 1..K (entry l - 1); empty: the labels themselves.
    std::vector<int> legend;
    std::vector<ClassStatistic> classes;  // labels 1..K; empty when not counted
};

// What the pictures and the report page of a finished run are made from.
struct ResultPicturesInput {
    RunParameters parameters;
    std::uint32_t seed = 0;
    CEnviImage input;  // the input image's description
    // The input image, band-sequential: every band, or the first InputPictureBands alone.
    const BandSamples* bandData = nullptr;
    // Entry p is 0 for a pixel left out of the classification (bandData then holds the others
    // alone); empty when none is.
    std::span<const std::uint8_t> searched;
    std::string pixelsText;  // how many pixels were classified and which were left out
    // The maps are GeoTIFFs "<base>.tif" with pictures "<base>.png"; otherwise raw maps with
    // pictures "<map>.png".
    bool geoTiffMaps = false;
    std::vector<FrontMemberResult> front;    // in the order of "FinalPF.txt"
    std::optional<std::size_t> recommended;  // the place in `front` of the map shown first
};

// The files written beside the classification images.
struct ResultPicturesOutput {
    std::vector<std::string> files;  // every file written, in order
    std::string reportPage;          // "<output path>_report.html"
};

// Writes a PNG of every front member's map, a colour picture of the input, the front plotted
// as SVG and one self-contained HTML report page. Throws UserError naming a file that cannot
// be written.
ResultPicturesOutput WriteResultPictures(const ResultPicturesInput& input,
                                         platform::ResultTransaction& results);

}  // namespace tavorin
