#include "evolution/RunGlobals.h"

namespace tavorin {

RunGlobals& runGlobals() {
    static RunGlobals instance;
    return instance;
}

}  // namespace tavorin
