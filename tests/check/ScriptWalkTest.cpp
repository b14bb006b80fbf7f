// SPDX-License-Identifier: MIT
#include "check/ScriptWalk.h"
#include "PrintedFinding.h"
#include "platform/LineReader.h"
#include "support/TestFiles.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace hanashi;

namespace {

using Severity = Finding::Severity;

// The walk of a script that holds these bytes.
ScriptWalk walkedBytes(const QByteArray& bytes) {
    LineReader reader(bytes);
    return walkScript(reader, "dat/opn.dat");
}

// The walk of a script of these lines, saved as the game's scripts are.
ScriptWalk walked(const QStringList& lines) {
    return walkedBytes(TestFiles::script(lines));
}

struct Expected {
    Severity severity;
    int line;
    const char* says; // a part of the message
};

void expectFindings(const ScriptWalk& walk, const std::vector<Expected>& expected,
                    const QString& what) {
    ASSERT_EQ(walk.findings.size(), expected.size()) << what.toStdString();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Finding& f = walk.findings[i];
        EXPECT_EQ(f.severity, expected[i].severity) << what.toStdString();
        EXPECT_EQ(f.line, expected[i].line) << what.toStdString();
        EXPECT_TRUE(f.message.contains(QString::fromUtf8(expected[i].says)))
            << what.toStdString() << ": " << printed(f).toStdString();
        EXPECT_EQ(f.file, "dat/opn.dat");
    }
}

} // namespace

// Each case is one mistake an author makes, in a script that is otherwise fine.
TEST(ScriptWalk, FindsEachLineProblemAtItsLine) {
    struct Case {
        QStringList lines;
        std::vector<Expected> findings;
    };
    const Case cases[] = {
        {{"夜だった。", "*追いかける", "*とどまる", ">ive"}, {}},
        // The game shows an empty second answer and reads on: a spoiler only.
        {{"夜だった。", "*追いかける"}, {{Severity::Warning, 2, "last line of the file"}}},
        {{"*追いかける", "", ">ive"}, {{Severity::Warning, 2, "empty answer line"}}},
        {{"それから>ive"}, {{Severity::Warning, 1, "\"それから\" is never shown"}}},
        {{"また>end明日"}, {{Severity::Warning, 1, "\"また明日\" is never shown"}}},
        {{"*鍵を回す>ive"}, {{Severity::Warning, 1, "not a question"}}},
        {{"*鍵を回す>end"}, {{Severity::Warning, 1, "restart line, not a question"}}},
        // Bare marker lines with spaces around them hide nothing worth saying.
        {{"  >ive  "}, {}},
        {{"*よい", "わるい", ">ive"}, {{Severity::Warning, 2, "\"わ\" is dropped"}}},
        {{"*", "*わるい", ">ive"}, {{Severity::Warning, 1, "no text after \"*\""}}},
        {{"*よい", "*>ive", "続き"}, {{Severity::Warning, 2, "answer line holds \">ive\""}}},
        {{"一", ">ive", "", "迷子", "", "迷子"},
         {{Severity::Warning, 4, "lines 4 to 6 never read: the branch line on line 2"}}},
        {{">end", "迷子"}, {{Severity::Warning, 2, "line 2 never read: the restart line"}}},
        // Two mistakes come in line order.
        {{"*よい", "", "前>ive"},
         {{Severity::Warning, 2, "empty answer"}, {Severity::Warning, 3, "never shown"}}},
        // Near misses of the markers, shown as text, each named; also where
        // the real marker follows.
        {{"夜", "＞ive", "*よい", "*わるい", ">ive"},
         {{Severity::Warning, 2,
           "\"＞ive\" is not the branch marker \">ive\" (full-width "
           "characters): the game shows it as text and does not branch"}}},
        {{">IVE"}, {{Severity::Warning, 1, "(capital letters)"}}},
        {{"> ive"}, {{Severity::Warning, 1, "(a space inside)"}}},
        {{"それで>iv"},
         {{Severity::Warning, 1,
           "\">iv\" is not the branch marker \">ive\" (a "
           "letter missing)"}}},
        {{"＞ＥＮＤ", "x"},
         {{Severity::Warning, 1,
           "restart marker \">end\" (full-width characters and capital "
           "letters): the game shows it as text and does not go back"}}},
        {{"*>Ive", "*>en"},
         {{Severity::Warning, 1, "\">Ive\""},
          {Severity::Warning, 2, "\">en\" is not the restart"}}},
        {{"> IVE と >End"},
         {{Severity::Warning, 1, "\"> IVE\""}, {Severity::Warning, 1, "\">End\""}}},
        // What only looks alike to a machine.
        {{">ivory", "a > b", "x >en route", "≫ive", ">ive"}, {}},
    };
    for (const Case& c : cases)
        expectFindings(walked(c.lines), c.findings, c.lines.join('|'));
}

TEST(ScriptWalk, NamesTheColumnOfANearMiss) {
    const ScriptWalk walk = walked({"夜の＞ive"});
    ASSERT_EQ(walk.findings.size(), 1u);
    EXPECT_TRUE(printed(walk.findings[0]).startsWith("dat/opn.dat:1:3: warning: \"＞ive\""));
}

