#pragma once

#include <cstdint>
#include <optional>

#include "evolution/RunParameters.h"

namespace tavorin {

struct CSolution;

// How a run is carried out, beyond the parameters of the dialog.
struct RunOptions {
    std::optional<std::uint32_t> seed;  // none: the current time in seconds
    int threads = 1;                    // evaluations run side by side; results never change
    bool pictures = true;               // quick-look pictures and report beside the images
};

// The classification command: parameters in, classification images and logs out.
class CClassificationDriver {
public:
    virtual ~CClassificationDriver() = default;

    // Runs one whole classification. Every message reaches the user through the installed
    // user interface; true when the run finished and "Finish" was shown.
    bool Run(const RunParameters& parameters, const RunOptions& options = {});

    // Crisp labels 1..K (0 where no membership is positive) of every pixel of the image in
    // RunGlobals, from the fuzzy memberships of `solution`'s centres.
    void AssignLabels(const CSolution& solution, unsigned char* labels) const;
};

}  // namespace tavorin
