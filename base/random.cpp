// State of the presentation's random generator.
#include "base/random.h"

namespace tw {
namespace detail {
uint32_t gRandomState = kRandomSeed;
}

void seedRandom(uint32_t seed) {
    detail::gRandomState = seed;
}

} // namespace tw
