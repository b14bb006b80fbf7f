// SPDX-License-Identifier: MIT
// The script line reader on arbitrary bytes: CR and LF anywhere, lines of any
// length, with or without the UTF-8 mark. The reader's lines are checked
// against a plain splitter written from its contract, and read again through
// a small buffer filled a few bytes at a time, which must change nothing.

#include "FuzzCheck.h"
#include "platform/Cp932.h"
#include "platform/LineReader.h"

#include <QList>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

using hanashi::LineReader;

namespace {

// Lines end at CR LF, a lone LF or a lone CR; the last may lack its end.
QList<QByteArrayView> splitLines(QByteArrayView bytes) {
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.append(bytes.sliced(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.sliced(start));
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool utf8 = bytes.startsWith("\xEF\xBB\xBF");
    const QList<QByteArrayView> expected = splitLines(QByteArrayView(bytes).sliced(utf8 ? 3 : 0));

    LineReader reader(bytes);
    FUZZ_CHECK(reader.isUtf8() == utf8);
    FUZZ_CHECK(reader.atEnd() == expected.isEmpty());
    for (qsizetype n = 0; n < expected.size(); ++n) {
        FUZZ_CHECK(!reader.atEnd());
        const QString line = reader.readLine();
        FUZZ_CHECK(reader.lineNumber() == n + 1);
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));

        bool bad = false;
        QString want;
        if (utf8) {
            QStringDecoder decoder(QStringDecoder::Utf8);
            want = decoder(expected[n]);
            bad = decoder.hasError();
        } else {
            want = hanashi::decodeCp932(expected[n], &bad);
        }
        FUZZ_CHECK(line == want);
        FUZZ_CHECK(reader.lastLineHadBadBytes() == bad);
    }
    // Then the end, for good.
    FUZZ_CHECK(reader.atEnd());
    FUZZ_CHECK(reader.readLine().isEmpty());
    FUZZ_CHECK(reader.atEnd() && !reader.lastLineHadBadBytes());
    FUZZ_CHECK(reader.lineNumber() == expected.size());

    // The same input through a buffer of 4 to 32 bytes, filled 1 to 7 bytes
    // at a time, both picked from the input's size.
    const std::int64_t bufferBytes = 4 + static_cast<std::int64_t>(size % 29);
    const qsizetype chunk = 1 + static_cast<qsizetype>(size / 29 % 7);
    qsizetype at = 0;
    LineReader pieces(
        [&](char* out, std::int64_t room) {
            const qsizetype n = std::min<qsizetype>({chunk, room, bytes.size() - at});
            std::memcpy(out, bytes.constData() + at, static_cast<size_t>(n));
            at += n;
            return static_cast<std::int64_t>(n);
        },
        bufferBytes);
    LineReader again(bytes);
    FUZZ_CHECK(pieces.isUtf8() == utf8);
    while (!again.atEnd()) {
        FUZZ_CHECK(!pieces.atEnd());
        FUZZ_CHECK(pieces.readLine() == again.readLine());
        FUZZ_CHECK(pieces.lastLineHadBadBytes() == again.lastLineHadBadBytes());
    }
    FUZZ_CHECK(pieces.atEnd());
    return 0;
}
