// SPDX-License-Identifier: MIT
#include "decor/Decoration.h"
#include "decor/DecorPlan.h"
#include "support/GameFolder.h"
#include "support/SequenceRandom.h"
#include "support/TestForm.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace hanashi;

namespace {

constexpr float Top = 0.99999994f; // the largest draw below 1

// Background draws: fires, then source left, source top, picture.
std::vector<float> background(float left, float top, float picture) {
    return {0.95f, left, top, picture};
}
const std::vector<float> NoBackground = {0.5f};
// Flash draws: fires, then red and green.
std::vector<float> flash(float red, float green) {
    return {0.98f, red, green};
}
const std::vector<float> NoFlash = {0.5f};

struct PieceDraws {
    float left, top, width, height, red, green;
};

// Six draws for each of the eleven pieces.
std::vector<float> pieces(const std::vector<PieceDraws>& each) {
    std::vector<float> draws;
    for (int i = 0; i <= 10; ++i) {
        const PieceDraws& p = each[static_cast<std::size_t>(i) % each.size()];
        draws.insert(draws.end(), {p.left, p.top, p.width, p.height, p.red, p.green});
    }
    return draws;
}
// Pieces of no size: nothing of them is drawn.
const std::vector<float> InvisiblePieces = pieces({{0, 0, 0, 0, 0, 0}});

std::vector<float> tick(std::vector<float> bg, std::vector<float> fl, std::vector<float> pc) {
    bg.insert(bg.end(), fl.begin(), fl.end());
    bg.insert(bg.end(), pc.begin(), pc.end());
    return bg;
}

// The decoration area and its shapes as the window holds them after start-up
// and a layout pass: pieces Shp(0) to Shp(10), the flash shape behind them,
// and ten pictures, each of one colour.
struct DecorRig {
    TestForm form;
    PictureBox KazariPic{form};
    Shape ShpKazari{KazariPic, Shape::Rectangle};
    ControlArray<Shape> Shp{"Shp", std::make_unique<Shape>(KazariPic, Shape::Oval)};
    ControlArray<PictureBox> E{"E", std::make_unique<PictureBox>(form)};
    SequenceRandom random;
    Decoration decoration{DecorControls{KazariPic, ShpKazari, Shp, E}, random};

