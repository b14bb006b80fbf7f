// SPDX-License-Identifier: MIT
#include "platform/LineReader.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

using hanashi::LineReader;

namespace {

QStringList readAll(const QByteArray& bytes) {
    LineReader reader(bytes);
    QStringList lines;
    while (!reader.atEnd())
        lines << reader.readLine();
    return lines;
}

} // namespace

TEST(LineReader, SplitsAtEveryKindOfLineEnd) {
    struct Case {
        QByteArray in;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},         // last line without terminator
        {"a\nb\n", {"a", "b"}},         // saved on Linux
        {"a\rb", {"a", "b"}},           // lone CR
        {"a\r\n\r\nb", {"a", "", "b"}}, // empty line in between
        {"a\n\r\nb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"\n\n", {"", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readAll(c.in), c.lines) << c.in.toHex().constData();
}

TEST(LineReader, DecodesEachLineAsCodePage932AndCountsCharacters) {
    LineReader reader(QByteArray("\x81\x96\x82\xA0\r\n\x85\x40\x0D\x0A", 10));
    const QString first = reader.readLine();
    EXPECT_EQ(first, QString::fromUtf16(u"\uFF0A\u3042"));
    EXPECT_EQ(first.size(), 2);
    EXPECT_FALSE(reader.lastLineHadBadBytes());
    // 0x85 0x40 is unassigned: the lead byte becomes U+FFFD, the rest stays.
    EXPECT_EQ(reader.readLine(), QString::fromUtf16(u"\uFFFD@"));
    EXPECT_TRUE(reader.lastLineHadBadBytes());
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.lineNumber(), 2);
}

TEST(LineReader, ReadsUtf8WhenTheFileStartsWithItsMark) {
    LineReader reader("\xEF\xBB\xBF*\xE3\x81\x82\r\n>ive");
    EXPECT_TRUE(reader.isUtf8());
    EXPECT_EQ(reader.readLine(), QString::fromUtf16(u"*\u3042"));
    EXPECT_EQ(reader.readLine(), QStringLiteral(">ive"));
    EXPECT_TRUE(reader.atEnd());
    // A mark alone is an empty file, not an empty line.
    EXPECT_TRUE(LineReader("\xEF\xBB\xBF").atEnd());
}

TEST(LineReader, ReadingAtTheEndGivesNothingAndStaysThere) {
    LineReader reader("x");
    reader.readLine();
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.readLine(), QString());
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.lineNumber(), 1);
}

// The reader keeps only a small buffer, so every line end, the byte-order
// mark and a double-byte character may be split between two fills. Read
// through buffers of 4 to 9 bytes, filled 1 to 3 bytes at a time, the lines
// are those of the whole input.
TEST(LineReader, ReadsTheSameLinesThroughAnySmallBuffer) {
    const QByteArray inputs[] = {
        "one\r\ntwo\nthree\rfour\r\n\r\n\n\r",
        "\xEF\xBB\xBF\xE3\x81\x82\r\n\xE3\x81\x84\r",
        "\x82\xA0\x82\xA2\r\n\x81\r\n\x82",
        "\r\n",
        "",
    };
    for (const QByteArray& input : inputs) {
        LineReader whole(input);
        QStringList expected;
        while (!whole.atEnd())
            expected << whole.readLine();
        for (int buffer = 4; buffer <= 9; ++buffer) {
            for (int chunk = 1; chunk <= 3; ++chunk) {
                qsizetype at = 0;
                LineReader pieces(
                    [&](char* out, std::int64_t room) {
                        const qsizetype n = std::min<qsizetype>({chunk, room, input.size() - at});
                        std::memcpy(out, input.constData() + at, static_cast<size_t>(n));
                        at += n;
                        return static_cast<std::int64_t>(n);
                    },
                    buffer);
                QStringList lines;
                while (!pieces.atEnd())
                    lines << pieces.readLine();
                EXPECT_EQ(lines, expected)
                    << input.toHex().constData() << " buffer " << buffer << " chunk " << chunk;
            }
        }
    }
}

// A line that never ends (a device, a damaged file) is cut, at a character,
// and the rest of it is skipped without being held: the source here makes
// 64 MB of "あ" that exist nowhere at once.
TEST(LineReader, CutsALineThatNeverEndsAndSkipsTheRestUnheld) {
    const qint64 total = 64 * 1024 * 1024;
    qint64 made = 0;
    bool tailSent = false;
    LineReader reader([&](char* out, std::int64_t room) -> std::int64_t {
        if (made < total) {
            // Starts with one ASCII byte, so that the limit splits a character.
            std::int64_t n = 0;
            for (; n < room && made < total; ++n, ++made)
                out[n] = made == 0 ? 'a' : (made % 2 ? '\x82' : '\xA0');
            return n;
        }
        if (tailSent)
            return 0;
        tailSent = true;
        std::memcpy(out, "\r\nnext", 6);
        return 6;
    });
    const QString first = reader.readLine();
    EXPECT_TRUE(reader.lastLineWasCut());
    EXPECT_FALSE(reader.lastLineHadBadBytes());
    EXPECT_LE(first.size(), LineReader::MaxLineBytes);
    EXPECT_EQ(first.size(), 1 + (LineReader::MaxLineBytes - 2) / 2);
    EXPECT_TRUE(first.endsWith(QStringLiteral("ああ")));
    EXPECT_EQ(reader.readLine(), "next");
    EXPECT_FALSE(reader.lastLineWasCut());
    EXPECT_TRUE(reader.atEnd());
}
