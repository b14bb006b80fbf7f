// SPDX-License-Identifier: MIT
#pragma once

#include "app/FomServices.h"
#include "decor/Decoration.h"
#include "layout/Layout.h"
#include "music/MusicModule.h"
#include "platform/SequentialFiles.h"
#include "story/Story.h"
#include "toolkit/CommandButton.h"
#include "toolkit/ControlArray.h"
#include "toolkit/Form.h"
#include "toolkit/KeyPreview.h"
#include "toolkit/Label.h"
#include "toolkit/PictureBox.h"
#include "toolkit/ScrollBar.h"
#include "toolkit/Shape.h"
#include "toolkit/Timer.h"

#include <QString>

namespace hanashi {

// The game's one window. It owns every control and the state that the story,
// the layout and the shell share, and every event of the program arrives at
// one of its handlers. Controls are public, as the subsystems and tests drive
// them directly.
class Fom : public Form {
public:
    explicit Fom(const FomServices& services);
    ~Fom() override;

    // Start-up: folders, chance, music, the further array elements, the
    // pictures and the two bars. Runs once, before the window is shown.
    void Form_Load();
    // Shows the window over the screen's available area, maximized where a
    // window manager can do it.
    void showCoveringScreen();

    void Form_Resize() override;
    void Form_Unload(std::int16_t& Cancel) override;
    void EndCom_Click();
    void HelpCom_Click();

    // Music stop and close for an end by a fatal error.
    void stopMusicForExit();

    // The controls, in the order the window creates them.
    Timer BgmTim;
    CommandButton HelpCom;
    ControlArray<PictureBox> E;
    PictureBox KazariPic;
    Shape ShpKazari;
    ControlArray<Shape> Shp;
    Timer KazariTim;
    ScrollBar LBlHscl;
    ScrollBar QstHscl;
    PictureBox QstPic;
    Shape QstShp;
    Timer QstTim;
    CommandButton EndCom;
    Timer LBlTim;
    Label ScrLBl;
    Label QstHsclLBl;
    Label LBlHsclLBl;
    ControlArray<Label> QstLbl;
    Label LBl;

    // The window's state.
    QString DataDir;
    QString AppDir;
    StoryState story;

    inline static const QString HelpPageName = QStringLiteral("最初にお読み下さい.html");

private:
    void wireHandlers();
    void applyTabOrder();
    bool answerKey(int key, Qt::KeyboardModifiers modifiers);

    FomServices m_services;
    SequentialFiles m_files;
    MusicModule m_music;
    Story m_story;
    Decoration m_decoration;
    KeyPreview m_keys;
};

} // namespace hanashi
