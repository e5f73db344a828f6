#include "driver/CClassificationDriver.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "driver/ClassificationSearch.h"
#include "driver/InputStage.h"
#include "driver/OutputTargets.h"
#include "driver/ParameterCheck.h"
#include "driver/ResultOutput.h"
#include "evolution/RunState.h"
#include "platform/Clock.h"
#include "platform/FolderLock.h"
#include "platform/NumberText.h"
#include "platform/UserError.h"
#include "report/QuickLookPng.h"

namespace tavorin {

bool CClassificationDriver::Run(const RunParameters& parameters, const RunOptions& options,
                                platform::IUserInterface& userInterface, PixelSlices* slices) {
    using platform::MessageKind;
    try {
        // 1. Every run draws from its own generator, seeded here.
        const auto seed =
            options.seed ? *options.seed : static_cast<std::uint32_t>(platform::timeSeconds());

        // Refuse bad parameters before anything is read or written.
        CheckRunParameters(parameters);

        // One run at a time writes into a folder: the one of "FinalPF.txt" and of the maps.
        const platform::FolderLocks locks({".", OutputFolder(parameters.outputPath)});

        // 3 to 10. RunGlobals: parameters, geometry, image and bounds.
        SliceInput ownSlice;
        InputStageResult input =
            slices != nullptr ? LoadSlicedInputStage(parameters, options.nodata, *slices, ownSlice)
                              : LoadInputStage(parameters, options.nodata);
        if (const auto leftOut = LeftOutPixelsMessage(input.globals)) {
            userInterface.ShowMessage(*leftOut, MessageKind::Information);
        }
        RunOptions runOptions = options;
        const CEnviImage& image = input.description;
        if (runOptions.pictures && std::max(image.lines, image.samples) > kLargestPngSide) {
            // Found now, not after the search: the maps are written, the pictures skipped.
            userInterface.ShowMessage(
                "The pictures and the report are skipped: a picture may have at most " +
                    platform::formatInt(kLargestPngSide) + " pixels a side, and this image has " +
                    platform::formatInt(image.lines) + " lines and " +
                    platform::formatInt(image.samples) + " samples.",
                MessageKind::Information);
            runOptions.pictures = false;
        }
        CheckOutputTargets(parameters, runOptions.pictures, options.format);
        CheckFreeSpace(parameters.outputPath, input.globals.imagePixelCount());
        if (const auto warning = StepSizeWarning(input.globals)) {
            userInterface.ShowMessage(*warning, MessageKind::Information);
        }

        // 11 to 13. The search and the results.
        RunState run(std::move(input.globals), seed, options.threads, userInterface);
        run.interruption = options.interruption;
        if (slices != nullptr) run.evaluator.SetSliceLink(&slices->link());
        const std::int64_t searchStart = platform::tickMilliseconds();
        const std::vector<CSolution> front = RunClassificationSearch(run, input.description);
        const double searchSeconds =
            platform::secondsBetween(searchStart, platform::tickMilliseconds());
        // The seed actually used travels with the options, so the results can name it.
        runOptions.seed = seed;
        WriteClassificationResults(run, parameters, runOptions, input.description, front,
                                   searchSeconds, slices, &ownSlice);

        // 14.
        userInterface.ShowMessage("Finish", MessageKind::Information);
        return true;
    } catch (const UserError& error) {
        userInterface.ShowMessage(error.what(), MessageKind::Error);
    } catch (const std::bad_alloc&) {
        userInterface.ShowMessage("Not enough memory for this image and these parameters.",
                                  MessageKind::Error);
    }
    return false;
}

}  // namespace tavorin
