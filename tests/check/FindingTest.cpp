// SPDX-License-Identifier: MIT
#include "check/Finding.h"
#include "PrintedFinding.h"

#include <gtest/gtest.h>

using namespace hanashi;

TEST(Finding, LongTextWrapsAtSpacesAndNeverInsideItsPlace) {
    const Finding f{Finding::Severity::Note, "お話 1/dat/opn.dat", 4,
                    "one two three four five six seven", 2};
    EXPECT_EQ(printed(f), "お話 1/dat/opn.dat:4:2: note: one two three four five six seven");
    // The place counts two columns for each wide character.
    EXPECT_EQ(f.toWrappedText(40), "お話 1/dat/opn.dat:4:2: note: one two\n"
                                   "    three four five six seven\n");
    // A word longer than a line stands alone, and a place longer than one
    // still takes a word; spaces in a row are kept.
    EXPECT_EQ(wrapped("a-long-place:", "x  1234567890 y", 10), "a-long-place: x \n"
                                                               "    1234567890\n"
                                                               "    y\n");
}
