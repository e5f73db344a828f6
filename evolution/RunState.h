#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "clustering/Evaluator.h"
#include "evolution/RunGlobals.h"
#include "evolution/SearchRandom.h"
#include "platform/Interruption.h"
#include "platform/UserInterface.h"

namespace tavorin {

// Everything one classification reads or changes, owned by the run: its RunGlobals, its
// draws and its evaluation, and the interface that shows its progress. Nothing of a run
// outlives it, so two runs with one seed in one process give the same results.
class RunState {
  public:
    RunState(RunGlobals runGlobals, std::uint32_t seed, int threadCount = 1,
             platform::IUserInterface& userInterface = platform::SilentUserInterface())
        : globals(std::move(runGlobals)),
          random(seed),
          evaluator(EvaluationImage{globals.bandData, globals.heldPixels(), globals.bandCount,
                                    globals.clusterNumber, globals.pixelCount()},
                    threadCount),
          ui(userInterface) {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    const RunGlobals globals;
    // False for a run of the library: the three run logs are not written.
    bool writeRunLogs = true;
    // Set (to a signal number) when the user asks the run to stop; none: it is never asked.
    const std::atomic<int>* interruption = nullptr;

    // Throws RunInterrupted when the run was asked to stop; called at the run's safe points.
    void ThrowIfInterrupted() const {
        if (interruption != nullptr && interruption->load() != 0) {
            throw platform::RunInterrupted();
        }
    }

    SearchRandom random;
    Evaluator evaluator;
    platform::IUserInterface& ui;
};

}  // namespace tavorin
