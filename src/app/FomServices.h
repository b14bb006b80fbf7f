// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

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

// The services of the real game. Its end gives the workers their deadline.
FomServices systemServices(RandomSource& random, Mci& mci, Workers& workers);

} // namespace hanashi
