// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Mci.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace hanashi {

// A music device that only writes down the command strings it is sent, in
// order. Every command succeeds; a status query answers statusReply, by
// default "playing", so that the watchdog restarts nothing on its own.
class RecordingMci : public Mci {
public:
    int sendString(const QString& command, QString* reply, int replyLength) override;

    QStringList commands;
    QString statusReply = QStringLiteral("playing");
    // Runs on every command, before it is recorded: lets a test look at the
    // rest of the program at the moment of the call.
    std::function<void(const QString& command)> onSend;
};

} // namespace hanashi
