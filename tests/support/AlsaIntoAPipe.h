// SPDX-License-Identifier: MIT
#pragma once

#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace hanashi {

// FluidSynth's ALSA driver writing raw samples into a named pipe, through
// ALSA's file plugin: an output thread without a sound card, which the test
// paces or stops by how it reads the pipe.
struct AlsaIntoAPipe {
    AlsaIntoAPipe();
    ~AlsaIntoAPipe();
    AlsaIntoAPipe(const AlsaIntoAPipe&) = delete;
    AlsaIntoAPipe& operator=(const AlsaIntoAPipe&) = delete;

    // The settings that send FluidSynth's ALSA output into the pipe.
    std::vector<std::pair<std::string, std::string>> driverSettings() const;
    // Empties the pipe; the bytes read.
    std::int64_t drain() const;

    QTemporaryDir dir;
    std::string path = dir.filePath(QStringLiteral("out.raw")).toStdString();
    // The reading end, which never blocks; -1 if the pipe could not be made.
    int reader = -1;
};

} // namespace hanashi
