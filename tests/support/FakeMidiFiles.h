// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace hanashi {

// Standard MIDI Files made in memory for tests, and the bundled tune.
class FakeMidiFiles {
public:
    // "MThd" with the given fields; tracks are appended by the caller.
    static QByteArray header(int format, int tracks, int division = 480);
    // A variable-length quantity, as delta times are written.
    static QByteArray quantity(quint32 value);
    // "MTrk", its length, then the events as given (delta times included).
    static QByteArray track(const QByteArray& events);
    // A whole file: format 0, one track holding one note of ticks length on
    // an organ that sustains, then the end of track.
    static QByteArray heldNote(int ticks);
    // The file in the RIFF wrapper of many Windows-era files: a chunk of
    // another kind (odd in length, so padded) before the data chunk that
    // holds it.
    static QByteArray rmid(const QByteArray& standard);

    // dat/bgm.mid of this source tree ($HANASHI_SOURCE_DIR overrides).
    static QString bundledTunePath();
    // Its bytes; empty if it cannot be read.
    static QByteArray bundledTune();
};

} // namespace hanashi
