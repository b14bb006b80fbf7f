// SPDX-License-Identifier: MIT
#include "platform/Cp932.h"

#include <gtest/gtest.h>

using hanashi::decodeCp932;

namespace {

QString u(const char16_t* text) {
    return QString::fromUtf16(text);
}

} // namespace

// Each case is a place where a plausible decoder goes wrong: strict Shift-JIS
// tables, Qt's control-byte swap, a decoder that stops at the first bad byte or
// silently swallows a lead byte at the end.
TEST(Cp932Decode, MapsLikeWindowsAndNeverStops) {
    struct Case {
        QByteArray in;
        QString out;
        bool error;
    };
    const Case cases[] = {
        {"\x81\x60", u(u"\uFF5E"), false},               // fullwidth tilde, not the wave dash
        {"\x87\x40", u(u"\u2460"), false},               // NEC circled one
        {"\xED\x40\xFA\x40", u(u"\u7E8A\u2170"), false}, // IBM extensions
        {"\x5C\x7E", u(u"\\~"), false},                  // ASCII, not yen and overline
        {"\x1A\x1C\x7F", u(u"\x1A\x1C\x7F"), false},     // control bytes unchanged
        {"\xB1\xB2", u(u"\uFF71\uFF72"), false},         // half-width katakana
        {"\x82\xA0\x88\x9F", u(u"\u3042\u4E9C"), false},
        {QByteArray("A\x81\x20"
                    "B",
                    4),
         u(u"A\uFFFD B"), true},           // bad trail byte
        {"A\x82", u(u"A\uFFFD"), true},    // lead byte at the very end
        {"\x85\x40", u(u"\uFFFD@"), true}, // unassigned code
        {"\x80\xA0\xFD\xFF", u(u"\uFFFD\uFFFD\uFFFD\uFFFD"), true},
        {"", QString(), false},
    };
    for (const Case& c : cases) {
        bool error = !c.error;
        EXPECT_EQ(decodeCp932(c.in, &error), c.out) << c.in.toHex().constData();
        EXPECT_EQ(error, c.error) << c.in.toHex().constData();
    }
}

TEST(Cp932Decode, ResumesCleanlyAfterAnErrorInAnEarlierCall) {
    // The converter is reused between calls: a failure must not leave state
    // behind that changes the next text.
    bool error = false;
    decodeCp932("\x82", &error);
    EXPECT_TRUE(error);
    EXPECT_EQ(decodeCp932("\x82\xA0", &error), u(u"\u3042"));
    EXPECT_FALSE(error);
}
