#include "driver/AssignLabels.h"

#include <cstddef>
#include <cstdint>

namespace tavorin {

void AssignLabels(const RunGlobals& globals, const Evaluator& evaluator, const CSolution& solution,
                  unsigned char* labels) {
    // The searched pixels' labels first, in their order at the start of the map; then, from
    // the end, each moves to its pixel and left-out pixels become 0. A searched pixel's place
    // is never before its index among the searched, so nothing is overwritten unread.
    evaluator.Label(solution, labels);
    if (globals.leftOut) SpreadLabels(globals.leftOut->searched, globals.pixelCount(), labels);
}

void SpreadLabels(std::span<const std::uint8_t> searched, long long searchedCount,
                  unsigned char* labels) {
    auto p = static_cast<std::size_t>(searchedCount);
    for (std::size_t q = searched.size(); q-- > 0;) {
        labels[q] = searched[q] != 0 ? labels[--p] : 0;
    }
}

}  // namespace tavorin
