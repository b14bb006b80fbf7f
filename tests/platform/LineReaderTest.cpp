// SPDX-License-Identifier: MIT
#include "platform/LineReader.h"

#include <QStringList>
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
