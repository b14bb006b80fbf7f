// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

namespace hanashi {

// The length of the valid UTF-8 character that starts at bytes[at]; 0 when
// the bytes there start none (a stray or overlong byte, a surrogate, a
// character cut short).
qsizetype utf8CharacterAt(QByteArrayView bytes, qsizetype at);

} // namespace hanashi
