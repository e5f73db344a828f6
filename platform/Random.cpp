#include "platform/Random.h"

namespace tavorin::platform {
namespace {
std::uint32_t generatorState = 1;  // the C runtime's state before any srand
}

void srand(std::uint32_t seed) { generatorState = seed; }

int rand() {
    generatorState = generatorState * 214013u + 2531011u;
    return static_cast<int>((generatorState >> 16) & 0x7FFFu);
}

}  // namespace tavorin::platform
