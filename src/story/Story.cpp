// SPDX-License-Identifier: MIT
#include "story/Story.h"

#include "platform/RandomSource.h"
#include "platform/SequentialFiles.h"
#include "story/LineKind.h"
#include "story/Rules.h"
#include "story/Score.h"
#include "story/ScriptStep.h"
#include "toolkit/Colour.h"
#include "toolkit/Form.h"

namespace hanashi {

namespace {

constexpr double UpperSlotTop = 0.2;
constexpr double LowerSlotTop = 0.5;
constexpr double CountdownStart = 10;
constexpr double CountdownEnd = 51;
constexpr Colour HeldColour = RGB(255, 0, 255);
constexpr Colour AnswerColour = RGB(0, 255, 255);

// What a screen reader calls the answer in a slot: the key that chooses it,
// then the answer.
QString spokenAnswer(AnswerSlot slot, const QString& answer) {
    return QStringLiteral("%1: %2").arg(answerDigit(slot)).arg(answer);
}

// The script open under the story's file number.
class OpenScript final : public ScriptLines {
public:
    OpenScript(SequentialFiles& files, std::int16_t fileNumber)
        : m_files(files)
        , m_fileNumber(fileNumber) {}
    bool atEnd() override { return m_files.eof(m_fileNumber); }
    QString readLine() override { return m_files.lineInput(m_fileNumber); }

private:
    SequentialFiles& m_files;
    std::int16_t m_fileNumber;
};

} // namespace

int answerDigit(AnswerSlot slot) {
    return slot == AnswerSlot::Upper ? 1 : 2;
}

Story::Story(const StoryControls& controls, StoryState& state, const QString& dataDir,
             SequentialFiles& files, RandomSource& random)
    : m_controls(controls)
    , m_state(state)
    , m_dataDir(dataDir)
    , m_files(files)
    , m_random(random) {}

void Story::StartStory() {
    for (std::int16_t i = 0; i <= 1; ++i)
        m_controls.QstLbl(i).hide();
    m_controls.QstPic.hide();
    // A restart ends a running question round too, so that its countdown
    // cannot later take points from the new story.
    m_controls.QstTim.setEnabled(false);
    m_state.Score = 0;
    m_controls.ScrLBl.setCaption(QString());
    m_controls.ScrLBl.setAccessibleName(spokenScore(m_state.Score));
    if (m_files.isOpen(m_state.ScriptFileNo))
        m_files.close(m_state.ScriptFileNo);
    m_state.ScriptFileNo = m_files.freeFile();
    openScript(OpeningScript);
    m_controls.LBlTim.setEnabled(true);
}

void Story::LBlTim_Timer() {
    OpenScript lines(m_files, m_state.ScriptFileNo);
    if (lines.atEnd()) {
        m_files.close(m_state.ScriptFileNo);
        StartStory();
        return;
    }
    const ScriptStep step = readStep(lines);
    m_state.CurrentLine = step.line;
    switch (step.kind) {
    case LineKind::Branch:
    case LineKind::Restart:
        m_files.close(m_state.ScriptFileNo);
        m_state.CurrentLine.clear();
        openScript(scriptOpenedBy(step.kind, m_state.Score));
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
    pushLine(m_state.shownLines, m_state.CurrentLine);
    m_controls.LBl.setCaption(storyCaption(m_state.shownLines));
}

void Story::AskQuestion() {
    m_controls.LBlTim.setEnabled(false);
    m_controls.QstTim.setEnabled(true);
    m_controls.QstLbl(0).setCaption(withoutFirstCharacter(m_state.CurrentLine));
    OpenScript lines(m_files, m_state.ScriptFileNo);
    m_state.CurrentLine = readAnswerLine(lines);
    m_controls.QstLbl(1).setCaption(withoutFirstCharacter(m_state.CurrentLine));
    const auto upperIndex = static_cast<std::int16_t>(2 * m_random.draw());
    Label& upper = m_controls.QstLbl(upperIndex);
    Label& lower = m_controls.QstLbl(static_cast<std::int16_t>(1 - upperIndex));
    upper.setTop(UpperSlotTop);
    lower.setTop(LowerSlotTop);
    const QString upperName = spokenAnswer(AnswerSlot::Upper, upper.caption());
    const QString lowerName = spokenAnswer(AnswerSlot::Lower, lower.caption());
    upper.setAccessibleName(upperName);
    lower.setAccessibleName(lowerName);
    m_controls.QstShp.Move(0, 0, 0, 1);
    m_controls.QstShp.setWidth(CountdownStart);
    m_controls.QstLbl(0).show();
    m_controls.QstLbl(1).show();
    m_controls.QstPic.show();
    // A listener learns of the round, and of both answers, as it begins.
    m_controls.LBl.container().form().announce(upperName + QStringLiteral("、") + lowerName);
}

void Story::QstTim_Timer() {
    m_controls.QstShp.setWidth(m_controls.QstShp.width() + 1);
    if (m_controls.QstShp.width() >= CountdownEnd)
        QstLbl_Click(1);
}

void Story::QstLbl_Click(std::int16_t Index) {
    m_state.Score = scoreAfterAnswer(m_state.Score, Index, m_controls.QstHscl.Max(),
                                     m_controls.QstHscl.Value());
    m_controls.ScrLBl.setCaption(starBar(m_state.Score));
    m_controls.ScrLBl.setAccessibleName(spokenScore(m_state.Score));
    m_controls.QstLbl(0).hide();
    m_controls.QstLbl(1).hide();
    m_controls.QstPic.hide();
    m_controls.QstTim.setEnabled(false);
    m_controls.LBlTim.setEnabled(true);
    m_state.CurrentLine = m_controls.QstLbl(Index).caption();
    ShowLine();
}

bool Story::answerInSlot(AnswerSlot slot) {
    // The answers are shown exactly while a round runs, so exactly then can
    // they be clicked.
    if (m_controls.QstLbl.count() < 2 || !m_controls.QstLbl(0).isVisible() ||
        !m_controls.QstLbl(1).isVisible())
        return false;
    const std::int16_t upper = m_controls.QstLbl(0).top() < m_controls.QstLbl(1).top() ? 0 : 1;
    QstLbl_Click(slot == AnswerSlot::Upper ? upper : static_cast<std::int16_t>(1 - upper));
    return true;
}

void Story::QstLbl_MouseDown(std::int16_t Index, std::int16_t, std::int16_t, float, float) {
    m_controls.QstLbl(Index).setBackColor(HeldColour);
}

void Story::QstLbl_MouseUp(std::int16_t Index, std::int16_t, std::int16_t, float, float) {
    m_controls.QstLbl(Index).setBackColor(AnswerColour);
}

void Story::LBlHscl_Scroll() {
    m_controls.LBlTim.setInterval(m_controls.LBlHscl.Value());
}

void Story::LBlHscl_Change() {
    LBlHscl_Scroll();
}

void Story::QstHscl_Scroll() {
    m_controls.QstTim.setInterval(m_controls.QstHscl.Value());
}

void Story::QstHscl_Change() {
    QstHscl_Scroll();
}

void Story::openScript(QLatin1StringView name) {
    m_files.open(m_state.ScriptFileNo, m_dataDir + name);
}

} // namespace hanashi
