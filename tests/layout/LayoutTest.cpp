// SPDX-License-Identifier: MIT
#include "layout/Layout.h"
#include "layout/LayoutRules.h"
#include "platform/Cp932.h"
#include "support/GameFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRawFont>
#include <QScrollBar>
#include <functional>
#include <gtest/gtest.h>

using namespace hanashi;

namespace {

constexpr int Screen768 = 768 * 15;

// A window with the controls a layout pass places, created as the game's
// window creates them, whose resize handler is the layout pass.
class LayoutWindow : public Form {
public:
    explicit LayoutWindow(QSize client) {
        KazariPic.setScaleMode(ScaleMode::Pixels);
        ShpKazari.setBorderStyle(0);
        ShpKazari.setFillStyle(Shape::Cross);
        // The pieces, loaded and sent back one by one as at start-up.
        for (std::int16_t i = 1; i <= 10; ++i) {
            Shp.load(i);
            Shp(i).ZOrder(1);
        }
        ShpKazari.ZOrder(0);
        QstLbl.load(1);
        for (Control* c :
             std::initializer_list<Control*>{&LBl, &QstLbl(0), &QstPic, &ScrLBl, &EndCom, &LBlHscl,
                                             &QstHscl, &LBlHsclLBl, &QstHsclLBl, &KazariPic})
            c->hide();
        LBlHscl.setChangeHandler([this] { ++barChanges; });
        QstHscl.setChangeHandler([this] { ++barChanges; });
        resize(client);
    }

    int screenHeightTwips = Screen768;
    int startStoryCalls = 0;
    int barChanges = 0;
    std::function<void()> onStartStory;

    CommandButton HelpCom{*this, QStringLiteral("Help")};
    PictureBox KazariPic{*this};
    Shape ShpKazari{KazariPic, Shape::Rectangle};
    ControlArray<Shape> Shp{"Shp", std::make_unique<Shape>(KazariPic, Shape::Oval)};
    ScrollBar LBlHscl{*this};
    ScrollBar QstHscl{*this};
    PictureBox QstPic{*this};
    Shape QstShp{QstPic, Shape::Rectangle};
    CommandButton EndCom{*this, QStringLiteral("End")};
    Label ScrLBl{*this, QStringLiteral("Scr"), Label::Transparent};
    Label QstHsclLBl{*this, QStringLiteral("LBlHscl"), Label::Transparent};
    Label LBlHsclLBl{*this, QStringLiteral("LBlHscl"), Label::Transparent};
    ControlArray<Label> QstLbl{
        "QstLbl", std::make_unique<Label>(*this, QStringLiteral("QstLbl"), Label::Opaque)};
    Label LBl{*this, QStringLiteral("Label1"), Label::Transparent};

protected:
    void Form_Resize() override {
        hanashi::layOutWindow(LayoutControls{*this, LBl, QstLbl, QstPic, QstShp, ScrLBl, EndCom,
                                             HelpCom, LBlHscl, QstHscl, LBlHsclLBl, QstHsclLBl,
                                             KazariPic, ShpKazari},
                              screenHeightTwips, [this] {
                                  ++startStoryCalls;
                                  if (onStartStory)
                                      onStartStory();
                              });
    }
    void Form_Unload(std::int16_t&) override {}
};

struct Placed {
    const char* name;
    const Control& control;
};

std::vector<Placed> placedControls(const LayoutWindow& w) {
    return {{"LBl", w.LBl},
            {"QstLbl(0)", w.QstLbl(0)},
            {"QstLbl(1)", w.QstLbl(1)},
            {"QstPic", w.QstPic},
            {"ScrLBl", w.ScrLBl},
            {"KazariPic", w.KazariPic},
            {"QstHsclLBl", w.QstHsclLBl},
            {"QstHscl", w.QstHscl},
            {"LBlHsclLBl", w.LBlHsclLBl},
            {"LBlHscl", w.LBlHscl},
            {"HelpCom", w.HelpCom},
            {"EndCom", w.EndCom}};
}

// The table in pixels for a client area of 800 x 600: 100 pixels a unit.
const QRect At800x600[] = {
    {20, 20, 360, 560},  {420, 20, 360, 30},   {420, 50, 360, 30},  {420, 80, 360, 30},
    {420, 110, 360, 50}, {380, 170, 400, 300}, {420, 480, 100, 20}, {520, 480, 260, 20},
    {420, 500, 100, 20}, {520, 500, 260, 20},  {720, 550, 30, 30},  {750, 550, 30, 30},
};

QWidget* widgetOf(const LayoutWindow& w, const Control& c) {
    for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->geometry() == c.pixelRect() && child->isVisible())
            return child;
    return nullptr;
}

