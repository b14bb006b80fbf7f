// SPDX-License-Identifier: MIT
#include "story/Score.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hanashi {

namespace {

std::int16_t saturate(long long value) {
    return static_cast<std::int16_t>(std::clamp<long long>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

} // namespace

int pointsAtStake(int levelMax, int levelValue) {
    return (levelMax + 10) - levelValue;
}

std::int16_t scoreAfterAnswer(std::int16_t score, std::int16_t index, int levelMax,
                              int levelValue) {
    const long long stake = pointsAtStake(levelMax, levelValue);
    if (index == 0)
        return saturate(score + stake);
    const auto half = static_cast<long long>(std::floor(static_cast<double>(stake) / 2.0));
    return saturate(score - half);
}

QString starBar(std::int16_t score) {
    if (score < 0)
        return QString();
    return QString(score + 1, QChar(0x2606));
}

QString spokenScore(std::int16_t score) {
    return QStringLiteral("スコア %1").arg(score);
}

} // namespace hanashi
