// SPDX-License-Identifier: MIT
#pragma once

#include "story/StoryControls.h"
#include "story/StoryState.h"

#include <QLatin1StringView>
#include <cstdint>

namespace hanashi {

class RandomSource;
class SequentialFiles;

// The two places an answer can take during a question round.
enum class AnswerSlot { Upper, Lower };

// The digit key that chooses the answer in a slot: 1 the upper, 2 the lower.
// A screen reader hears it before the answer ("1: ...").
int answerDigit(AnswerSlot slot);

// The story engine: the script reader, the story text, the question round with
// the score, and the speed and level bars. Its handlers are the window's; the
// timers and controls only call them.
class Story {
public:
    // dataDir is the window's folder of scripts, read whenever a script opens;
    // it ends in a separator.
    Story(const StoryControls& controls, StoryState& state, const QString& dataDir,
          SequentialFiles& files, RandomSource& random);

    // Reader and story text.
    void StartStory();
    void LBlTim_Timer();
    void ShowLine();

    // Question round.
    void AskQuestion();
    void QstTim_Timer();
    void QstLbl_Click(std::int16_t Index);
    void QstLbl_MouseDown(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X,
                          float Y);
    void QstLbl_MouseUp(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X,
                        float Y);
    // Chooses the answer that the draw put in the slot, exactly as a click on
    // its label would. Outside a round there is nothing to choose: returns
    // false and changes nothing.
    bool answerInSlot(AnswerSlot slot);

    // Speed and level bars.
    void LBlHscl_Scroll();
    void LBlHscl_Change();
    void QstHscl_Scroll();
    void QstHscl_Change();

private:
    void openScript(QLatin1StringView name);

    StoryControls m_controls;
    StoryState& m_state;
    const QString& m_dataDir;
    SequentialFiles& m_files;
    RandomSource& m_random;
};

} // namespace hanashi
