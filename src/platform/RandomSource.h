// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <random>

namespace hanashi {

// The program's single source of chance. Every draw is uniform in [0, 1) in
// single precision and can never be 1.0, so floor(n * draw()) is always < n.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Seeds the generator from the clock; the program does it once, at start.
    virtual void seedFromClock() = 0;
    virtual float draw() = 0;
};

// Maps 32 random bits to [0, 1): the top 24 bits scaled by 2^-24, exactly
// uniform over k / 2^24; the largest result is 1 - 2^-24.
float unitFromBits(std::uint32_t bits);

// The production generator: a Mersenne Twister, seeded from the clock.
class ClockSeededRandom : public RandomSource {
public:
    explicit ClockSeededRandom(std::uint32_t seed = 5489u);

    void seedFromClock() override;
    float draw() override;

private:
    std::mt19937 m_engine;
};

} // namespace hanashi
