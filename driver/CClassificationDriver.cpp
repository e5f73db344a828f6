#include "driver/CClassificationDriver.h"

#include <new>

#include "driver/InputStage.h"
#include "driver/ParameterCheck.h"
#include "driver/ResultOutput.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "platform/UserError.h"
#include "platform/UserInterface.h"

namespace tavorin {

bool CClassificationDriver::Run(const RunParameters& parameters, const RunOptions& options) {
    using platform::MessageKind;
    try {
        // 1. Every run reseeds the one generator that all draws of the search come from.
        const auto seed = options.seed ? *options.seed
                                       : static_cast<std::uint32_t>(platform::timeSeconds());
        platform::srand(seed);

        // Refuse bad parameters before anything is read or written.
        CheckRunParameters(parameters);

        // 3 to 10. RunGlobals: parameters, geometry, image and bounds.
        const CEnviImage input = LoadInputStage(parameters);

        // 11 to 13. The search and the results.
        // The seed actually used travels with the options, so the results can name it.
        RunOptions runOptions = options;
        runOptions.seed = seed;
        RunSearchAndWriteResults(*this, parameters, runOptions, input);

        // 14.
        platform::ShowMessage("Finish", MessageKind::Information);
        return true;
    } catch (const UserError& error) {
        platform::ShowMessage(error.what(), MessageKind::Error);
    } catch (const std::bad_alloc&) {
        platform::ShowMessage("Not enough memory for this image and these parameters.",
                              MessageKind::Error);
    }
    return false;
}

}  // namespace tavorin
