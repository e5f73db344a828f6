#pragma once

#include "driver/CClassificationDriver.h"
#include "image/CEnviImage.h"

namespace tavorin {

// The search and output stage of the classification command, once RunGlobals is filled:
// builds and runs the algorithm object and writes the classification images, their headers,
// "FinalPF.txt" and the run summary. Throws UserError when a result cannot be written.
void RunSearchAndWriteResults(const CClassificationDriver& driver, const RunParameters& parameters,
                              const RunOptions& options, const CEnviImage& input);

}  // namespace tavorin
