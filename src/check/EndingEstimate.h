// SPDX-License-Identifier: MIT
#pragma once

namespace hanashi {

// The question level bar as the game sets it up: its maximum, its value at
// start-up, and its minimum, the level at which an answer is worth most.
inline constexpr int LevelMax = 100;
inline constexpr int StartLevel = 10;
inline constexpr int BestLevel = 1;
// A branch line opens the ending at this score or more.
inline constexpr int EndingScore = 500;

// The cheapest way to the ending when every pass through the opening asks
// the same questions and then meets its branch line, which keeps the score.
// Every question is answered, well or badly (a time-out counts as bad).
struct EndingEstimate {
    bool reachable = false;
    int goodAnswers = 0; // the fewest good answers in all
    int passes = 0;      // passes through the opening they take
    int questions = 0;   // questions asked over those passes
    int gain = 0;        // points for a good answer at this level
    int loss = 0;        // points lost for a bad answer or a time-out
};

EndingEstimate estimateEnding(int questionsPerPass, int levelValue);

} // namespace hanashi
