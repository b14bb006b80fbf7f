// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>
#include <cstdint>

namespace hanashi {

// How much of a line one row of the story label holds. The layout sizes the
// label and its font by these rules, and hanashi-check measures script lines
// by the same ones.

// The window's logical size: every position is in these units.
inline constexpr double LayoutWidth = 8;
inline constexpr double LayoutHeight = 6;

// The story label's width in a window scaleWidth units wide: the left half,
// less a margin of 0.2 on either side.
constexpr double storyLabelWidth(double scaleWidth) {
    return scaleWidth / 2 - 0.4;
}

// The font size unit for a screen of the given height in 1/1440 inch:
// 3 points for every full 2000 units of height. The story text is this many
// points high.
std::int16_t fontUnitFor(int screenHeightTwips);

// Qt's pixels to a point on a desktop at 96 dots per inch, the X11 and
// Wayland default at a scale of 100 %.
inline constexpr double PixelsPerPoint = 96.0 / 72.0;

// How many em of story text one row of the story label holds when the window
// covers a screen of these pixels; an em is the story font's size in pixels.
double storyRowEm(int screenWidth, int screenHeight);

// The advance of a character in the story font, IPAGothic, in em. It is a
// fixed-pitch font: its glyphs are half an em wide (ASCII, half-width kana,
// most Latin letters with accents) or a whole em (kana, kanji, full-width
// forms, Greek and Cyrillic); the soft hyphen takes no room. A character the
// font lacks is drawn from another font, and counted a whole em, as is a tab,
// which goes to the label's next tab stop.
double advanceEm(char32_t character);

// The width of a line in em as the label lays it out: white space at its end
// hangs past the edge and takes no room.
double lineWidthEm(QStringView line);

} // namespace hanashi