    DecorRig(int width, int height) {
        ShpKazari.setBorderStyle(0);
        ShpKazari.setFillStyle(Shape::Cross);
        for (std::int16_t i = 1; i <= 10; ++i) {
            Shp.load(i);
            Shp(i).ZOrder(1);
        }
        for (std::int16_t i = 0; i <= 9; ++i) {
            if (i > 0)
                E.load(i);
            E(i).setPicture(solid(GameFolder::pictureColour(i)));
        }
        resize(width, height);
        KazariPic.setScaleMode(ScaleMode::Pixels);
        KazariPic.setBackColor(RGB(0, 0, 0));
        KazariPic.show();
        ShpKazari.ZOrder(1);
    }
    void resize(int width, int height) {
        KazariPic.Move(0, 0, width * ScaleSpace::TwipsPerPixel, height * ScaleSpace::TwipsPerPixel);
        ShpKazari.Move(0, 0, KazariPic.ScaleWidth(), KazariPic.ScaleHeight());
    }
    static QImage solid(QColor colour) {
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
    // What the area shows.
    QImage shown() { return KazariPic.hostWidget()->grab().toImage(); }
    // What the area shows with every shape hidden: what was drawn on it.
    QImage drawn() {
        std::vector<Shape*> hidden;
        for (Shape* shape : KazariPic.shapes())
            if (shape->isVisible()) {
                shape->hide();
                hidden.push_back(shape);
            }
        const QImage image = shown();
        for (Shape* shape : hidden)
            shape->show();
        return image;
    }
    void run(const std::vector<float>& draws) {
        random.push(draws);
        decoration.KazariTim_Timer();
        EXPECT_EQ(random.remaining(), 0u) << "the tick used fewer draws than given";
    }
};

} // namespace

TEST(DecorPlan, StepsFireAtTheirThresholdsAndSetTheDrawCount) {
    struct Case {
        float backgroundDraw, flashDraw;
        bool background, flash;
        int draws;
    } cases[] = {
        {0.895f, 0.965f, false, false, 68}, // floor 89 and 289: neither fires
        {0.905f, 0.965f, true, false, 71},  // floor 90
        {0.895f, 0.9683f, false, true, 70}, // floor 290
        {0.905f, 0.9683f, true, true, 73},  // both
        {0.0f, 0.0f, false, false, 68},     {Top, Top, true, true, 73},
    };
    for (const Case& c : cases) {
        SequenceRandom random;
        random.push(c.backgroundDraw);
        if (c.background)
            random.push({0.5f, 0.5f, 0.5f});
        random.push(c.flashDraw);
        if (c.flash)
            random.push({0.5f, 0.5f});
        random.push(pieces({{0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}}));
        const DecorPlan plan = planDecorTick(random, 400, 300, 10);
        SCOPED_TRACE(testing::Message() << c.backgroundDraw << " / " << c.flashDraw);
        EXPECT_EQ(plan.background, c.background);
        EXPECT_EQ(plan.flash, c.flash);
        EXPECT_EQ(random.draws(), c.draws);
        EXPECT_EQ(random.remaining(), 0u);
    }
}

TEST(DecorPlan, SectionOriginAndPictureCoverTheirWholeRange) {
    struct Case {
        float left, top, picture;
        float height;
        int count;
        int sourceLeft;
        float sourceTop;
        int k;
    } cases[] = {
        {0.0f, 0.0f, 0.0f, 300, 10, 0, 0, 0},
        {Top, Top, Top, 300, 10, -299, -299, 9},
        {0.335f, 0.1684f, 0.35f, 300, 10, -100, -50, 3},
        {0.5f, 0.5f, 0.5f, 1, 1, -150, 0, 0}, // one row high, one picture
        {Top, Top, Top, 300, 11, -299, -299, 10},
    };
    for (const Case& c : cases) {
        SequenceRandom random(tick(background(c.left, c.top, c.picture), NoFlash, InvisiblePieces));
        const DecorPlan plan = planDecorTick(random, 400, c.height, c.count);
        EXPECT_EQ(plan.sourceLeft, c.sourceLeft);
        EXPECT_EQ(plan.sourceTop, c.sourceTop);
        EXPECT_EQ(plan.picture, c.k);
    }
}

TEST(DecorPlan, PiecesFollowTheirDrawsInOrderWithBlueAlways255) {
    std::vector<float> draws = tick(NoBackground, NoFlash, {});
    for (int i = 0; i <= 10; ++i) {
        const float f = static_cast<float>(i) / 11.0f;
        draws.insert(draws.end(), {f, 1 - f, 0.25f, Top, f, 0.001f});
    }
    SequenceRandom random(draws);
    const DecorPlan plan = planDecorTick(random, 400, 300, 10);
    for (int i = 0; i <= 10; ++i) {
        const float f = static_cast<float>(i) / 11.0f;
        const DecorPlan::Piece& p = plan.pieces[static_cast<std::size_t>(i)];
        SCOPED_TRACE(i);
        EXPECT_EQ(p.left, static_cast<int>(std::floor(f * 400.0f)));
        EXPECT_EQ(p.top, static_cast<int>(std::floor((1 - f) * 300.0f)));
        EXPECT_EQ(p.width, 100);
        EXPECT_EQ(p.height, 299);
        EXPECT_EQ(p.border, RGB(static_cast<int>(std::floor(f * 256.0f)), 0, 255));
    }
    EXPECT_EQ(plan.pieces[0].border, RGB(0, 0, 255));
    EXPECT_EQ(plan.pieces[10].border, RGB(232, 0, 255));
}

TEST(DecorPlan, FlashColourIsBluish) {
    SequenceRandom random(tick(NoBackground, flash(Top, 0.003f), InvisiblePieces));
    EXPECT_EQ(planDecorTick(random, 400, 300, 10).flashColour, RGB(255, 0, 255));
}

TEST(DecorPlan, AnEmptyAreaGivesEmptyPiecesAndATopOfPlusZero) {
    SequenceRandom random(
        tick(background(Top, Top, 0.5f), NoFlash, pieces({{Top, Top, Top, Top, 0, 0}})));
    const DecorPlan plan = planDecorTick(random, 0, 0, 10);
    EXPECT_EQ(plan.sourceTop, 0.0f);
    EXPECT_FALSE(std::signbit(plan.sourceTop));
    for (const DecorPlan::Piece& p : plan.pieces)
        EXPECT_EQ(QRect(p.left, p.top, p.width, p.height), QRect(0, 0, 0, 0));
}

TEST(Decoration, EveryPieceIsPlacedColouredAndShownAndTheFlashHidden) {
    DecorRig rig(400, 300);
    EXPECT_FALSE(rig.Shp(10).isVisible()); // as loaded
    rig.ShpKazari.show();
    rig.run(tick(NoBackground, NoFlash, pieces({{0.5f, 0.25f, 0.1f, 0.2f, 0.5f, 0.75f}})));
    for (std::int16_t i = 0; i <= 10; ++i) {
        EXPECT_EQ(rig.Shp(i).pixelRect(), QRect(200, 75, 40, 60)) << i;
        EXPECT_EQ(rig.Shp(i).borderColor(), RGB(128, 192, 255));
        EXPECT_TRUE(rig.Shp(i).isVisible());
    }
    EXPECT_FALSE(rig.ShpKazari.isVisible());
    // No background step: the drawing is still the cleared surface.
    const QImage drawing = rig.drawn();
    ASSERT_EQ(drawing.size(), QSize(400, 300));
    EXPECT_EQ(drawing.pixel(200, 75), qRgb(0, 0, 0));
    // The outline is drawn over it, in the piece's colour.
    EXPECT_EQ(rig.shown().pixel(220, 75), qRgb(128, 192, 255));
}

TEST(Decoration, SectionWithANegativeOriginLeavesBlackLeftOfAndAboveThePicture) {
    DecorRig rig(400, 300);
    // Section 500 x 500 from (-100, -50) over 400 x 300: 0.8 and 0.6 pixels
    // per picture pixel, so the 200 x 200 picture covers (80, 30) to (240, 150).
    rig.run(tick(background(0.335f, 0.1684f, 0.35f), NoFlash, InvisiblePieces));
    const QImage d = rig.shown();
    const QRgb black = qRgb(0, 0, 0);
    const QRgb picture = GameFolder::pictureColour(3).rgb();
    EXPECT_EQ(d.pixel(79, 90), black);
    EXPECT_EQ(d.pixel(80, 90), picture);
    EXPECT_EQ(d.pixel(239, 90), picture);
    EXPECT_EQ(d.pixel(240, 90), black);
    EXPECT_EQ(d.pixel(150, 29), black);
    EXPECT_EQ(d.pixel(150, 30), picture);
    EXPECT_EQ(d.pixel(150, 149), picture);
    EXPECT_EQ(d.pixel(150, 150), black);
    EXPECT_EQ(d.pixel(0, 0), black);
}

TEST(Decoration, ASectionFromTheOriginStartsAtThePicturesCorner) {
    DecorRig rig(400, 300);
    rig.run(tick(background(0, 0, 0), NoFlash, InvisiblePieces));
    const QImage d = rig.shown();
    const QRgb picture = GameFolder::pictureColour(0).rgb();
    EXPECT_EQ(d.pixel(0, 0), picture);
    EXPECT_EQ(d.pixel(159, 119), picture); // 200 * 0.8 - 1, 200 * 0.6 - 1
    EXPECT_EQ(d.pixel(160, 119), qRgb(0, 0, 0));
}

TEST(Decoration, APaintedPictureStaysUnderTheMovingShapesUntilTheNextClear) {
    DecorRig rig(400, 300);
    rig.run(tick(background(0, 0, 0.95f), NoFlash, InvisiblePieces));
    const QImage painted = rig.shown();
    const QRgb picture = GameFolder::pictureColour(9).rgb();
    ASSERT_EQ(painted.pixel(10, 10), picture);

    rig.run(tick(NoBackground, NoFlash, pieces({{0.25f, 0.1f, 0.25f, 0.2f, 0, 0}})));
    rig.run(tick(NoBackground, NoFlash, pieces({{0.5f, 0.5f, 0.1f, 0.1f, 0, 0}})));
    EXPECT_EQ(rig.drawn(), painted);
    const QImage shown = rig.shown();
    EXPECT_EQ(shown.pixel(10, 10), picture);
    EXPECT_EQ(shown.pixel(120, 30), picture);          // where a piece was a tick ago
    EXPECT_EQ(shown.pixel(220, 150), qRgb(0, 0, 255)); // the piece now: top of its outline

    // The next background step clears first: what lay outside the new
    // section is black again.
    rig.run(tick(background(Top, Top, 0), NoFlash, InvisiblePieces));
    EXPECT_EQ(rig.shown().pixel(10, 10), qRgb(0, 0, 0));
}

TEST(Decoration, OnATickWithBothStepsTheFlashLiesOverTheNewPictureAndUnderThePieces) {
    DecorRig rig(400, 300);
    rig.run(tick(background(0, 0, 0), flash(0, 0), InvisiblePieces));
    rig.run(tick(background(0, 0, 0.25f), flash(0.5f, 0.25f),
                 pieces({{0.5f, 0.5f, 0.25f, 0.25f, Top, Top}})));
    EXPECT_TRUE(rig.ShpKazari.isVisible());
    EXPECT_EQ(rig.ShpKazari.fillColor(), RGB(128, 64, 255));
    EXPECT_EQ(rig.KazariPic.shapes().front(), &rig.ShpKazari);

    const QImage shown = rig.shown();
    const QRgb picture = GameFolder::pictureColour(2).rgb();
    const QRgb flashColour = qRgb(128, 64, 255);
    // The hatch of the flash shows its fill with the new picture between its
    // lines; no piece lies in this corner.
    int hatch = 0, between = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const QRgb p = shown.pixel(x, y);
            hatch += p == flashColour;
            between += p == picture;
            EXPECT_TRUE(p == flashColour || p == picture) << x << "," << y;
        }
    EXPECT_GT(hatch, 0);
    EXPECT_GT(between, 0);
    EXPECT_EQ(shown.pixel(250, 150), qRgb(255, 255, 255)); // a piece's outline on top
}