// A row of the story text holds 20.5 full-width characters on 1280x1024,
// 27 on 1920x1080, 28.5 on 2560x1440 and 30.5 on 1366x768.
TEST(ScriptWalk, WarnsOfLinesTooWideForTheStoryTextAndNamesTheScreens) {
    const QString kana(60, QChar(u'あ'));
    struct Case {
        QStringList lines;
        const char* says; // empty: no finding
    };
    const Case cases[] = {
        {{kana.left(20), QString(41, 'x'), kana.left(20) + "　  "}, ""},
        {{kana.left(21)},
         "line is 21 full-width characters wide and wraps in the story text on 1280x1024 (a row "
         "holds 20.5 there): \"ああ"},
        {{kana.left(20) + "xx"}, "line is 21 full-width"},
        {{kana.left(28)}, "on 1920x1080 and 1280x1024 (a row holds 27 and 20.5 there)"},
        {{kana},
         "on 1366x768, 1920x1080, 1280x1024 and 2560x1440 (a row holds 30.5, 27, 20.5 "
         "and 28.5 there)"},
        // Answers are shown there once chosen, without their first character.
        {{"*" + kana.left(20), "*" + kana.left(21)},
         ":2: warning: answer is 21 full-width "
         "characters wide and, once chosen, wraps"},
    };
    for (const Case& c : cases) {
        const ScriptWalk walk = walked(c.lines);
        QStringList all;
        for (const Finding& f : walk.findings)
            all << printed(f);
        if (!*c.says) {
            EXPECT_TRUE(all.isEmpty()) << all.join('\n').toStdString();
            continue;
        }
        ASSERT_EQ(all.size(), 1) << all.join('\n').toStdString();
        EXPECT_TRUE(all[0].contains(QString::fromUtf8(c.says))) << all[0].toStdString();
    }
    // Past twenty, the rest are counted.
    const ScriptWalk many = walked(QStringList(25, kana.left(21)));
    ASSERT_EQ(many.findings.size(), 21u);
    EXPECT_EQ(printed(many.findings.back()),
              "dat/opn.dat:25: warning: 5 more lines up to this one are too wide for the story "
              "text on one of the screens named above");
}

// The walk follows the game's reader: the line after a question is its answer
// whatever it holds, and the first branch or restart line leaves the file.
TEST(ScriptWalk, ReadsTheWayTheGameDoes) {
    struct Case {
        QStringList lines;
        std::optional<LineKind> exit;
        int exitLine;
        int questions;
        int branchLines; // read or not, answer lines aside
    };
    const Case cases[] = {
        {{}, std::nullopt, 0, 0, 0},
        {{"一", "二"}, std::nullopt, 0, 0, 0},
        {{"*a", "*>ive", "*b", "*c", ">end", "*d", "*e", ">ive"}, LineKind::Restart, 5, 2, 1},
        {{"x>end>ive"}, LineKind::Branch, 1, 0, 1}, // the branch marker wins
        {{"*a", "*b", "*c"}, std::nullopt, 0, 2, 0},
        // Only the exact ASCII markers count.
        {{"＊全角", "b", ">IVE", ">End", "＞ive"}, std::nullopt, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const ScriptWalk walk = walked(c.lines);
        const std::string what = c.lines.join('|').toStdString();
        EXPECT_EQ(walk.lineCount, c.lines.size()) << what;
        EXPECT_EQ(walk.exitKind, c.exit) << what;
        EXPECT_EQ(walk.exitLine, c.exitLine) << what;
        EXPECT_EQ(walk.questions, c.questions) << what;
        EXPECT_EQ(walk.branchLines, c.branchLines) << what;
    }
}

TEST(ScriptWalk, ReportsBytesThatAreNotCodePage932) {
    // A bad trail byte, an unassigned code and a lead byte cut off at the end,
    // the middle one after the branch line: never read, still reported.
    const QByteArray bytes("ok\r\nA\x81\x20"
                           "B\r\n>ive\r\n\x85\x40\r\nC\x82");
    ScriptWalk walk = walkedBytes(bytes);
    std::erase_if(walk.findings,
                  [](const Finding& f) { return !f.message.contains("not valid code page 932"); });
    ASSERT_EQ(walk.findings.size(), 3u);
    EXPECT_TRUE(walk.findings[0].message.contains(QString::fromUtf16(u"\"A\uFFFD B\"")));
    // Where the first bad byte is, in characters, and which byte it is.
    const std::tuple<int, int, const char*> where[] = {
        {2, 2, "0x81"}, {4, 1, "0x85"}, {5, 2, "0x82"}};
    for (std::size_t i = 0; i < 3; ++i) {
        const Finding& f = walk.findings[i];
        EXPECT_EQ(f.severity, Severity::Warning);
        EXPECT_EQ(std::tuple(f.line, f.column),
                  std::tuple(std::get<0>(where[i]), std::get<1>(where[i])));
        EXPECT_TRUE(f.message.contains(std::get<2>(where[i]))) << printed(f).toStdString();
    }
    EXPECT_TRUE(printed(walk.findings[1]).startsWith("dat/opn.dat:4:1: warning: "));

    // A script saved as UTF-8 without its mark: one finding, not one a line.
    const QByteArray utf8 = QStringLiteral("夏の夜\r\n祭り\r\nend\r\n").toUtf8();
    walk = walkedBytes(utf8);
    expectFindings(walk, {{Severity::Warning, 1, "2 of the 3 lines"}}, "utf-8");
    EXPECT_TRUE(walk.findings[0].message.contains("looks like UTF-8"));
    // With the mark the game reads it as UTF-8.
    walk = walkedBytes("\xEF\xBB\xBF" + utf8);
    EXPECT_TRUE(walk.findings.empty());
    walk = walkedBytes("\xEF\xBB\xBF"
                       "\xE3\x81\x82\xff\r\n");
    expectFindings(walk, {{Severity::Warning, 1, "not valid UTF-8"}}, "bad utf-8");
    EXPECT_EQ(walk.findings[0].column, 2);
    EXPECT_TRUE(walk.findings[0].message.contains("0xff"));
}
