// SPDX-License-Identifier: MIT
#include "platform/Utf8.h"

#include <QString>
#include <algorithm>

namespace hanashi {

qsizetype utf8CharacterAt(QByteArrayView bytes, qsizetype at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80)
        return 1;
    if (lead < 0xC2 || lead > 0xF4)
        return 0;
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    // A sequence is valid exactly when it comes back from a round trip
    // unchanged: an invalid one decodes to U+FFFD, whose bytes differ.
    const QByteArrayView sequence = bytes.sliced(at, std::min(length, bytes.size() - at));
    return QString::fromUtf8(sequence).toUtf8() == sequence ? length : 0;
}

} // namespace hanashi