// Whether every pixel on the outermost ring of r has the colour.
::testing::AssertionResult ringHas(const QImage& image, QRect r, QRgb colour) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const bool onRing = y == r.top() || y == r.bottom() || x == r.left() || x == r.right();
            if (onRing && image.pixel(x, y) != colour)
                return ::testing::AssertionFailure()
                       << x << "," << y << " is " << QColor(image.pixel(x, y)).name().toStdString();
        }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Layout, EveryControlGetsItsRectangleAndTwiceTheWidthDoublesOnlyLeftsAndWidths) {
    LayoutWindow window(QSize(800, 600));
    window.show();
    ASSERT_EQ(window.startStoryCalls, 1);
    const auto controls = placedControls(window);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i].control.pixelRect(), At800x600[i]) << controls[i].name;
        EXPECT_TRUE(controls[i].control.isVisible()) << controls[i].name;
        EXPECT_NE(widgetOf(window, controls[i].control), nullptr) << controls[i].name;
    }
    EXPECT_EQ(window.ShpKazari.pixelRect(), QRect(0, 0, 400, 300));
    EXPECT_DOUBLE_EQ(window.KazariPic.top(), 1.7);
    EXPECT_DOUBLE_EQ(window.KazariPic.height(), 3.0);

    window.resize(1600, 600);
    ASSERT_EQ(window.startStoryCalls, 2);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QRect& n = At800x600[i];
        EXPECT_EQ(controls[i].control.pixelRect(),
                  QRect(2 * n.left(), n.top(), 2 * n.width(), n.height()))
            << controls[i].name;
    }
    EXPECT_EQ(window.ShpKazari.pixelRect(), QRect(0, 0, 800, 300));
    EXPECT_EQ(window.ScaleWidth(), 8);
    EXPECT_EQ(window.ScaleHeight(), 6);
}

