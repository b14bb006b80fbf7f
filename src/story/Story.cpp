// SPDX-License-Identifier: MIT
#include "story/Story.h"

#include "platform/RandomSource.h"
#include "platform/SequentialFiles.h"
#include "story/LineKind.h"
#include "story/Score.h"
#include "toolkit/Colour.h"

namespace hanashi {

namespace {

constexpr double UpperSlotTop = 0.2;
constexpr double LowerSlotTop = 0.5;
constexpr double CountdownStart = 10;
constexpr double CountdownEnd = 51;
constexpr Colour HeldColour = RGB(255, 0, 255);
constexpr Colour AnswerColour = RGB(0, 255, 255);

} // namespace

Story::Story(const StoryControls& controls, StoryState& state, SequentialFiles& files,
             RandomSource& random)
    : m_c(controls)
    , m_s(state)
    , m_files(files)
    , m_random(random) {}

void Story::StartStory() {
    for (std::int16_t i = 0; i <= 1; ++i)
        m_c.QstLbl(i).hide();
    m_c.QstPic.hide();
    // A restart ends a running question round too, so that its countdown
    // cannot later take points from the new story.
    m_c.QstTim.setEnabled(false);
    m_s.Score = 0;
    m_c.ScrLBl.setCaption(QString());
    if (m_files.isOpen(m_s.ScriptFileNo))
        m_files.close(m_s.ScriptFileNo);
    m_s.ScriptFileNo = m_files.freeFile();
    openScript("opn.dat");
    m_c.LBlTim.setEnabled(true);
}

void Story::LBlTim_Timer() {
    if (m_files.eof(m_s.ScriptFileNo)) {
        m_files.close(m_s.ScriptFileNo);
        StartStory();
        return;
    }
    m_s.CurrentLine = m_files.lineInput(m_s.ScriptFileNo);
    switch (classifyLine(m_s.CurrentLine)) {
    case LineKind::Branch:
        m_files.close(m_s.ScriptFileNo);
        m_s.CurrentLine.clear();
        openScript(m_s.Score >= 500 ? "end.dat" : "opn.dat");
        ShowLine();
        break;
    case LineKind::Restart:
        m_files.close(m_s.ScriptFileNo);
        openScript("opn.dat");
        m_s.CurrentLine.clear();
        ShowLine();
        break;
    case LineKind::Question:
        AskQuestion();
        break;
    case LineKind::Story:
        ShowLine();
        break;
    }
}

void Story::ShowLine() {
    pushLine(m_s.LineHistory, m_s.CurrentLine);
    m_c.LBl.setCaption(storyCaption(m_s.LineHistory));
}

void Story::AskQuestion() {
    m_c.LBlTim.setEnabled(false);
    m_c.QstTim.setEnabled(true);
    m_c.QstLbl(0).setCaption(withoutFirstCharacter(m_s.CurrentLine));
    // A question on the last line of its file has an empty second answer; the
    // next reader tick then finds the end of the file.
    m_s.CurrentLine =
        m_files.eof(m_s.ScriptFileNo) ? QString() : m_files.lineInput(m_s.ScriptFileNo);
    m_c.QstLbl(1).setCaption(withoutFirstCharacter(m_s.CurrentLine));
    const auto k = static_cast<std::int16_t>(2 * m_random.draw());
    m_c.QstLbl(k).setTop(UpperSlotTop);
    m_c.QstLbl(static_cast<std::int16_t>(1 - k)).setTop(LowerSlotTop);
    m_c.QstShp.Move(0, 0, 0, 1);
    m_c.QstShp.setWidth(CountdownStart);
    m_c.QstLbl(0).show();
    m_c.QstLbl(1).show();
    m_c.QstPic.show();
}

void Story::QstTim_Timer() {
    m_c.QstShp.setWidth(m_c.QstShp.width() + 1);
    if (m_c.QstShp.width() >= CountdownEnd)
        QstLbl_Click(1);
}

void Story::QstLbl_Click(std::int16_t Index) {
    m_s.Score = scoreAfterAnswer(m_s.Score, Index, m_c.QstHscl.Max(), m_c.QstHscl.Value());
    m_c.ScrLBl.setCaption(starBar(m_s.Score));
    m_c.QstLbl(0).hide();
    m_c.QstLbl(1).hide();
    m_c.QstPic.hide();
    m_c.QstTim.setEnabled(false);
    m_c.LBlTim.setEnabled(true);
    m_s.CurrentLine = m_c.QstLbl(Index).caption();
    ShowLine();
}

bool Story::answerInSlot(AnswerSlot slot) {
    // The answers are shown exactly while a round runs, so exactly then can
    // they be clicked.
    if (m_c.QstLbl.count() < 2 || !m_c.QstLbl(0).isVisible() || !m_c.QstLbl(1).isVisible())
        return false;
    const std::int16_t upper = m_c.QstLbl(0).top() < m_c.QstLbl(1).top() ? 0 : 1;
    QstLbl_Click(slot == AnswerSlot::Upper ? upper : static_cast<std::int16_t>(1 - upper));
    return true;
}

void Story::QstLbl_MouseDown(std::int16_t Index, std::int16_t, std::int16_t, float, float) {
    m_c.QstLbl(Index).setBackColor(HeldColour);
}

void Story::QstLbl_MouseUp(std::int16_t Index, std::int16_t, std::int16_t, float, float) {
    m_c.QstLbl(Index).setBackColor(AnswerColour);
}

void Story::LBlHscl_Scroll() {
    m_c.LBlTim.setInterval(m_c.LBlHscl.Value());
}

void Story::LBlHscl_Change() {
    LBlHscl_Scroll();
}

void Story::QstHscl_Scroll() {
    m_c.QstTim.setInterval(m_c.QstHscl.Value());
}

void Story::QstHscl_Change() {
    QstHscl_Scroll();
}

void Story::openScript(const char* name) {
    m_files.open(m_s.ScriptFileNo, m_s.DataDir + QLatin1String(name));
}

} // namespace hanashi
