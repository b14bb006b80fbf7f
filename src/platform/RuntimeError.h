// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <stdexcept>

namespace hanashi {

// The one error type of the program. Toolkit and platform operations that fail
// throw it with a message naming what failed and which file. Only the
// application's event dispatch and start-up catch it: they show the message and
// end the program with a non-zero status. No handler catches it on its own.
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
