#include "localsearch/StepSizeAdaptation.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "platform/NumberText.h"
#include "platform/Saturate.h"
#include "platform/TextFile.h"
#include "platform/UserInterface.h"

namespace tavorin {
namespace {

constexpr int kStepSizeCount = 4;
constexpr int kWindowLength = 20;

// |T(difference)| / divisor, T truncating toward zero with saturation. The absolute value is
// taken of the integer as a double, so the most negative int gives 2^31.
double relativeWholeChange(double newValue, double oldValue) {
    if (newValue == 0.0) return 0.0;
    const double wholeChange = static_cast<double>(platform::truncateToInt32(newValue - oldValue));
    return std::fabs(wholeChange) / newValue;
}

}  // namespace

StepSizeChoice drawStepSize(SearchRandom& random, platform::IUserInterface& ui,
                            const std::vector<double>& pLS, const std::vector<double>& stepSizes) {
    const int j = random.rouletteSelect(pLS);
    StepSizeChoice choice;
    if (j < 0 || j >= kStepSizeCount || static_cast<std::size_t>(j) >= stepSizes.size()) {
        ui.ShowMessage("wrong LS_num!", platform::MessageKind::Error);
        return choice;
    }
    choice.valid = true;
    choice.index = j;
    choice.sigma = stepSizes[static_cast<std::size_t>(j)];
    return choice;
}

void writeParamRow(platform::TextFile& paramLog, const std::vector<int>& LS_count,
                   const std::vector<double>& AS, const std::vector<double>& pLS) {
    std::string row = "\n";
    for (int count : LS_count) row += platform::formatInt(count) + "\t";
    row += "\t";
    for (double reward : AS) row += platform::formatFixed(reward) + "\t";
    row += "\t";
    for (double probability : pLS) row += platform::formatFixed(probability) + "\t";
    paramLog.Write(row);
}

double stepReward(const CSolution& best, const CSolution& member) {
    return relativeWholeChange(best.xbIndex, member.xbIndex) +
           relativeWholeChange(best.jm, member.jm);
}

void recordReward(StepSizeWindow& window, int j, const CSolution& best, const CSolution& member,
                  std::vector<double>& pLS, std::vector<int>& LS_count, std::vector<double>& AS) {
    // Window step: every 20 searched individuals the phase flips; entering the frozen phase
    // starts all three vectors afresh.
    window.searchCounter = window.searchCounter + 1;
    const bool windowEnds = window.searchCounter % kWindowLength == 0;
    if (window.pLSFrozen == 1 && windowEnds) {
        window.pLSFrozen = 0;
    } else if (window.pLSFrozen == 0 && windowEnds) {
        window.pLSFrozen = 1;
        for (int i = 0; i < kStepSizeCount; ++i) {
            pLS[static_cast<std::size_t>(i)] = 0.25;
            AS[static_cast<std::size_t>(i)] = 0.0;
            LS_count[static_cast<std::size_t>(i)] = 0;
        }
    }

    const auto at = static_cast<std::size_t>(j);
    const double reward = stepReward(best, member);
    AS[at] = (LS_count[at] * AS[at] + reward) / (LS_count[at] + 1);
    LS_count[at] = LS_count[at] + 1;

    if (window.pLSFrozen == 0) {
        // Unchecked division: a zero sum makes every entry NaN, and the draws then give step
        // size 0 until an update with a non-zero sum.
        const double sum = AS[0] + AS[1] + AS[2] + AS[3];
        for (int i = 0; i < kStepSizeCount; ++i) {
            pLS[static_cast<std::size_t>(i)] = AS[static_cast<std::size_t>(i)] / sum;
        }
    }
}

}  // namespace tavorin