TEST(Layout, NeighboursMeetWithoutGapOrOverlapAtAnySize) {
    for (QSize size : {QSize(797, 601), QSize(1013, 761), QSize(1366, 705), QSize(333, 222),
                       QSize(1920, 1017)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        LayoutWindow w(size);
        w.show();
        const auto below = [](const Control& upper, const Control& lower) {
            EXPECT_EQ(upper.pixelRect().bottom() + 1, lower.pixelRect().top());
            EXPECT_EQ(upper.pixelRect().left(), lower.pixelRect().left());
            EXPECT_EQ(upper.pixelRect().right(), lower.pixelRect().right());
        };
        below(w.QstLbl(0), w.QstLbl(1));
        below(w.QstLbl(1), w.QstPic);
        below(w.QstPic, w.ScrLBl);
        below(w.QstHscl, w.LBlHscl);
        const auto beside = [](const Control& left, const Control& right) {
            EXPECT_EQ(left.pixelRect().right() + 1, right.pixelRect().left());
            EXPECT_EQ(left.pixelRect().top(), right.pixelRect().top());
            EXPECT_EQ(left.pixelRect().height(), right.pixelRect().height());
        };
        beside(w.QstHsclLBl, w.QstHscl);
        beside(w.LBlHsclLBl, w.LBlHscl);
        beside(w.HelpCom, w.EndCom);
        // The decoration area starts where the story text ends.
        EXPECT_EQ(w.LBl.pixelRect().right() + 1, w.KazariPic.pixelRect().left());
        EXPECT_EQ(w.ShpKazari.pixelRect(), QRect(QPoint(0, 0), w.KazariPic.pixelRect().size()));
    }
}

TEST(Layout, FontSizesFollowTheScreenHeightOnly) {
    struct Case {
        int screenPixels;
        double unit, answer, score, caption; // the story is set in the font unit
    } cases[] = {
        {600, 12, 18, 2, 8},
        {768, 15, 22.5, 3, 10},
        {1080, 24, 36, 4, 16},
    };
    for (const Case& c : cases) {
        for (QSize size : {QSize(800, 600), QSize(1600, 600)}) {
            SCOPED_TRACE(testing::Message() << c.screenPixels << " " << size.width());
            LayoutWindow w(size);
            w.screenHeightTwips = c.screenPixels * 15;
            w.show();
            const auto font = [](const Label& l, double points) {
                EXPECT_DOUBLE_EQ(l.fontSize(), points);
                EXPECT_DOUBLE_EQ(l.widget()->font().pointSizeF(), points);
            };
            font(w.LBl, c.unit);
            font(w.QstLbl(0), c.answer);
            font(w.QstLbl(1), c.answer);
            font(w.ScrLBl, c.score);
            font(w.LBlHsclLBl, c.caption);
            font(w.QstHsclLBl, c.caption);
        }
    }
}

TEST(LayoutRules, TheFontUnitGrowsByThreeForEveryFull2000Twips) {
    const std::pair<int, int> cases[] = {{0, 0},      {1999, 0},   {2000, 3},
                                         {3999, 3},   {4000, 6},   {9000, 12},
                                         {11520, 15}, {16200, 24}, {21600, 30}};
    for (auto [twips, unit] : cases)
        EXPECT_EQ(fontUnitFor(twips), unit) << twips;
}

// hanashi-check warns of the lines that one row of the story label cannot
// hold by storyRowEm; the label the pass lays out on a screen, with the real
// font, holds as much and not half an em more.
TEST(Layout, TheStoryLabelHoldsOnOneRowWhatItsRuleAllows) {
    for (QSize screen :
         {QSize(1366, 768), QSize(1920, 1080), QSize(1280, 1024), QSize(2560, 1440)}) {
        LayoutWindow w(screen);
        w.screenHeightTwips = screen.height() * 15;
        w.LBl.setWordWrap(true); // as the game's window has it
        w.show();
        const QLabel* label = w.LBl.widget();
        ASSERT_EQ(label->width(), w.LBl.pixelRect().width());
        const double room = std::floor(storyRowEm(screen.width(), screen.height()) * 2) / 2;
        // Whole ems in kana, a last half in a Latin letter.
        QString fits(static_cast<qsizetype>(room), QChar(u'あ'));
        if (room > std::floor(room))
            fits += QLatin1Char('a');
        ASSERT_EQ(lineWidthEm(fits), room);
        const auto rows = [&](const QString& text) {
            w.LBl.setCaption(text);
            return label->heightForWidth(label->width()) /
                   QFontMetrics(label->font()).lineSpacing();
        };
        EXPECT_EQ(rows(fits), 1) << screen.width() << "x" << screen.height() << ", " << room;
        EXPECT_EQ(rows(fits + QLatin1Char('a')), 2) << screen.width() << "x" << screen.height();
    }
}

// What the window shows, part by part: each text in its colour on its
// ground, the countdown's outline, and black wherever nothing is drawn.
TEST(Layout, EachPartShowsInItsColours) {
    const QRgb black = qRgb(0, 0, 0), pink = qRgb(255, 200, 255), cyan = qRgb(0, 255, 255),
               blue = qRgb(100, 100, 255), magenta = qRgb(255, 0, 255);
    LayoutWindow w(QSize(800, 600));
    w.show();
    // Text in the labels and the countdown half run, as in play.
    w.LBl.setCaption(QStringLiteral("夏祭りの夜だった。"));
    w.QstLbl(0).setCaption(QStringLiteral("流す"));
    w.QstLbl(1).setCaption(QStringLiteral("流さない"));
    w.QstShp.Move(0, 0, 25, 1);
    const QImage shown = w.grab().toImage();

    // Whether a pixel of the control is the colour, or near it: text is
    // blended into its ground at its edges.
    const auto shows = [&](const Control& control, QRgb colour) {
        const QRect r = control.pixelRect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb p = shown.pixel(x, y);
                if (std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                        std::abs(qBlue(p) - qBlue(colour)) <=
                    24)
                    return true;
            }
        return false;
    };
    const struct {
        const char* name;
        const Control& control;
        QRgb ground, ink;
    } texts[] = {
        {"LBl", w.LBl, black, pink},
        {"QstLbl(0)", w.QstLbl(0), cyan, black},
        {"QstLbl(1)", w.QstLbl(1), cyan, black},
        {"LBlHsclLBl", w.LBlHsclLBl, black, blue},
        {"QstHsclLBl", w.QstHsclLBl, black, blue},
    };
    for (const auto& text : texts) {
        EXPECT_TRUE(shows(text.control, text.ground)) << text.name;
        EXPECT_TRUE(shows(text.control, text.ink)) << text.name;
    }
    // The score bar, with no stars yet, lets the window's black through.
    EXPECT_FALSE(shows(w.ScrLBl, cyan));
    // The countdown runs in 50 steps across its area: a magenta outline
    // over the first half, black beyond.
    const QRect area = w.QstPic.pixelRect();
    const int middle = area.center().y();
    EXPECT_EQ(shown.pixel(area.left(), middle), magenta);
    EXPECT_EQ(shown.pixel(area.left() + area.width() / 2 - 1, middle), magenta);
    EXPECT_EQ(shown.pixel(area.left() + area.width() / 2 + 2, middle), black);
    // The bars' captions are one unit wide.
    EXPECT_DOUBLE_EQ(w.LBlHsclLBl.width(), 1);
    EXPECT_DOUBLE_EQ(w.QstHsclLBl.width(), 1);

    // Black around, the answers' cyan, the decoration area black.
    EXPECT_EQ(shown.pixel(5, 5), black);
    EXPECT_EQ(shown.pixel(778, 78), cyan); // bottom-right corner of QstLbl(1)
    EXPECT_EQ(shown.pixel(385, 175), black);
    EXPECT_EQ(w.EndCom.widget()->palette().color(QPalette::Button), QColor(100, 100, 255));
    EXPECT_EQ(w.LBl.widget()->palette().color(QPalette::WindowText), QColor(255, 200, 255));
}

