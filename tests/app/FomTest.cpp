// SPDX-License-Identifier: MIT
#include "app/Fom.h"
#include "platform/RuntimeError.h"
#include "support/ErrorOf.h"
#include "support/GameFolder.h"
#include "support/RecordingMci.h"
#include "support/SequenceRandom.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

using namespace hanashi;

namespace {

const QString Yes = QString::fromUtf16(u"はい");
const QString No = QString::fromUtf16(u"いいえ");

// The game's window over a temporary program folder, with every service of
// the system stood in for: the music only records its command strings, chance
// is a fixed sequence, and the end of the program and the desktop's opener
// are written down instead of happening.
class Game {
public:
    explicit Game(const QString& folderName = QStringLiteral("game"))
        : folder(folderName) {}

    Fom& window() {
        if (!m_fom) {
            m_fom.emplace(FomServices{
                random,
                mci,
                [this] { return programFolder.isEmpty() ? folder.programFolder() : programFolder; },
                [this] { return screenHeightTwips; },
                [this](const QUrl& url) { opened.push_back(url); },
                [this](int status) { endStatuses.push_back(status); },
            });
        }
        return *m_fom;
    }

    // Start-up and the first layout pass, as main() does it.
    Fom& started(QSize client = QSize(800, 600)) {
        Fom& w = window();
        w.Form_Load();
        w.resize(client);
        w.show();
        return w;
    }

    void readLines(int n) {
        for (int i = 0; i < n; ++i)
            window().LBlTim.fire();
    }

    bool inQuestion() {
        Fom& w = window();
        return w.QstTim.isEnabled() && w.QstLbl(0).isVisible() && w.QstLbl(1).isVisible();
    }

    GameFolder folder;
    SequenceRandom random{std::vector<float>(1000, 0.25f)};
    RecordingMci mci;
    QString programFolder;
    int screenHeightTwips = 768 * 15;
    std::vector<QUrl> opened;
    std::vector<int> endStatuses;

private:
    std::optional<Fom> m_fom;
};

class App : public ::testing::Test {};

} // namespace

TEST_F(App, FoldersEndInExactlyOneSeparatorWhateverTheProgramFolderIsCalled) {
    for (const QString& name : {QStringLiteral("game"), QStringLiteral("お話 の フォルダ"),
                                QStringLiteral("with space/")}) {
        Game game(QStringLiteral("g"));
        game.programFolder = game.folder.root() + QLatin1Char('/') + name;
        Fom& w = game.window();
        QDir().mkpath(game.programFolder);
        // Start-up stops at the first picture, which this folder lacks, with
        // both folders already set.
        EXPECT_THROW(w.Form_Load(), RuntimeError);
        QString expected = game.programFolder;
        if (!expected.endsWith(QLatin1Char('/')))
            expected += QLatin1Char('/');
        EXPECT_EQ(w.AppDir, expected) << name.toStdString();
        EXPECT_EQ(w.DataDir, expected + "dat/") << name.toStdString();
        EXPECT_FALSE(w.DataDir.contains("//"));
    }
}

