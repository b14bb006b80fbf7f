// SPDX-License-Identifier: MIT
#include "check/GameCheck.h"
#include "PrintedFinding.h"
#include "support/FakeMidiFiles.h"
#include "support/GameFolder.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace hanashi;

namespace {

using Severity = Finding::Severity;

// The findings that stop the game or keep the ending out of reach.
long errorsIn(const std::vector<Finding>& findings) {
    return std::count_if(findings.begin(), findings.end(),
                         [](const Finding& f) { return f.severity == Severity::Error; });
}

// A game folder with nothing to complain about: one question before the
// branch line, an ending, the ten pictures and a playable tune.
class GameCheck : public ::testing::Test {
protected:
    GameCheck() {
        game.writeScript("opn.dat", {"夜だった。", "*追う", "*待つ", ">ive"});
        game.writeScript("end.dat", {"朝が来た。"});
        game.writeData("bgm.mid", FakeMidiFiles::heldNote(480));
    }

    std::vector<Finding> check() const { return checkGameFolder(game.programFolder(), "game"); }

    // The findings of one severity, as text.
    QStringList texts(Severity severity) const {
        QStringList out;
        for (const Finding& f : check()) {
            if (f.severity == severity)
                out << printed(f);
        }
        return out;
    }

    GameFolder game;
};

} // namespace

TEST_F(GameCheck, AGoodFolderHasOnlyTheNotesOnTheEnding) {
    const std::vector<Finding> findings = check();
    EXPECT_EQ(errorsIn(findings), 0);
    ASSERT_EQ(findings.size(), 2u);
    for (const Finding& f : findings) {
        EXPECT_EQ(f.severity, Severity::Note);
        EXPECT_EQ(f.file, "game/dat/opn.dat");
        EXPECT_EQ(f.line, 4);
    }
    // One question a pass: 100 points a pass at the start-up level, 109 at the best.
    EXPECT_TRUE(findings[0].message.contains("start-up question level (10) after 5 good answers"));
    EXPECT_TRUE(findings[0].message.contains("over 5 passes"));
    EXPECT_TRUE(findings[1].message.contains("best question level (1) after 5 good answers"));
}

// Whatever stops the game, at start-up or when the story gets there.
TEST_F(GameCheck, MissingFilesThatStopTheGameAreErrors) {
    game.removeData("opn.dat");
    game.removeData("05.bmp");
    game.removeData("end.dat");
    EXPECT_EQ(texts(Severity::Error),
              QStringList({"game/dat/opn.dat: error: missing: every story begins here, and the "
                           "game stops with an error without it",
                           "game/dat/05.bmp: error: missing: the game stops at start-up without "
                           "it"}));

    // The ending is needed once a branch line can open it.
    game.writeScript("opn.dat", {"*追う", "*待つ", "一>ive"});
    const QStringList errors = texts(Severity::Error);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0], "game/dat/end.dat: error: missing: the branch line game/dat/opn.dat:3 "
                         "opens it with 500 points or more, and the game stops with an error "
                         "there");
    EXPECT_EQ(errorsIn(check()), 2);

    // Wrong case is the likeliest cause on Linux.
    QFile::rename(QDir(game.dataFolder()).filePath("04.bmp"),
                  QDir(game.dataFolder()).filePath("04.BMP"));
    EXPECT_TRUE(texts(Severity::Error)
                    .contains("game/dat/04.bmp: error: missing: the game stops at start-up "
                              "without it (there is \"04.BMP\", but file names are "
                              "case-sensitive)"));
}

TEST_F(GameCheck, PicturesTheGameCannotLoadAreErrors) {
    game.writeData("02.bmp", "not a picture");
    game.writeData("07.bmp", QByteArray("BM") + QByteArray(60, '\0')); // a header and nothing
    game.removeData("09.bmp");
    QDir(game.dataFolder()).mkdir("09.bmp");
    const QStringList errors = texts(Severity::Error);
    ASSERT_EQ(errors.size(), 3) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("game/dat/02.bmp: error: the game cannot load it and stops at "
                                     "start-up: Invalid picture"));
    EXPECT_TRUE(errors[0].contains("not a Windows bitmap"));
    EXPECT_TRUE(errors[1].startsWith("game/dat/07.bmp: error: the game cannot load it"));
    EXPECT_EQ(errors[2], "game/dat/09.bmp: error: is a folder, not a file");
}

// Whatever stands under a file's name is judged without waiting on it or
// reading it: a named pipe nobody writes to would hang the check, and a link
// to an endless device would fill the memory.
TEST_F(GameCheck, NamesEveryFileThatIsNoPlainFile) {
    const QDir dat(game.dataFolder());
    for (const char* name : {"opn.dat", "03.bmp", "bgm.mid"}) {
        game.removeData(name);
        ASSERT_EQ(mkfifo(QFile::encodeName(dat.filePath(name)).constData(), 0600), 0);
    }
    for (const char* name : {"end.dat", "05.bmp"}) {
        game.removeData(name);
        ASSERT_TRUE(QFile::link("/dev/zero", dat.filePath(name)));
    }
    QStringList all;
    for (const Finding& f : check())
        all << printed(f);
    EXPECT_EQ(all, QStringList({"game/dat/opn.dat: error: is a named pipe, not a file",
                                "game/dat/end.dat: error: is a character device, not a file",
                                "game/dat/03.bmp: error: is a named pipe, not a file",
                                "game/dat/05.bmp: error: is a character device, not a file",
                                "game/dat/bgm.mid: warning: is a named pipe, not a file"}));
}

