#pragma once

#include <vector>

#include "driver/CClassificationDriver.h"
#include "evolution/CSolution.h"
#include "image/CEnviImage.h"

namespace tavorin {

// The search and output stage of the classification command, once RunGlobals is filled:
// builds and runs the algorithm object and writes the classification images, their headers,
// "FinalPF.txt" and the run summary. Throws UserError when a result cannot be written.
void RunSearchAndWriteResults(const CClassificationDriver& driver, const RunParameters& parameters,
                              const RunOptions& options, const CEnviImage& input);

// The members of `population` with rank 0, largest jm first, by the exchange sort whose
// order numbers the result images: slot i is exchanged with every later slot k holding a
// larger jm, so the order of ties follows from that procedure (not a stable sort).
std::vector<CSolution> SortedFirstFront(const std::vector<CSolution>& population);

}  // namespace tavorin