TEST(Decoration, EachTickReadsTheAreaSizeAndThePictureCountAfresh) {
    DecorRig rig(400, 300);
    rig.run(tick(NoBackground, NoFlash, pieces({{0.5f, 0.5f, 0.5f, 0.5f, 0, 0}})));
    EXPECT_EQ(rig.Shp(0).pixelRect(), QRect(200, 150, 200, 150));

    rig.resize(100, 60);
    rig.E.load(10);
    rig.E(10).setPicture(DecorRig::solid(Qt::white));
    rig.run(tick(background(0, 0, Top), NoFlash, pieces({{0.5f, 0.5f, 0.5f, 0.5f, 0, 0}})));
    EXPECT_EQ(rig.Shp(0).pixelRect(), QRect(50, 30, 50, 30));
    // floor(11 x r) reaches the eleventh picture.
    EXPECT_EQ(rig.shown().pixel(0, 0), qRgb(255, 255, 255));
}

TEST(Decoration, AnAreaOfNoSizeMovesEveryPieceToTheCornerWithNoSize) {
    DecorRig rig(0, 0);
    ASSERT_EQ(rig.KazariPic.ScaleWidth(), 0);
    rig.run(
        tick(background(Top, Top, Top), flash(0, 0), pieces({{Top, Top, Top, Top, 0.5f, 0.5f}})));
    for (std::int16_t i = 0; i <= 10; ++i) {
        EXPECT_EQ(rig.Shp(i).left(), 0);
        EXPECT_EQ(rig.Shp(i).top(), 0);
        EXPECT_EQ(rig.Shp(i).width(), 0);
        EXPECT_EQ(rig.Shp(i).height(), 0);
        EXPECT_TRUE(rig.Shp(i).isVisible());
    }
    EXPECT_TRUE(rig.ShpKazari.isVisible());
    EXPECT_TRUE(rig.shown().isNull());
}
