// SPDX-License-Identifier: MIT
#include "check/EndingEstimate.h"

#include "story/Rules.h"
#include "story/Score.h"

#include <algorithm>
#include <limits>

namespace hanashi {

namespace {

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

} // namespace

EndingEstimate estimateEnding(std::int64_t questionsPerPass, int levelValue) {
    EndingEstimate e;
    e.gain = scoreAfterAnswer(0, 0, LevelBar.max, levelValue);
    e.loss = -scoreAfterAnswer(0, 1, LevelBar.max, levelValue);
    if (questionsPerPass <= 0 || e.gain <= 0)
        return e;
    // After n passes with g good answers of the n * q asked, the score is
    // g * gain - (n * q - g) * loss. Each extra pass only adds answers that
    // cost points when bad, so the fewest passes that can reach the score at
    // all need the fewest good answers.
    const std::int64_t q = questionsPerPass;
    e.passes = ceilDiv(EndingScore, q * e.gain);
    e.questions = e.passes * q;
    e.goodAnswers = ceilDiv(EndingScore + e.questions * e.loss, e.gain + e.loss);
    return e;
}

int bestScoreOfOnePass(std::int64_t questions, int levelValue) {
    const std::int64_t gain = scoreAfterAnswer(0, 0, LevelBar.max, levelValue);
    return static_cast<int>(
        std::min<std::int64_t>(questions * gain, std::numeric_limits<std::int16_t>::max()));
}

} // namespace hanashi
