// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>

namespace hanashi {

// Loads a Windows bitmap file. A missing, unreadable or unsupported file is a
// run-time error whose message names the file and the reason.
QImage LoadPicture(const QString& path);

} // namespace hanashi
