#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "driver/MapFormat.h"
#include "driver/PixelSlices.h"
#include "evolution/RunParameters.h"
#include "image/LeftOutPixels.h"
#include "platform/UserInterface.h"

namespace tavorin {

// How a run is carried out, beyond the parameters of the dialog.
struct RunOptions {
    std::optional<std::uint32_t> seed;   // none: the current time in seconds
    int threads = 1;                     // evaluations run side by side; results never change
    bool pictures = true;                // quick-look pictures and report beside the images
    MapFormat format = MapFormat::Envi;  // how the maps are written
    NodataRule nodata;                   // which nodata value leaves pixels out
    // Polled at the run's safe points; when it holds a signal number the run stops there and
    // puts no result in place. None: the run is never interrupted.
    const std::atomic<int>* interruption = nullptr;
};

// The classification command: parameters in, classification images and logs out.
class CClassificationDriver {
  public:
    virtual ~CClassificationDriver() = default;

    // Runs one whole classification, every one from the state of a fresh process. Every
    // message reaches the user through `userInterface`; true when the run finished and
    // "Finish" was shown.
    // With `slices`, this process is process 0 of a run whose pixels are split among
    // processes (PixelSlices): it runs the search and writes every result, bit for bit those of
    // a run in one process.
    bool Run(const RunParameters& parameters, const RunOptions& options,
             platform::IUserInterface& userInterface, PixelSlices* slices = nullptr);
};

}  // namespace tavorin
