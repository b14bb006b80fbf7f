// SPDX-License-Identifier: MIT
#include "platform/RandomSource.h"

#include <chrono>

namespace hanashi {

float unitFromBits(std::uint32_t bits) {
    // std::uniform_real_distribution<float> may round up to the upper bound for
    // some ranges; 24 bits fit a float's mantissa exactly, so this cannot.
    return static_cast<float>(bits >> 8) * 0x1p-24f;
}

ClockSeededRandom::ClockSeededRandom(std::uint32_t seed)
    : m_engine(seed) {}

void ClockSeededRandom::seedFromClock() {
    m_engine.seed(
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

float ClockSeededRandom::draw() {
    return unitFromBits(static_cast<std::uint32_t>(m_engine()));
}

} // namespace hanashi
