// SPDX-License-Identifier: MIT
#include "StoryFixture.h"
#include "support/ErrorOf.h"

using namespace hanashi;

using Reader = StoryFixture;

TEST_F(Reader, StartStoryOpensTheOpeningAndKeepsTheOldText) {
    script("opn.dat", {"一行目"});
    state.shownLines.back() = "old";
    state.Score = 300;
    ScrLBl.setCaption("☆");
    story().StartStory();
    EXPECT_EQ(openFileName(), "opn.dat");
    EXPECT_TRUE(LBlTim.isEnabled());
    EXPECT_EQ(LBlTim.interval(), 1500);
    EXPECT_EQ(state.Score, 0);
    EXPECT_EQ(ScrLBl.caption(), "");
    EXPECT_FALSE(QstLbl(0).isVisible() || QstLbl(1).isVisible() || QstPic.isVisible());
    EXPECT_EQ(newest(), "old");
    // Again, as a later layout pass does: the open file is closed first.
    story().StartStory();
    EXPECT_EQ(scriptsHeldOpen(), 1);
}

TEST_F(Reader, ShowsOneLinePerTickAndTheNewest21) {
    QStringList lines;
    for (int i = 1; i <= 25; ++i)
        lines << QString::fromUtf16(u"行") + QString::number(i);
    lines << ""
          << "<b>not bold</b>";
    script("opn.dat", lines);
    story().StartStory();
    read();
    EXPECT_EQ(newest(), QString::fromUtf16(u"行1"));
    EXPECT_EQ(LBl.caption(), QString("\r\n").repeated(21) + QString::fromUtf16(u"行1"));
    read(21);
    QStringList shown = LBl.caption().split("\r\n");
    EXPECT_EQ(shown.size(), 22);
    EXPECT_EQ(shown[1], QString::fromUtf16(u"行2"));
    read(4);
    EXPECT_EQ(newest(), ""); // an empty line is a story line
    read();
    EXPECT_EQ(newest(), "<b>not bold</b>");
}

TEST_F(Reader, EndOfFileRestartsWithoutShowingAnything) {
    script("opn.dat", {"A", "B"});
    story().StartStory();
    read(2);
    state.Score = 120;
    const QString before = LBl.caption();
    read(); // finds the end
    EXPECT_EQ(LBl.caption(), before);
    EXPECT_EQ(state.Score, 0);
    EXPECT_EQ(openFileName(), "opn.dat");
    EXPECT_EQ(scriptsHeldOpen(), 1);
    read();
    EXPECT_EQ(newest(), "A");
}

TEST_F(Reader, AnEmptyOpeningRestartsForEverAndShowsNothing) {
    script("opn.dat", {});
    story().StartStory();
    for (int i = 0; i < 50; ++i)
        read();
    EXPECT_EQ(LBl.caption(), "Label1"); // never set
    EXPECT_EQ(state.shownLines, LineHistory{});
    EXPECT_EQ(scriptsHeldOpen(), 1);
}

TEST_F(Reader, BranchOpensTheEndingOnlyFrom500Points) {
    script("opn.dat", {"opening", "text >ive hidden"});
    script("end.dat", {"ending", ">ive"});
    struct Case {
        std::int16_t score;
        const char* file;
        const char* next;
    };
    for (const Case& c : {Case{499, "opn.dat", "opening"}, Case{500, "end.dat", "ending"},
                          Case{-20, "opn.dat", "opening"}, Case{32767, "end.dat", "ending"}}) {
        story().StartStory();
        read();
        state.Score = c.score;
        const std::int16_t number = state.ScriptFileNo;
        read();
        EXPECT_EQ(newest(), "") << c.score; // the marker line shows as an empty line
        EXPECT_EQ(openFileName(), c.file) << c.score;
        EXPECT_EQ(state.ScriptFileNo, number);
        EXPECT_EQ(state.Score, c.score);
        read();
        EXPECT_EQ(newest(), c.next);
    }
    // A branch inside the ending with enough points opens the ending again.
    read();
    EXPECT_EQ(openFileName(), "end.dat");
    read();
    EXPECT_EQ(newest(), "ending");
}

TEST_F(Reader, RestartReopensTheOpeningAndKeepsTheScore) {
    script("opn.dat", {"first", "*x>end y"});
    story().StartStory();
    read();
    state.Score = 250;
    read();
    EXPECT_EQ(newest(), "");
    EXPECT_FALSE(inQuestion());
    EXPECT_EQ(state.Score, 250);
    read();
    EXPECT_EQ(newest(), "first");
}

TEST_F(Reader, AMissingScriptIsARunTimeErrorNamingTheFile) {
    const QString error = errorOf([&] { story().StartStory(); });
    EXPECT_TRUE(error.contains(dir.filePath("opn.dat"))) << error.toStdString();
    script("opn.dat", {">ive"});
    story().StartStory();
    state.Score = 600;
    EXPECT_THROW(read(), RuntimeError); // no end.dat
}

TEST_F(Reader, ReadsScriptsSavedOnLinuxAndInUtf8) {
    TestFiles::write(dir.path(), "opn.dat", "\xEF\xBB\xBF\xE4\xB8\x80\n\xE4\xBA\x8C\n");
    story().StartStory();
    read();
    EXPECT_EQ(newest(), QString::fromUtf16(u"一"));
    read();
    EXPECT_EQ(newest(), QString::fromUtf16(u"二"));
}
