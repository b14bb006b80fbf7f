// SPDX-License-Identifier: MIT
#include "platform/RuntimeError.h"

#include "platform/ProgramFolder.h"

namespace hanashi {

RuntimeError::RuntimeError(const QString& message)
    : RuntimeError(Shown{withShownFolders(message)}) {}

RuntimeError::RuntimeError(Shown shown)
    : std::runtime_error(shown.message.toStdString())
    , m_message(std::move(shown.message)) {}

} // namespace hanashi
