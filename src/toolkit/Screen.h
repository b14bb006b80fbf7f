// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace hanashi {

// The primary screen's height in 1/1440 inch (15 to a pixel).
int screenHeightTwips();

// The real folder of the running executable (symbolic links resolved),
// without a trailing separator except at the root.
QString applicationFolder();
// The real folder of the executable at path, reached through any links in the
// path or of the file itself; empty when it does not exist.
QString realFolderOf(const QString& executablePath);

} // namespace hanashi
