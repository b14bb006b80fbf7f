// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>

namespace hanashi {

// The points at stake in a question: (maximum + 10) - value of the level bar.
int pointsAtStake(int levelMax, int levelValue);

// The score after a good answer (index 0) or any other answer: a gain of the
// points at stake, or a loss of half of them rounded down. A result beyond
// the 16-bit range stops at its edge instead of ending the game.
std::int16_t scoreAfterAnswer(std::int16_t score, std::int16_t index, int levelMax, int levelValue);

// The score bar: one star more than the score, none when it is negative.
QString starBar(std::int16_t score);

// The score as a screen reader says it, a number where the eye sees stars.
QString spokenScore(std::int16_t score);

} // namespace hanashi
