// SPDX-License-Identifier: MIT
#include "platform/RuntimeError.h"

namespace hanashi {

RuntimeError::RuntimeError(const QString& message)
    : std::runtime_error(message.toStdString())
    , m_message(message) {}

} // namespace hanashi
