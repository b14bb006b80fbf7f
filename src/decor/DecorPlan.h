// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Colour.h"

#include <array>
#include <cstdint>

namespace hanashi {

class RandomSource;

// What one decoration tick does, drawn from the generator in the tick's order:
// the background draw, then (when it fires) source left, source top and
// picture; the flash draw, then (when it fires) red and green; then six draws
// for each of the eleven pieces.
struct DecorPlan {
    struct Piece {
        int left = 0, top = 0, width = 0, height = 0;
        Colour border = 0;
    };

    bool background = false;
    std::int16_t sourceLeft = 0; // -299 to 0
    float sourceTop = 0;         // -(height - 1) to 0
    std::int16_t picture = 0;    // 0 to pictureCount - 1
    bool flash = false;
    Colour flashColour = 0;
    std::array<Piece, 11> pieces;
};

// Plans one tick for a decoration area of width x height (its own pixel scale)
// and pictureCount pictures. Products are in single precision, as the area's
// scale is.
DecorPlan planDecorTick(RandomSource& random, float width, float height, int pictureCount);

// A bluish colour: red and green from two draws, blue 255.
Colour bluish(float r1, float r2);

} // namespace hanashi
