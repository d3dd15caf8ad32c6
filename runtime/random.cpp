#include "random.h"

#include <chrono>
#include <random>

namespace tavrilo {

void ClockRandom::seedFromClock()
{
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    std::seed_seq seed{quint32(ticks), quint32(quint64(ticks) >> 32)};
    generator_.seed(seed);
}

float ClockRandom::next()
{
    return fromBits(generator_.generate());
}

} // namespace tavrilo
