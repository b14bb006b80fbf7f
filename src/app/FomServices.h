// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ProgramFolder.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace hanashi {

class Mci;
class RandomSource;
class Workers;

// What the window takes from the system, handed in so that tests can stand in
// for each: chance, the music's command strings, the program's folder, the
// screen, the desktop's document opener and the end of the process.
struct FomServices {
    RandomSource& random;
    Mci& mci;
    std::function<QString()> programFolder;
    std::function<int()> screenHeightTwips;
    std::function<void(const QUrl&)> openDocument;
    std::function<void(int status)> endProgram;
};

// The game's folder, found from startedBy (argv[0], may be null) by the
// started-by rule of ProgramFolder::find.
std::optional<ProgramFolder> gameFolder(const char* startedBy);

// The services of the real game; programFolder is the path of the game's
// folder (ProgramFolder::path()), which must stay open for the whole run.
// Its end gives the workers their deadline.
FomServices systemServices(RandomSource& random, Mci& mci, const QString& programFolder,
                           Workers& workers);

} // namespace hanashi
