// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace hanashi {

// The cheapest way to the ending when every pass through the opening asks
// the same questions and then meets its branch line, which keeps the score.
// Every question is answered, well or badly (a time-out counts as bad).
// Without questions there is no way to the ending: no passes, no answers.
struct EndingEstimate {
    std::int64_t goodAnswers = 0; // the fewest good answers in all
    std::int64_t passes = 0;      // passes through the opening they take
    std::int64_t questions = 0;   // questions asked over those passes
    int gain = 0;                 // points for a good answer at this level
    int loss = 0;                 // points lost for a bad answer or a time-out
};

// levelValue is a value of the question level bar. The arithmetic is 64-bit,
// so that no count of questions a script can hold overflows it.
EndingEstimate estimateEnding(std::int64_t questionsPerPass, int levelValue);

// The most points one pass that asks this many questions wins from 0 at a
// level: every answer good, and the score stopping at its 16-bit edge as the
// game's does.
int bestScoreOfOnePass(std::int64_t questions, int levelValue);

} // namespace hanashi
