// SPDX-License-Identifier: MIT
#pragma once

#include "platform/SequentialFiles.h"
#include "story/Rules.h"
#include "story/Story.h"
#include "support/OwnProcess.h"
#include "support/SequenceRandom.h"
#include "support/TestFiles.h"
#include "support/TestForm.h"

#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>
#include <vector>

namespace hanashi {

// The story's controls on a bare window, set up as the layout leaves them, a
// temporary data folder and a fixed random sequence. Tests call the handlers
// directly.
class StoryFixture : public ::testing::Test {
protected:
    StoryFixture()
        : QstLbl("QstLbl", std::make_unique<Label>(form, "QstLbl", Label::Opaque))
        , QstShp(QstPic, Shape::Rectangle) {
        QstLbl.load(1);
        form.setScale(0, 0, 8, 6);
        QstPic.Move(4.2, 0.8, 3.6, 0.3);
        QstPic.setScale(0, 0, 50, 1);
        LBlHscl.setMax(SpeedBar.max);
        LBlHscl.setMin(SpeedBar.min);
        QstHscl.setMax(LevelBar.max);
        QstHscl.setMin(LevelBar.min);
        LBlHscl.setChangeHandler([this] { story().LBlHscl_Change(); });
        LBlHscl.setScrollHandler([this] { story().LBlHscl_Scroll(); });
        QstHscl.setChangeHandler([this] { story().QstHscl_Change(); });
        QstHscl.setScrollHandler([this] { story().QstHscl_Scroll(); });
        QstHscl.setValue(LevelBar.start);
        LBlHscl.setValue(SpeedBar.start);
        dataDir = dir.path() + '/';
        m_scriptFolder = QFileInfo(dir.path()).canonicalFilePath() + '/';
    }

    // Writes a script in code page 932 with CR LF line ends.
    void script(const char* name, const QStringList& lines) {
        TestFiles::write(dir.path(), name, TestFiles::script(lines));
    }

    Story& story() {
        if (!m_story)
            m_story.emplace(StoryControls{LBl, QstLbl, QstPic, QstShp, ScrLBl, LBlTim, QstTim,
                                          LBlHscl, QstHscl},
                            state, dataDir, files, random);
        return *m_story;
    }

    // Ticks the reader n times.
    void read(int n = 1) {
        for (int i = 0; i < n; ++i)
            story().LBlTim_Timer();
    }

    QString newest() const { return state.shownLines.back(); }
    bool inQuestion() const { return QstTim.isEnabled() && !LBlTim.isEnabled(); }
    // Scripts of the data folder that the process really holds open.
    QStringList scriptsOpen() const {
        QStringList open;
        for (const int descriptor : OwnProcess::descriptorsIn(dir.path()))
            open << OwnProcess::target(descriptor);
        return open;
    }
    qsizetype scriptsHeldOpen() const { return scriptsOpen().size(); }
    // The name of the one script held open; empty when there is none.
    QString openFileName() const {
        const QStringList open = scriptsOpen();
        return open.size() == 1 ? open.front().section('/', -1) : open.join(QLatin1Char(' '));
    }
    // The name of the script held open if nothing of it has been read yet,
    // as when a marker line or the end of a file has just opened it; empty
    // otherwise. The reader reads only what it is asked for, so the kernel
    // still has the new descriptor at offset 0.
    QString scriptJustOpened() {
        // A script mostly opens again under the descriptor the last one had,
        // which is quicker to look at than every descriptor of the process.
        QString path = OwnProcess::target(m_scriptDescriptor);
        if (!path.startsWith(m_scriptFolder)) {
            const std::vector<int> open = OwnProcess::descriptorsIn(dir.path());
            if (open.size() != 1)
                return QString();
            m_scriptDescriptor = open.front();
            path = OwnProcess::target(m_scriptDescriptor);
        }
        return lseek(m_scriptDescriptor, 0, SEEK_CUR) == 0 ? path.section('/', -1) : QString();
    }

    // Answers the question on screen: index 0 is the good answer.
    void answer(std::int16_t index) { story().QstLbl_Click(index); }

    QTemporaryDir dir;
    TestForm form;
    Label LBl{form, "Label1", Label::Transparent};
    ControlArray<Label> QstLbl;
    PictureBox QstPic{form};
    Shape QstShp;
    Label ScrLBl{form, "Scr", Label::Transparent};
    Timer LBlTim{form, false, 0};
    Timer QstTim{form, false, 0};
    ScrollBar LBlHscl{form};
    ScrollBar QstHscl{form};
    StoryState state;
    QString dataDir;
    SequentialFiles files;
    SequenceRandom random;

private:
    std::optional<Story> m_story;
    QString m_scriptFolder;
    int m_scriptDescriptor = -1;
};

} // namespace hanashi
