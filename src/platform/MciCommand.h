// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Mci.h"

#include <QString>
#include <optional>

namespace hanashi {

// One parsed command string. Only the forms the game sends are understood:
//   open "PATH" alias NAME
//   close NAME [notify]
//   play NAME [from N] [notify]
//   stop NAME [notify]
//   status NAME mode
//   seek NAME to start
// Keywords are case-insensitive. A word may be quoted to hold spaces; a double
// quote anywhere else makes the whole command unrecognised, so a path holding
// one can never be read as a different file. notify is accepted where the
// game sends it and changes nothing: no window waits for the message.
struct MciCommand {
    enum class Verb { Open, Close, Play, Stop, Status, Seek };

    Verb verb = Verb::Close;
    QString device;          // the alias, or the file path for open
    QString alias;           // open only
    std::optional<int> from; // play only

    // Fills command and returns MciError::None, or returns why the text is not
    // a command we understand (command is then unspecified).
    static MciError parse(const QString& text, MciCommand& command);
};

} // namespace hanashi
