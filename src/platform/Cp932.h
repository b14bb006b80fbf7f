// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>

namespace hanashi {

// Decodes Windows code page 932 the way Windows does (NEC and IBM extensions,
// 0x5C as backslash, control bytes unchanged). A byte that starts no valid
// character, and a lead byte with no trail byte, become U+FFFD each; decoding
// then goes on with the next byte. hadError, if given, tells whether that
// happened.
QString decodeCp932(QByteArrayView bytes, bool* hadError = nullptr);

// Whether b starts a character of two bytes.
constexpr bool isCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace hanashi
