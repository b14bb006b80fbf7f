// SPDX-License-Identifier: MIT
#include "check/EndingEstimate.h"

#include "story/Rules.h"
#include "story/Score.h"

#include <algorithm>
#include <limits>

namespace hanashi {

namespace {

std::int64_t ceilDiv(std::int64_t dividend, std::int64_t divisor) {
    return (dividend + divisor - 1) / divisor;
}

} // namespace

EndingEstimate estimateEnding(std::int64_t questionsPerPass, int levelValue) {
    EndingEstimate estimate;
    estimate.gain = scoreAfterAnswer(0, 0, LevelBar.max, levelValue);
    estimate.loss = -scoreAfterAnswer(0, 1, LevelBar.max, levelValue);
    if (questionsPerPass <= 0 || estimate.gain <= 0)
        return estimate;
    // After n passes of q questions with g good answers of the n * q asked,
    // the score is g * gain - (n * q - g) * loss. Each extra pass only adds
    // answers that cost points when bad, so the fewest passes that can reach
    // the score at all need the fewest good answers.
    estimate.passes = ceilDiv(EndingScore, questionsPerPass * estimate.gain);
    estimate.questions = estimate.passes * questionsPerPass;
    estimate.goodAnswers =
        ceilDiv(EndingScore + estimate.questions * estimate.loss, estimate.gain + estimate.loss);
    return estimate;
}

int bestScoreOfOnePass(std::int64_t questions, int levelValue) {
    const std::int64_t gain = scoreAfterAnswer(0, 0, LevelBar.max, levelValue);
    return static_cast<int>(
        std::min<std::int64_t>(questions * gain, std::numeric_limits<std::int16_t>::max()));
}

} // namespace hanashi