TEST(Layout, BarsGetTheirRangesAndKeepTheValuesStartUpGaveThem) {
    LayoutWindow w(QSize(800, 600));
    w.QstHscl.setValue(10);
    w.LBlHscl.setValue(1500);
    w.barChanges = 0;
    w.show();
    struct Case {
        const char* name;
        const ScrollBar& bar;
        int max, min, large, small, value;
    } cases[] = {{"LBlHscl", w.LBlHscl, 5000, 100, 100, 10, 1500},
                 {"QstHscl", w.QstHscl, 100, 1, 10, 1, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.bar.Max(), c.max);
        EXPECT_EQ(c.bar.Min(), c.min);
        EXPECT_EQ(c.bar.LargeChange(), c.large);
        EXPECT_EQ(c.bar.SmallChange(), c.small);
        EXPECT_EQ(c.bar.Value(), c.value);
        EXPECT_EQ(c.bar.widget()->maximum(), c.max);
    }
    EXPECT_EQ(w.barChanges, 0);
}

TEST(Layout, ThePassEndsByStartingTheStoryWithTheDecorationFlashBehindEveryPiece) {
    LayoutWindow w(QSize(800, 600));
    ASSERT_EQ(w.KazariPic.shapes().back(), &w.ShpKazari);
    QRect flashAtStart;
    const Shape* backmost = nullptr;
    w.onStartStory = [&] {
        flashAtStart = w.ShpKazari.pixelRect();
        backmost = w.KazariPic.shapes().front();
    };
    w.show();
    EXPECT_EQ(w.startStoryCalls, 1);
    EXPECT_EQ(flashAtStart, QRect(0, 0, 400, 300));
    EXPECT_EQ(backmost, &w.ShpKazari);
    EXPECT_EQ(w.KazariPic.shapes().size(), 12u);
    w.resize(700, 500);
    EXPECT_EQ(w.startStoryCalls, 2);
    EXPECT_EQ(w.ShpKazari.pixelRect(), QRect(QPoint(0, 0), w.KazariPic.pixelRect().size()));
}

