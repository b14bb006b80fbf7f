// SPDX-License-Identifier: MIT
#pragma once

#include "check/Finding.h"

#include <QString>
#include <vector>

namespace hanashi {

// Checks a game folder (the folder that holds dat/, as the game's executable
// does) for everything that would stop the game or spoil it: the two scripts,
// the ten numbered pictures and the tune, read with the game's own code.
// shownFolder is how the folder is named in the findings. Findings come in the
// order of the files: the opening, the ending, the pictures, the tune.
std::vector<Finding> checkGameFolder(const QString& folder, const QString& shownFolder);

// The same for the data folder itself (the folder the game calls dat/).
std::vector<Finding> checkGameData(const QString& dataDir, const QString& shownDataDir);

// True when a finding would stop the game or keep the ending out of reach.
bool hasErrors(const std::vector<Finding>& findings);

} // namespace hanashi
