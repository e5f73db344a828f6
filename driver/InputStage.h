#pragma once

#include "evolution/RunParameters.h"
#include "image/CEnviImage.h"

namespace tavorin {

// The input stage of the classification command: empties and refills RunGlobals with the
// parameters, the image geometry, the image as band-sequential doubles and the per-band
// bounds. Returns the input image's description. Throws UserError for every image it refuses;
// RunGlobals is then left emptied.
CEnviImage LoadInputStage(const RunParameters& parameters);

}  // namespace tavorin
