#pragma once

#include <string>

#include "evolution/RunParameters.h"

namespace tavorin {

// Refuses, before the search starts, an output that could not be written at its end: a run
// of many minutes must not end with nothing but a message, and a refusal leaves every file
// as it was. Checked for every name the run may write (a map and its header for each of up to
// popSize front members, "FinalPF.txt", the summary and, when asked, the pictures): its length, a
// folder in its way, and whether it would replace the input image or its header. Throws UserError.
void CheckOutputTargets(const RunParameters& parameters, bool pictures);

}  // namespace tavorin
