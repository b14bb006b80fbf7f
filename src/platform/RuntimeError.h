// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <stdexcept>

namespace hanashi {

// The one error type of the program. Toolkit and platform operations that fail
// throw it with a message naming what failed and which file. In the game it
// ends at the window's event dispatch (toolkit/Form), through which start-up
// and every handler run: the message is shown and the program ends with a
// non-zero status. No handler catches it on its own. Below the handlers it is
// caught only where a failure is not the end: a SoundFont that does not open
// is passed over for the next, a tune that cannot be read is refused (the game
// plays without music), and a picture read on a worker hands it to the thread
// that asks for the picture. hanashi-check turns it into a finding.
// A path under a folder held through its descriptor link (ProgramFolder) is
// named in the message by the folder's own name.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const QString& message);

    const QString& message() const { return m_message; }

private:
    struct Shown {
        QString message;
    };
    explicit RuntimeError(Shown shown);

    QString m_message;
};

} // namespace hanashi
