// SPDX-License-Identifier: MIT
#include "decor/DecorPlan.h"

#include "platform/RandomSource.h"

#include <cmath>

namespace hanashi {

namespace {

int floorOf(float x) {
    return static_cast<int>(std::floor(x));
}

} // namespace

Colour bluish(float r1, float r2) {
    return RGB(floorOf(r1 * 256.0f), floorOf(r2 * 256.0f), 255);
}

DecorPlan planDecorTick(RandomSource& random, float width, float height, int pictureCount) {
    DecorPlan plan;
    plan.background = floorOf(random.draw() * 100.0f) >= 90;
    if (plan.background) {
        plan.sourceLeft = static_cast<std::int16_t>(-floorOf(random.draw() * 300.0f));
        // Written as 0 - x so that an empty area gives 0, not -0.
        plan.sourceTop = 0.0f - std::floor(random.draw() * height);
        plan.picture =
            static_cast<std::int16_t>(floorOf(static_cast<float>(pictureCount) * random.draw()));
    }
    plan.flash = floorOf(random.draw() * 300.0f) >= 290;
    if (plan.flash) {
        const float r1 = random.draw();
        const float r2 = random.draw();
        plan.flashColour = bluish(r1, r2);
    }
    for (DecorPlan::Piece& piece : plan.pieces) {
        piece.left = floorOf(random.draw() * width);
        piece.top = floorOf(random.draw() * height);
        piece.width = floorOf(random.draw() * width);
        piece.height = floorOf(random.draw() * height);
        const float r5 = random.draw();
        const float r6 = random.draw();
        piece.border = bluish(r5, r6);
    }
    return plan;
}

} // namespace hanashi
