// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MidiDevice.h"

#include <QString>
#include <memory>

namespace hanashi {

// Opens MIDI files as devices. Kept abstract so that the command interpreter
// can be exercised against a fake, without sound.
class MidiEngine {
public:
    virtual ~MidiEngine() = default;

    // Returns null when the file is missing or is no playable MIDI file, or
    // when nothing can be set up to play it. Never throws, never prints.
    virtual std::unique_ptr<MidiDevice> open(const QString& path) = 0;
};

} // namespace hanashi
