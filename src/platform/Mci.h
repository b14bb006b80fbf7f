// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <chrono>
#include <memory>

namespace hanashi {

// Result codes of Mci::sendString. Callers in the game never look at them;
// they exist so that tests and tools can tell the failures apart.
enum class MciError : int {
    None = 0,
    UnrecognizedCommand, // unknown verb, stray quote, unexpected word
    MissingParameter,    // a required word or value is absent
    BadParameter,        // a value is present but not acceptable
    UnknownAlias,        // no device is open under that name
    UnknownDeviceType,   // the file's extension names no device we have
    CannotOpen,          // missing or broken file, no SoundFont, no audio output
    DeviceFailed,        // the open device refused the request
};

constexpr int mciCode(MciError error) {
    return static_cast<int>(error);
}

// Multimedia command strings: the small text protocol the music module speaks.
// Devices are addressed by alias; commands run on the caller's thread (an open
// may leave the loading to a worker) and no command ever waits for playback.
class Mci {
public:
    virtual ~Mci() = default;

    // Sends one command; returns 0 on success and a non-zero code otherwise.
    // reply may be null; a reply is cut to replyLength characters. Only
    // commands that answer (status) write to reply, and only on success.
    virtual int sendString(const QString& command, QString* reply, int replyLength) = 0;

    // How long from now "status ALIAS mode" is sure not to answer stopped,
    // as long as no other command is sent: a watchdog that polls for the
    // stopped mode need not ask before then. Forever when nothing is open
    // under the alias; zero when the interpreter cannot tell.
    virtual std::chrono::milliseconds quietFor(const QString& alias) {
        (void)alias;
        return std::chrono::milliseconds::zero();
    }
};

} // namespace hanashi