// The game plays in silence without a usable tune: a warning, never an error.
TEST_F(GameCheck, ATuneThatCannotPlayIsAWarning) {
    const QByteArray tune = FakeMidiFiles::heldNote(480);
    struct Case {
        QByteArray bytes; // empty: no file
        const char* says;
    };
    const Case cases[] = {
        {QByteArray(), "game/dat/bgm.mid: warning: missing: the game runs without music"},
        {"text", "not played: not a Standard MIDI File: it does not begin with MThd: the game "
                 "runs without music"},
        {tune.left(tune.size() - 3), "not played: the file ends inside track 1: the game runs "
                                     "without music"}, // cut short
    };
    for (const Case& c : cases) {
        game.removeData("bgm.mid");
        if (!c.bytes.isEmpty())
            game.writeData("bgm.mid", c.bytes);
        const std::vector<Finding> findings = check();
        EXPECT_EQ(errorsIn(findings), 0) << c.says;
        const QStringList warnings = texts(Severity::Warning);
        ASSERT_EQ(warnings.size(), 1) << c.says;
        EXPECT_TRUE(warnings[0].contains(c.says)) << warnings[0].toStdString();
    }
}

TEST_F(GameCheck, AnEndingThatCannotBeReachedIsAnError) {
    struct Case {
        QStringList opening;
        const char* error;
    };
    const Case cases[] = {
        {{}, "game/dat/opn.dat: error: empty"},
        {{"一", "*追う", "*待つ", "二"}, "game/dat/opn.dat: error: no branch line"},
        {{"*追う", "*待つ", ">IVE"},
         "game/dat/opn.dat: error: no branch line (\">ive\"), though line 3 comes close:"},
        // A question on the last line is only a warning, but the end of the
        // file still takes every point away.
        {{"一", "*追う"}, "game/dat/opn.dat: error: no branch line"},
        {{"*追う", "*待つ", ">end", ">ive"},
         "game/dat/opn.dat:3: error: this restart line comes before any branch line"},
        {{"一", ">ive"}, "game/dat/opn.dat:2: error: no question before this branch line"},
        // The marker turns the question into a branch line without points.
        {{"*追う>ive", "*待つ"}, "game/dat/opn.dat:1: error: no question before"},
    };
    for (const Case& c : cases) {
        game.writeScript("opn.dat", c.opening);
        const QStringList errors = texts(Severity::Error);
        ASSERT_EQ(errors.size(), 1) << c.error;
        EXPECT_TRUE(errors[0].startsWith(c.error)) << errors[0].toStdString();
        EXPECT_TRUE(texts(Severity::Note).isEmpty()) << c.error;
    }
}

TEST_F(GameCheck, TheEndingIsCheckedLineByLineToo) {
    game.writeScript("end.dat", {"朝", "*帰る"});
    EXPECT_EQ(texts(Severity::Warning),
              QStringList({"game/dat/end.dat:2: warning: question line is the last line of the "
                           "file: it has no answer line, so the second answer is empty"}));
    game.writeScript("end.dat", {});
    EXPECT_EQ(texts(Severity::Warning),
              QStringList({"game/dat/end.dat: warning: empty: the ending shows nothing, and the "
                           "story starts over at once with 0 points"}));
    // Without a branch line nothing opens the ending, but it is still read.
    game.writeScript("opn.dat", {"一"});
    game.writeScript("end.dat", {"*帰る", ""});
    EXPECT_TRUE(texts(Severity::Warning).join('\n').contains("end.dat:2: warning: empty answer"));
    game.removeData("end.dat");
    EXPECT_EQ(texts(Severity::Error).size(), 1); // only the opening's missing branch line
}

TEST_F(GameCheck, FindingsComeInTheOrderOfTheFiles) {
    game.writeScript("opn.dat", {"一", "*追う", "", "*x>end", ">ive"});
    game.writeScript("end.dat", {"二>end"});
    game.removeData("03.bmp");
    game.removeData("bgm.mid");
    QStringList where;
    for (const Finding& f : check())
        where << f.file.section('/', -1) + ':' + QString::number(f.line);
    EXPECT_EQ(where, QStringList({"opn.dat:3", "opn.dat:4", "opn.dat:4", "opn.dat:5", "end.dat:1",
                                  "03.bmp:0", "bgm.mid:0"}));
}

TEST_F(GameCheck, AFolderWithoutDatIsAnError) {
    QDir(game.programFolder()).rename("dat", "Dat");
    const std::vector<Finding> findings = check();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(printed(findings[0]),
              "game/dat: error: missing folder: the game reads its scripts, pictures and tune "
              "from dat/ in its folder (there is \"Dat\", but folder names are case-sensitive)");
    // The data folder named instead of the game's.
    EXPECT_EQ(printed(checkGameFolder(game.programFolder() + "/Dat", "game/dat/")[0]),
              "game/dat/dat: error: missing folder: the game reads its scripts, pictures and "
              "tune from dat/ in its folder; game/dat is itself a data folder: name the game "
              "folder that holds it, game");
}

TEST(BundledStory, PassesTheCheckWithoutWarnings) {
    const std::vector<Finding> findings = checkGameFolder(sourceTree(), "hanashi");
    QStringList shown;
    for (const Finding& f : findings) {
        if (f.severity != Finding::Severity::Note)
            shown << printed(f);
    }
    EXPECT_TRUE(shown.isEmpty()) << shown.join('\n').toStdString();
    // The opening asks five questions before its branch line.
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_TRUE(findings[0].message.contains("after 5 good answers: 5 of the 5 questions"));
}
