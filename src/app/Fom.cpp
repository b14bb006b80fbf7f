// SPDX-License-Identifier: MIT
#include "app/Fom.h"

#include "app/WindowIcon.h"
#include "platform/ProgramFolder.h"
#include "platform/RandomSource.h"
#include "story/Rules.h"
#include "toolkit/Picture.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <vector>

namespace hanashi {

namespace {

// The created rectangles are in 1/1440 inch; inside the picture boxes whose
// own scale is pixels they are converted at 15 to a pixel.
constexpr double TwipsPerPixel = ScaleSpace::TwipsPerPixel;

std::unique_ptr<Label> makeLabel(Container& c, const char* caption, Label::BackStyle style) {
    return std::make_unique<Label>(c, QString::fromUtf8(caption), style);
}

} // namespace

Fom::Fom(const FomServices& services)
    : BgmTim(*this, true, 10)
    , HelpCom(*this, QStringLiteral("Help"))
    , E("E", std::make_unique<PictureBox>(*this))
    , KazariPic(*this)
    , ShpKazari(KazariPic, Shape::Rectangle)
    , Shp("Shp", std::make_unique<Shape>(KazariPic, Shape::Oval))
    , KazariTim(*this, true, 100)
    , LBlHscl(*this)
    , QstHscl(*this)
    , QstPic(*this)
    , QstShp(QstPic, Shape::Rectangle)
    , QstTim(*this, false, 0)
    , EndCom(*this, QStringLiteral("End"))
    , LBlTim(*this, false, 0)
    , ScrLBl(*this, QStringLiteral("Scr"), Label::Transparent)
    , QstHsclLBl(*this, QStringLiteral("LBlHscl"), Label::Transparent)
    , LBlHsclLBl(*this, QStringLiteral("LBlHscl"), Label::Transparent)
    , QstLbl("QstLbl", makeLabel(*this, "QstLbl", Label::Opaque))
    , LBl(*this, QStringLiteral("Label1"), Label::Transparent)
    , m_services(services)
    , m_music(services.mci)
    , m_story(StoryControls{LBl, QstLbl, QstPic, QstShp, ScrLBl, LBlTim, QstTim, LBlHscl, QstHscl},
              story, DataDir, m_files, services.random)
    , m_decoration(DecorControls{KazariPic, ShpKazari, Shp, E}, services.random)
    , m_keys(*this) {
    setWindowTitle(QStringLiteral("Form1"));
    setWindowIcon(windowIcon32());
    resize(4680 / static_cast<int>(TwipsPerPixel), 3195 / static_cast<int>(TwipsPerPixel));

    HelpCom.Move(1320, 2880, 1335, 255);
    E(0).Move(1320, 360, 855, 375);
    E(0).setScaleMode(ScaleMode::Pixels);
    E(0).hide();
    KazariPic.Move(2760, 240, 1335, 735);
    KazariPic.setScaleMode(ScaleMode::Pixels);
    KazariPic.hide();
    // The flash has no outline, so it shows as its fill: a cross hatch.
    ShpKazari.Move(120 / TwipsPerPixel, 0, 855 / TwipsPerPixel, 495 / TwipsPerPixel);
    ShpKazari.setBorderStyle(0);
    ShpKazari.setFillStyle(Shape::Cross);
    Shp(0).Move(0, 0, 975 / TwipsPerPixel, 855 / TwipsPerPixel);
    LBlHscl.Move(1800, 2280, 495, 255);
    LBlHscl.hide();
    QstHscl.Move(1200, 2280, 495, 255);
    QstHscl.hide();
    QstPic.Move(240, 1680, 2895, 495);
    QstPic.hide();
    QstShp.Move(360, 0, 975, 495);
    EndCom.Move(120, 2880, 1095, 255);
    EndCom.hide();
    ScrLBl.Move(2160, 480, 2535, 615);
    ScrLBl.hide();
    QstHsclLBl.Move(3720, 2400, 495, 375);
    QstHsclLBl.hide();
    LBlHsclLBl.Move(2880, 2400, 495, 375);
    LBlHsclLBl.hide();
    QstLbl(0).Move(1560, 1200, 2895, 495);
    QstLbl(0).setAlignment(Qt::AlignCenter);
    QstLbl(0).hide();
    LBl.Move(960, 480, 2175, 1695);
    // The newest line is at the bottom and must stay in sight, also where a
    // long line wraps or the window is short.
    LBl.setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    LBl.setWordWrap(true);
    LBl.hide();
    ScrLBl.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ScrLBl.widget()->setToolTip(QStringLiteral("スコア"));
    QstHsclLBl.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LBlHsclLBl.setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // What a screen reader finds: the story as a log that tells each new
    // line, the answers as buttons (the story names them by their keys and
    // the score by its number), and each bar named by its caption.
    LBl.setAccessibleRole(Label::AccessibleRole::Log);
    LBl.setAccessibleName(QStringLiteral("お話"));
    QstLbl(0).setAccessibleRole(Label::AccessibleRole::Button);
    LBlHsclLBl.setBuddy(LBlHscl.widget());
    QstHsclLBl.setBuddy(QstHscl.widget());
    QstPic.setAccessibleName(QStringLiteral("残り時間"));
    KazariPic.setAccessibleName(QStringLiteral("飾り"));

    applyTabOrder();
    // The window opens with the focus on Help: a stray Space there only opens
    // the help page, where on End it would end the game. Return clicks no
    // button of this window.
    HelpCom.widget()->setFocus();

    wireHandlers();
}

Fom::~Fom() = default;

void Fom::wireHandlers() {
    // The watchdog sleeps through the ticks that could not find the music
    // stopped, and any command to the music wakes it.
    BgmTim.setHandler([this] {
        m_music.BgmTim_Timer();
        BgmTim.sleepFor(m_music.watchdogMaySleepFor());
    });
    m_music.setOnCommand([this] { BgmTim.wake(); });
    KazariTim.setHandler([this] { m_decoration.KazariTim_Timer(); });
    LBlTim.setHandler([this] { m_story.LBlTim_Timer(); });
    QstTim.setHandler([this] { m_story.QstTim_Timer(); });
    // Element 0's handlers go with every element loaded later.
    QstLbl(0).setClickHandler([this](std::int16_t i) { m_story.QstLbl_Click(i); });
    QstLbl(0).setMouseDownHandler([this](std::int16_t i, std::int16_t b, std::int16_t s, float x,
                                         float y) { m_story.QstLbl_MouseDown(i, b, s, x, y); });
    QstLbl(0).setMouseUpHandler([this](std::int16_t i, std::int16_t b, std::int16_t s, float x,
                                       float y) { m_story.QstLbl_MouseUp(i, b, s, x, y); });
    LBlHscl.setChangeHandler([this] { m_story.LBlHscl_Change(); });
    LBlHscl.setScrollHandler([this] { m_story.LBlHscl_Scroll(); });
    QstHscl.setChangeHandler([this] { m_story.QstHscl_Change(); });
    QstHscl.setScrollHandler([this] { m_story.QstHscl_Scroll(); });
    EndCom.setClickHandler([this] { EndCom_Click(); });
    HelpCom.setClickHandler([this] { HelpCom_Click(); });
    m_keys.setHandler([this](int key, Qt::KeyboardModifiers m) { return answerKey(key, m); });
}

void Fom::applyTabOrder() {
    // Labels take no focus, so only these are in the cycle; the elements of
    // E follow one another in index order.
    std::vector<QWidget*> order{EndCom.widget(), QstPic.hostWidget(), QstHscl.widget(),
                                LBlHscl.widget(), KazariPic.hostWidget()};
    E.forEach([&](PictureBox& element) { order.push_back(element.hostWidget()); });
    order.push_back(HelpCom.widget());
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// 1 and 2, on the main row or the keypad, answer from the upper and the lower
// slot while a question waits: a round at the quickest levels is over before
// a mouse gets there.
bool Fom::answerKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    for (AnswerSlot slot : {AnswerSlot::Upper, AnswerSlot::Lower})
        if (key == Qt::Key_0 + answerDigit(slot))
            return m_story.answerInSlot(slot);
    return false;
}

void Fom::Form_Load() {
    DataDir = m_services.programFolder();
    if (!DataDir.endsWith(QLatin1Char('/')))
        DataDir += QLatin1Char('/');
    AppDir = DataDir;
    DataDir += DataFolder + QLatin1Char('/');

    m_services.random.seedFromClock();

    m_music.OpenMusic(DataDir + TuneFile);
    m_music.PlayMusic();

    LBl.setCaption(QString());
    QstLbl.load(1);
    for (std::int16_t i = 1; i <= 10; ++i) {
        Shp.load(i);
        Shp(i).ZOrder(1);
    }
    for (std::int16_t i = 1; i <= PictureCount - 1; ++i)
        E.load(i);
    const int n = E.count();
    for (std::int16_t i = 0; i <= n - 1; ++i) {
        PictureBox& element = E(i);
        element.setPicture(LoadPicture(DataDir + pictureFile(i)));
        element.Move(0, i, 1, 1);
        element.show();
    }
    applyTabOrder();
    QstHscl.setValue(LevelBar.start);
    LBlHscl.setValue(SpeedBar.start);
}

void Fom::showCoveringScreen() {
    // Without a window manager a maximize request does nothing, so the
    // geometry is set as well.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    showMaximized();
}

void Fom::Form_Resize() {
    layOutWindow(LayoutControls{*this, LBl, QstLbl, QstPic, QstShp, ScrLBl, EndCom, HelpCom,
                                LBlHscl, QstHscl, LBlHsclLBl, QstHsclLBl, KazariPic, ShpKazari},
                 m_services.screenHeightTwips(), [this] { m_story.StartStory(); });
}

void Fom::Form_Unload(std::int16_t&) {
    // The window ends first: no tick, event or second close runs anything of
    // it again, also where the music takes its time to stop.
    end();
    stopMusicForExit();
    m_services.endProgram(0);
}

void Fom::EndCom_Click() {
    std::int16_t cancel = 0;
    Form_Unload(cancel);
}

void Fom::HelpCom_Click() {
    // From the game's own folder, whatever bytes its name holds.
    m_services.openDocument(fileUrl(AppDir + HelpPageName));
}

void Fom::stopMusicForExit() {
    m_music.StopMusic();
    m_music.CloseMusic();
}

} // namespace hanashi
