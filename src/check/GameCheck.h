// SPDX-License-Identifier: MIT
#pragma once

#include "check/Finding.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace hanashi {

// What the scripts hold, for the checker's summary.
struct StoryCounts {
    int scripts = 0; // scripts read to their end
    std::int64_t lines = 0;
    std::int64_t questions = 0; // those the game can ask
    std::int64_t branchLines = 0;
    // The most points one pass through the opening wins at the start-up
    // question level; none when the opening could not be read.
    std::optional<int> bestPassScore;
};

// Checks a game folder (the folder that holds dat/, as the game's executable
// does) for everything that would stop the game or spoil it: the two scripts,
// the ten numbered pictures and the tune, read with the game's own code.
// shownFolder is how the folder is named in the findings. Findings come in the
// order of the files: the opening, the ending, the pictures, the tune.
// counts, if given, is filled in for the summary.
std::vector<Finding> checkGameFolder(const QString& folder, const QString& shownFolder,
                                     StoryCounts* counts = nullptr);

// The same for the data folder itself (the folder the game calls dat/).
std::vector<Finding> checkGameData(const QString& dataDir, const QString& shownDataDir,
                                   StoryCounts* counts = nullptr);

} // namespace hanashi
