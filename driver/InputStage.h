#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "evolution/RunGlobals.h"
#include "evolution/RunParameters.h"
#include "image/CEnviImage.h"

namespace tavorin {

// The input of one classification: the input image's description and the run's RunGlobals.
struct InputStageResult {
    CEnviImage description;
    RunGlobals globals;
};

// An image read as the commands read it: its description and its samples as band-sequential
// doubles. Throws UserError for every image it refuses.
struct InputImage {
    CEnviImage description;
    std::vector<double> bandData;
};
InputImage ReadInputImage(const std::string& rawPath);

// The input stage of the classification command: reads the header and the image named by
// `parameters` and fills a RunGlobals with the parameters, the geometry, the image as
// band-sequential doubles and the per-band bounds. Throws UserError for every image it refuses.
InputStageResult LoadInputStage(const RunParameters& parameters);

// A RunGlobals for `parameters` and an image already in memory (band b of pixel p at
// b * lines * samples + p), with the refusals of the input stage: samples that are not finite
// numbers, and an image whose every band holds one value.
RunGlobals MakeRunGlobals(const RunParameters& parameters, int lines, int samples, int bands,
                          std::shared_ptr<const std::vector<double>> bandData);

// A warning when the local search's largest step size is so much larger than the narrowest
// band range (more than ten times) that its bounded draws in that band would be rejected most
// of the time; none otherwise. The draws themselves are not changed.
std::optional<std::string> StepSizeWarning(const RunGlobals& globals);

}  // namespace tavorin