TEST(Layout, TheStoryFontHasAGlyphForEveryCharacterOfTheBundledStory) {
    LayoutWindow w(QSize(800, 600));
    w.show();
    for (const Label* label : {&w.LBl, &w.QstLbl(0)}) {
        const QFont font = label->widget()->font();
        EXPECT_EQ(QFontInfo(font).family(), "IPAGothic");
        const QRawFont raw = QRawFont::fromFont(font);
        ASSERT_TRUE(raw.isValid());
        EXPECT_EQ(raw.familyName(), "IPAGothic");
        for (const char* name : {"dat/opn.dat", "dat/end.dat"}) {
            QFile file(sourceTree() + QLatin1Char('/') + QLatin1String(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
            bool bad = true;
            const QString text = decodeCp932(file.readAll(), &bad);
            EXPECT_FALSE(bad) << name;
            ASSERT_GT(text.size(), 300) << name;
            QString missing;
            for (char32_t c : text.toUcs4())
                if (c != U'\r' && c != U'\n' && !raw.supportsCharacter(c))
                    missing += QString::fromUcs4(&c, 1);
            EXPECT_EQ(missing, "") << name;
        }
    }
}

// The buttons' faces are their back colour, flat, on exactly the pixels of
// the rectangles the layout gives them: not a gradient, not inset, not one
// pixel beyond, also when a button is pressed or has the focus.
TEST(Layout, ButtonsFillTheirRectanglesInTheirBackColourAndNothingBeyond) {
    const QRgb blue = qRgb(100, 100, 255);
    for (QSize size : {QSize(1280, 1024), QSize(797, 601)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        LayoutWindow w(size);
        w.show();
        w.setFocus(); // neither button has it
        const QRect help = w.HelpCom.pixelRect(), end = w.EndCom.pixelRect();
        ASSERT_EQ(help.right() + 1, end.left());
        QImage shown = w.grab().toImage();
        for (QRect r : {help, end}) {
            EXPECT_TRUE(ringHas(shown, r, blue));
            // The caption's ink is centred in the face.
            QRect ink;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (shown.pixel(x, y) != blue)
                        ink |= QRect(x, y, 1, 1);
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_NEAR(QRectF(ink).center().x(), QRectF(r).center().x(), 1.5);
            EXPECT_NEAR(QRectF(ink).center().y(), QRectF(r).center().y(), 1.5);
        }
        const QRect both = help | end;
        EXPECT_TRUE(ringHas(shown, both.adjusted(-1, -1, 1, 1), qRgb(0, 0, 0)));

        w.activateWindow();
        QCoreApplication::processEvents();
        w.EndCom.widget()->setFocus();
        ASSERT_TRUE(w.EndCom.widget()->hasFocus());
        w.HelpCom.widget()->setDown(true);
        shown = w.grab().toImage();
        EXPECT_TRUE(ringHas(shown, end, blue));
        EXPECT_TRUE(ringHas(shown, both.adjusted(-1, -1, 1, 1), qRgb(0, 0, 0)));
    }
}