TEST_F(App, StartUpOpensTheMusicBeforeAnyControlIsSetUp) {
    Game game(QStringLiteral("お話 ゲーム"));
    Fom& w = game.window();
    std::vector<int> answerLabelsAtSend;
    std::vector<bool> firstPictureAtSend;
    game.mci.onSend = [&](const QString&) {
        answerLabelsAtSend.push_back(w.QstLbl.count());
        firstPictureAtSend.push_back(!w.E(0).picture().isNull());
    };
    w.Form_Load();

    const QString tune = game.folder.dataFolder() + "/bgm.mid";
    EXPECT_EQ(
        game.mci.commands,
        (QStringList{"close MIDI notify", "open \"" + tune + "\" alias MIDI", "play MIDI notify"}));
    EXPECT_EQ(answerLabelsAtSend, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(firstPictureAtSend, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(game.random.seeds(), 1);
    EXPECT_EQ(game.random.draws(), 0);
    // The music is meant to loop: the watchdog starts it over once it stops.
    game.mci.statusReply = QStringLiteral("stopped");
    w.BgmTim.fire();
    EXPECT_EQ(game.mci.commands.mid(game.mci.commands.size() - 2),
              (QStringList{"seek MIDI to start", "play MIDI from 0"}));
}

TEST_F(App, StartUpLoadsTheArraysAndTheTenPicturesInOrder) {
    Game game;
    Fom& w = game.window();
    w.Form_Load();
    EXPECT_EQ(w.QstLbl.count(), 2);
    EXPECT_EQ(w.Shp.count(), 11);
    ASSERT_EQ(w.E.count(), 10);
    for (std::int16_t i = 0; i <= 9; ++i) {
        const QImage& picture = w.E(i).picture();
        ASSERT_FALSE(picture.isNull()) << i;
        EXPECT_EQ(picture.pixelColor(0, 0), GameFolder::pictureColour(i)) << i;
    }
    // Each piece was sent to the back as it was loaded, so the last loaded
    // is the backmost.
    EXPECT_EQ(w.KazariPic.shapes().front(), &w.Shp(10));
}

TEST_F(App, AMissingPictureStopsStartUpNamingItAfterThePicturesBefore) {
    Game game;
    game.folder.removeData("05.bmp");
    Fom& w = game.window();
    const QString error = errorOf([&] { w.Form_Load(); });
    EXPECT_TRUE(error.contains(game.folder.dataFolder() + "/05.bmp")) << error.toStdString();
    for (std::int16_t i = 0; i <= 4; ++i)
        EXPECT_FALSE(w.E(i).picture().isNull()) << i;
    for (std::int16_t i = 5; i <= 9; ++i)
        EXPECT_TRUE(w.E(i).picture().isNull()) << i;
    // The bars come after the pictures and were never set.
    EXPECT_EQ(w.LBlHscl.Value(), 0);
    // The music was started before; the error's shut-down stops it.
    w.stopMusicForExit();
    EXPECT_EQ(game.mci.commands.mid(3), (QStringList{"stop MIDI notify", "close MIDI notify"}));
}

TEST_F(App, StartUpSetsBothBarsAndTheirTimersButLeavesTheTimersOff) {
    Game game;
    Fom& w = game.window();
    w.Form_Load();
    EXPECT_EQ(w.QstHscl.Value(), 10);
    EXPECT_EQ(w.LBlHscl.Value(), 1500);
    EXPECT_EQ(w.QstTim.interval(), 10);
    EXPECT_EQ(w.LBlTim.interval(), 1500);
    EXPECT_FALSE(w.QstTim.isEnabled());
    EXPECT_FALSE(w.LBlTim.isEnabled());
    // The first layout pass starts the story.
    w.resize(800, 600);
    w.show();
    EXPECT_TRUE(w.LBlTim.isEnabled());
    EXPECT_EQ(w.LBlTim.interval(), 1500);
}

TEST_F(App, AResizeDuringTheStoryStartsItOverKeepingTheTextOnScreen) {
    Game game;
    game.folder.writeScript("opn.dat", {"*" + Yes, "*" + No, "one", "two", "three"});
    Fom& w = game.started();
    game.readLines(1);
    ASSERT_TRUE(game.inQuestion());
    w.QstLbl(0).click();
    game.readLines(2);
    ASSERT_NE(w.story.Score, 0);
    const QString shown = w.LBl.caption();
    ASSERT_TRUE(shown.endsWith("one\r\ntwo")) << shown.toStdString();

    w.resize(900, 700);
    EXPECT_EQ(w.story.Score, 0);
    EXPECT_EQ(w.ScrLBl.caption(), QString());
    EXPECT_EQ(w.LBl.caption(), shown);
    EXPECT_TRUE(w.LBlTim.isEnabled());
    // From the first line of the opening again.
    game.readLines(1);
    EXPECT_TRUE(game.inQuestion());
}

TEST_F(App, AResizeDuringAQuestionEndsTheRoundWithoutScoring) {
    Game game;
    game.folder.writeScript("opn.dat", {"before", "*" + Yes, "*" + No, "after"});
    Fom& w = game.started();
    game.readLines(2);
    ASSERT_TRUE(game.inQuestion());

    w.resize(1000, 750);
    EXPECT_FALSE(w.QstLbl(0).isVisible());
    EXPECT_FALSE(w.QstLbl(1).isVisible());
    EXPECT_FALSE(w.QstPic.isVisible());
    EXPECT_FALSE(w.QstTim.isEnabled());
    EXPECT_EQ(w.story.Score, 0);
    EXPECT_TRUE(w.LBl.caption().endsWith("before"));
    game.readLines(1);
    EXPECT_TRUE(w.LBl.caption().endsWith("before\r\nbefore"));
}

TEST_F(App, EndStopsAndClosesTheMusicThenEndsWithStatusZeroAndNothingRunsAfter) {
    Game game;
    Fom& w = game.started();
    game.readLines(1);
    const QString shown = w.LBl.caption();
    const int sentBefore = game.mci.commands.size();

    QTest::mouseClick(w.EndCom.widget(), Qt::LeftButton);
    EXPECT_EQ(game.mci.commands.mid(sentBefore),
              (QStringList{"stop MIDI notify", "close MIDI notify"}));
    EXPECT_EQ(game.endStatuses, (std::vector<int>{0}));
    for (Timer* timer : {&w.BgmTim, &w.KazariTim, &w.LBlTim, &w.QstTim})
        EXPECT_FALSE(timer->isTicking());

    // Whatever was still queued finds every timer dead.
    w.LBlTim.fire();
    w.BgmTim.fire();
    w.KazariTim.fire();
    EXPECT_EQ(w.LBl.caption(), shown);
    EXPECT_EQ(game.mci.commands.size(), sentBefore + 2);
}

TEST_F(App, EndDuringAQuestionScoresNothing) {
    Game game;
    game.folder.writeScript("opn.dat", {"*" + Yes, "*" + No});
    Fom& w = game.started();
    game.readLines(1);
    ASSERT_TRUE(game.inQuestion());
    QTest::mouseClick(w.EndCom.widget(), Qt::LeftButton);
    for (int i = 0; i < 60; ++i)
        w.QstTim.fire();
    EXPECT_EQ(w.story.Score, 0);
    EXPECT_EQ(w.ScrLBl.caption(), QString());
    EXPECT_EQ(game.endStatuses, (std::vector<int>{0}));
}

TEST_F(App, ClosingTheWindowEndsTheGameAndCannotBeRefused) {
    Game game;
    Fom& w = game.started();
    QCloseEvent close;
    QCoreApplication::sendEvent(&w, &close);
    EXPECT_TRUE(close.isAccepted());
    EXPECT_EQ(game.endStatuses, (std::vector<int>{0}));
    EXPECT_EQ(game.mci.commands.mid(game.mci.commands.size() - 2),
              (QStringList{"stop MIDI notify", "close MIDI notify"}));
    // A second close (or End after it) does not end twice.
    QTest::mouseClick(w.EndCom.widget(), Qt::LeftButton);
    EXPECT_EQ(game.endStatuses.size(), 1u);
}

TEST_F(App, HelpHandsTheDesktopTheLocalPageAndLeavesTheRoundRunning) {
    Game game(QStringLiteral("お話 の ゲーム #1"));
    game.folder.writeScript("opn.dat", {"*" + Yes, "*" + No});
    Fom& w = game.started();
    game.readLines(1);
    w.QstTim.fire();
    ASSERT_TRUE(game.inQuestion());
    const int barWidth = w.QstShp.width();
    const QString shown = w.LBl.caption();

    QTest::mouseClick(w.HelpCom.widget(), Qt::LeftButton);
    ASSERT_EQ(game.opened.size(), 1u);
    const QUrl url = game.opened.front();
    EXPECT_EQ(url.scheme(), "file");
    EXPECT_EQ(url.toLocalFile(),
              game.folder.programFolder() + QStringLiteral("/最初にお読み下さい.html"));
    // Nothing of the game changed, and the round goes on.
    EXPECT_TRUE(game.inQuestion());
    EXPECT_EQ(w.QstShp.width(), barWidth);
    EXPECT_EQ(w.LBl.caption(), shown);
    EXPECT_EQ(w.story.Score, 0);
    EXPECT_TRUE(game.endStatuses.empty());
    w.QstTim.fire();
    EXPECT_EQ(w.QstShp.width(), barWidth + 1);
}

TEST_F(App, TheWindowOpensWithTheFocusOnHelpWhereReturnAndSpaceCannotEndTheGame) {
    Game game;
    Fom& w = game.started();
    // As a window manager gives a new window the keyboard.
    w.activateWindow();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.isActiveWindow());
    ASSERT_EQ(QApplication::focusWidget(), w.HelpCom.widget());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(game.opened.empty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(game.opened.size(), 1u);
    EXPECT_TRUE(game.endStatuses.empty());
    EXPECT_TRUE(w.LBlTim.isEnabled());
}

// Labels never take the focus, and neither does what is not on the screen:
// the countdown area outside a round, and the picture holders E, which have
// no pixel.
TEST_F(App, TabFollowsTheWindowsOrderOverTheControlsOnTheScreen) {
    Game game;
    game.folder.writeScript("opn.dat", {"*" + Yes, "*" + No});
    Fom& w = game.started();
    std::map<const QWidget*, std::string> names{{w.EndCom.widget(), "EndCom"},
                                                {w.QstPic.hostWidget(), "QstPic"},
                                                {w.QstHscl.widget(), "QstHscl"},
                                                {w.LBlHscl.widget(), "LBlHscl"},
                                                {w.KazariPic.hostWidget(), "KazariPic"},
                                                {w.HelpCom.widget(), "HelpCom"},
                                                {w.LBl.widget(), "LBl"},
                                                {w.ScrLBl.widget(), "ScrLBl"},
                                                {w.QstLbl(0).widget(), "QstLbl(0)"},
                                                {w.QstLbl(1).widget(), "QstLbl(1)"},
                                                {w.LBlHsclLBl.widget(), "LBlHsclLBl"},
                                                {w.QstHsclLBl.widget(), "QstHsclLBl"}};
    w.E.forEach(
        [&](PictureBox& e) { names[e.hostWidget()] = "E(" + std::to_string(e.index()) + ")"; });
    // Tab from Help round to Help.
    const auto cycle = [&] {
        std::vector<std::string> seen;
        while (seen.size() < 30 && (seen.empty() || seen.back() != "HelpCom")) {
            QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
            const auto it = names.find(w.focusWidget());
            seen.push_back(it == names.end() ? "?" : it->second);
        }
        return seen;
    };
    ASSERT_EQ(w.focusWidget(), w.HelpCom.widget());
    EXPECT_EQ(cycle(),
              (std::vector<std::string>{"EndCom", "QstHscl", "LBlHscl", "KazariPic", "HelpCom"}));
    game.readLines(1);
    ASSERT_TRUE(game.inQuestion());
    EXPECT_EQ(cycle(), (std::vector<std::string>{"EndCom", "QstPic", "QstHscl", "LBlHscl",
                                                 "KazariPic", "HelpCom"}));
}

// 1 answers from the upper slot and 2 from the lower, whichever answer the
// draw put there, on the main row or the keypad, wherever the focus is (here
// a scroll bar, which has keys of its own).
TEST_F(App, KeysOneAndTwoChooseTheAnswersInTheUpperAndLowerSlotsAsAClickWould) {
    struct Case {
        float draw; // below 0.5 puts answer 0 in the upper slot
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString chosen;
        std::int16_t score;
    };
    for (const Case& c : {Case{0.25f, Qt::Key_1, Qt::NoModifier, Yes, 100},
                          Case{0.25f, Qt::Key_2, Qt::KeypadModifier, No, -50},
                          Case{0.75f, Qt::Key_1, Qt::KeypadModifier, No, -50},
                          Case{0.75f, Qt::Key_2, Qt::NoModifier, Yes, 100}}) {
        SCOPED_TRACE(testing::Message() << c.draw << " key " << int(c.key));
        // The same round twice: answered by the key, and by a click on the
        // label in that slot.
        std::vector<std::tuple<std::int16_t, QString, QString>> outcomes;
        for (bool byKey : {true, false}) {
            Game game;
            game.random = SequenceRandom(std::vector<float>(1000, c.draw));
            game.folder.writeScript("opn.dat", {"before", "*" + Yes, "*" + No, "after"});
            Fom& w = game.started();
            game.readLines(2);
            ASSERT_TRUE(game.inQuestion());
            const double slotTop = c.key == Qt::Key_1 ? 0.2 : 0.5;
            Label& inSlot = w.QstLbl(w.QstLbl(0).top() == slotTop ? 0 : 1);
            ASSERT_EQ(inSlot.top(), slotTop);
            if (byKey) {
                w.QstHscl.widget()->setFocus();
                QTest::keyClick(w.focusWidget(), c.key, c.modifiers);
                EXPECT_EQ(w.QstHscl.Value(), 10);
            } else {
                QTest::mouseClick(inSlot.widget(), Qt::LeftButton);
            }
            EXPECT_FALSE(game.inQuestion());
            outcomes.emplace_back(w.story.Score, w.ScrLBl.caption(), w.LBl.caption());
        }
        EXPECT_EQ(std::get<0>(outcomes[0]), c.score);
        EXPECT_TRUE(std::get<2>(outcomes[0]).endsWith("before\r\n" + c.chosen));
        EXPECT_EQ(outcomes[0], outcomes[1]);
    }
}

TEST_F(App, DigitKeysDoNothingOutsideARoundAndAHeldKeyAnswersOnce) {
    Game game;
    game.folder.writeScript("opn.dat", {"*" + Yes, "*" + No, "*" + Yes, "*" + No});
    Fom& w = game.started();
    const QString shown = w.LBl.caption();
    QTest::keyClick(w.focusWidget(), Qt::Key_1);
    QTest::keyClick(w.focusWidget(), Qt::Key_2);
    EXPECT_EQ(w.LBl.caption(), shown);
    EXPECT_EQ(w.story.Score, 0);
    EXPECT_EQ(w.ScrLBl.caption(), QString());

    game.readLines(1);
    QTest::keyClick(w.focusWidget(), Qt::Key_1);
    ASSERT_EQ(w.story.Score, 100);
    // The next question comes while the key is still down: its repeats and
    // a 1 with Ctrl held do not answer it.
    game.readLines(1);
    ASSERT_TRUE(game.inQuestion());
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"), true);
    QCoreApplication::sendEvent(w.focusWidget(), &repeat);
    QTest::keyClick(w.focusWidget(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(game.inQuestion());
    EXPECT_EQ(w.story.Score, 100);
}

// As a screen reader finds the window: the bars by their captions, which
// label them; the story as text; the answers by their keys, pressed through
// their action; the score by its number.
TEST_F(App, AScreenReaderFindsTheBarsByTheirCaptionsAndAnswersThroughAnAction) {
    Game game;
    game.folder.writeScript("opn.dat", {"before", "*" + Yes, "*" + No, "after"});
    Fom& w = game.started();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w);
    const auto find = [window](QAccessible::Role role, const QString& name) {
        for (int i = 0; i < window->childCount(); ++i) {
            QAccessibleInterface* child = window->child(i);
            if (child->role() == role && child->text(QAccessible::Name) == name)
                return child;
        }
        return static_cast<QAccessibleInterface*>(nullptr);
    };
    struct Bar {
        const char16_t* name;
        const ScrollBar& bar;
        const Label& caption;
        int value;
    };
    for (const Bar& b : {Bar{u"質問レベル >", w.QstHscl, w.QstHsclLBl, 10},
                         Bar{u"テキスト早さ >", w.LBlHscl, w.LBlHsclLBl, 1500}}) {
        QAccessibleInterface* bar = find(QAccessible::ScrollBar, QString::fromUtf16(b.name));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->object(), b.bar.widget());
        EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), b.value);
        const auto labels = bar->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels.front().first->object(), b.caption.widget());
    }
    QAccessibleInterface* story = find(QAccessible::StaticText, QStringLiteral("お話"));
    ASSERT_NE(story, nullptr);
    ASSERT_NE(story->textInterface(), nullptr);

    game.readLines(2);
    ASSERT_TRUE(game.inQuestion());
    QAccessibleInterface* good = find(QAccessible::Button, "1: " + Yes);
    ASSERT_NE(good, nullptr);
    good->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(game.inQuestion());
    EXPECT_EQ(w.story.Score, 100);
    EXPECT_NE(find(QAccessible::StaticText, QStringLiteral("スコア 100")), nullptr);
    EXPECT_TRUE(story->textInterface()->text(0, -1).endsWith("\nbefore\n" + Yes));
}
