// SPDX-License-Identifier: MIT
#pragma once

#include <QChar>
#include <QLatin1StringView>
#include <QString>

namespace hanashi {

// The rules of the game that more than one place needs: the game itself, its
// layout and hanashi-check all take them from here, so that a change to one
// is a change everywhere.

// The game's data: a folder beside the program holding the two scripts, the
// pictures and the tune. Every story begins at the top of the opening.
inline constexpr QLatin1StringView DataFolder{"dat"};
inline constexpr QLatin1StringView OpeningScript{"opn.dat"};
inline constexpr QLatin1StringView EndingScript{"end.dat"};
inline constexpr QLatin1StringView TuneFile{"bgm.mid"};
inline constexpr int PictureCount = 10;
// "00.bmp" to "09.bmp".
QString pictureFile(int index);

// Script markers. All are matched exactly, case and width included.
inline constexpr QLatin1StringView BranchMarker{">ive"};  // anywhere in a line
inline constexpr QLatin1StringView RestartMarker{">end"}; // anywhere in a line
inline constexpr QChar QuestionMarker{u'*'};              // first in a line

// A branch line opens the ending at this score or more.
inline constexpr int EndingScore = 500;

// A scroll bar's range and the value start-up gives it.
struct BarRange {
    int min;
    int max;
    int start;
};

// The time between two story lines in ms.
inline constexpr BarRange SpeedBar{100, 5000, 1500};
// The question level: the countdown's step in ms, and the lower it is the
// more an answer is worth, so the best level is the minimum.
inline constexpr BarRange LevelBar{1, 100, 10};

} // namespace hanashi
