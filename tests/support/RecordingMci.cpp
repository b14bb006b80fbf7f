// SPDX-License-Identifier: MIT
#include "support/RecordingMci.h"

namespace hanashi {

int RecordingMci::sendString(const QString& command, QString* reply, int replyLength) {
    if (onSend)
        onSend(command);
    commands.append(command);
    if (reply && command.startsWith(QLatin1String("status")))
        *reply = statusReply.left(replyLength);
    return 0;
}

} // namespace hanashi
