// SPDX-License-Identifier: MIT
#include "check/GameCheck.h"

#include "check/EndingEstimate.h"
#include "check/ScriptWalk.h"
#include "platform/FluidMidiEngine.h"
#include "platform/MidiFileInfo.h"
#include "platform/RuntimeError.h"
#include "toolkit/Picture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace hanashi {

namespace {

using Severity = Finding::Severity;

class GameChecker {
public:
    GameChecker(const QString& dataDir, const QString& shownDataDir)
        : m_dir(dataDir)
        , m_shownDir(shownDataDir) {}

    std::vector<Finding> run() {
        const std::optional<ScriptWalk> opening = checkScript(
            QStringLiteral("opn.dat"), QStringLiteral("every story begins here, and the game "
                                                      "stops with an error without it"));
        if (opening) {
            checkEnding(*opening);
            // The opening's findings in line order, its ending estimate among them.
            std::stable_sort(m_findings.begin(), m_findings.end(),
                             [](const Finding& a, const Finding& b) { return a.line < b.line; });
        }
        checkEndingFile(opening);
        checkPictures();
        checkMusic();
        return std::move(m_findings);
    }

private:
    QString shown(const QString& name) const { return m_shownDir + name; }

    void add(Severity severity, const QString& name, int line, const QString& message) {
        m_findings.push_back(Finding{severity, shown(name), line, message});
    }

    // Names the file that differs only in case, for a file that was not found.
    QString caseHint(const QString& name) const {
        const QStringList entries = QDir(m_dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& entry : entries) {
            if (entry.compare(name, Qt::CaseInsensitive) == 0)
                return QStringLiteral(" (there is \"%1\", but file names are case-sensitive)")
                    .arg(entry);
        }
        return QString();
    }

    // The bytes of a file, or a finding of the given severity saying why not.
    std::optional<QByteArray> readFile(const QString& name, Severity severity,
                                       const QString& whenMissing) {
        const QFileInfo info(QDir(m_dir).filePath(name));
        if (!info.exists()) {
            add(severity, name, 0,
                QStringLiteral("missing: %1%2").arg(whenMissing, caseHint(name)));
            return std::nullopt;
        }
        if (info.isDir()) {
            add(severity, name, 0, QStringLiteral("is a folder, not a file"));
            return std::nullopt;
        }
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            add(severity, name, 0, QStringLiteral("cannot be read: %1").arg(file.errorString()));
            return std::nullopt;
        }
        return file.readAll();
    }

    std::optional<ScriptWalk> checkScript(const QString& name, const QString& whenMissing) {
        const std::optional<QByteArray> bytes = readFile(name, Severity::Error, whenMissing);
        if (!bytes)
            return std::nullopt;
        ScriptWalk walk = walkScript(*bytes, shown(name));
        for (Finding& finding : walk.findings)
            m_findings.push_back(std::move(finding));
        walk.findings.clear();
        return walk;
    }

    // Whether, and how cheaply, the opening leads to the ending. The opening
    // is read from its first line on every pass, so each pass asks the same
    // questions before it leaves the file; the end of the file instead
    // starts over with no points.
    void checkEnding(const ScriptWalk& opening) {
        const QString name = QStringLiteral("opn.dat");
        if (opening.lineCount == 0) {
            add(Severity::Error, name, 0,
                QStringLiteral("empty: the game shows nothing, and the ending is never reached"));
            return;
        }
        if (!opening.exitKind) {
            add(Severity::Error, name, 0,
                QStringLiteral("no branch line (\">ive\"): every pass runs to the end of the file, "
                               "which starts over with 0 points, so the ending is never reached"));
            return;
        }
        if (*opening.exitKind == LineKind::Restart) {
            add(Severity::Error, name, opening.exitLine,
                QStringLiteral("this restart line comes before any branch line: the opening "
                               "starts over here every time, so the ending is never reached"));
            return;
        }
        if (opening.questions == 0) {
            add(Severity::Error, name, opening.exitLine,
                QStringLiteral("no question before this branch line: the score stays 0, so the "
                               "ending (%1 points) is never reached")
                    .arg(EndingScore));
            return;
        }
        note(opening, estimateEnding(opening.questions, StartLevel),
             QStringLiteral("at the start-up question level (%1)").arg(StartLevel));
        note(opening, estimateEnding(opening.questions, BestLevel),
             QStringLiteral("at the best question level (%1)").arg(BestLevel));
    }

    void note(const ScriptWalk& opening, const EndingEstimate& e, const QString& level) {
        const QString how =
            e.passes == 1 ? QStringLiteral("%1 of the %2 questions before it")
                                .arg(e.goodAnswers)
                                .arg(e.questions)
                          : QStringLiteral("%1 of %2 questions over %3 passes through the opening")
                                .arg(e.goodAnswers)
                                .arg(e.questions)
                                .arg(e.passes);
        add(Severity::Note, QStringLiteral("opn.dat"), opening.exitLine,
            QStringLiteral("this branch line opens the ending %1 after %2 good answers: %3 "
                           "(+%4 for a good answer, -%5 for a bad one or a time-out)")
                .arg(level)
                .arg(e.goodAnswers)
                .arg(how)
                .arg(e.gain)
                .arg(e.loss));
    }

    // The ending matters only once a branch line can open it, but its lines
    // are checked whenever it is there.
    void checkEndingFile(const std::optional<ScriptWalk>& opening) {
        const QString name = QStringLiteral("end.dat");
        const bool branches = opening && opening->exitKind == LineKind::Branch;
        if (!branches && !QFileInfo::exists(QDir(m_dir).filePath(name)))
            return;
        const std::optional<ScriptWalk> ending = checkScript(
            name, QStringLiteral("the branch line %1:%2 opens it with %3 points or more, and "
                                 "the game stops with an error there")
                      .arg(shown(QStringLiteral("opn.dat")))
                      .arg(branches ? opening->exitLine : 0)
                      .arg(EndingScore));
        if (ending && ending->lineCount == 0)
            add(Severity::Warning, name, 0,
                QStringLiteral("empty: the ending shows nothing, and the story starts over at "
                               "once with 0 points"));
    }

    void checkPictures() {
        for (int i = 0; i <= 9; ++i) {
            const QString name = QStringLiteral("0%1.bmp").arg(i);
            const QString path = QDir(m_dir).filePath(name);
            if (!QFileInfo::exists(path)) {
                add(Severity::Error, name, 0,
                    QStringLiteral("missing: the game stops at start-up without it%1")
                        .arg(caseHint(name)));
                continue;
            }
            try {
                LoadPicture(path);
            } catch (const RuntimeError& error) {
                add(Severity::Error, name, 0,
                    QStringLiteral("the game cannot load it and stops at start-up: %1")
                        .arg(error.message()));
            }
        }
    }

    void checkMusic() {
        const QString name = QStringLiteral("bgm.mid");
        const std::optional<QByteArray> bytes =
            readFile(name, Severity::Warning, QStringLiteral("the game runs without music"));
        const qint64 maxSize = FluidMidiEngine::Options{}.maxFileSize;
        if (bytes && bytes->size() > maxSize)
            add(Severity::Warning, name, 0,
                QStringLiteral("larger than %1 bytes: the game does not play it and runs "
                               "without music")
                    .arg(maxSize));
        else if (bytes && !MidiFileInfo::parse(*bytes))
            add(Severity::Warning, name, 0,
                QStringLiteral("not a complete Standard MIDI File of format 0 or 1: the game runs "
                               "without music"));
    }

    QString m_dir;
    QString m_shownDir;
    std::vector<Finding> m_findings;
};

} // namespace

std::vector<Finding> checkGameFolder(const QString& folder, const QString& shownFolder) {
    const QString shownData = QDir::cleanPath(shownFolder + QStringLiteral("/dat"));
    const QDir dir(folder);
    if (!QFileInfo(dir.filePath(QStringLiteral("dat"))).isDir()) {
        QString hint;
        for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (entry.compare(QStringLiteral("dat"), Qt::CaseInsensitive) == 0)
                hint = QStringLiteral(" (there is \"%1\", but folder names are case-sensitive)")
                           .arg(entry);
        }
        return {Finding{Finding::Severity::Error, shownData, 0,
                        QStringLiteral("missing folder: the game reads its scripts, pictures and "
                                       "tune from dat/ beside its executable%1")
                            .arg(hint)}};
    }
    return checkGameData(dir.filePath(QStringLiteral("dat")), shownData);
}

std::vector<Finding> checkGameData(const QString& dataDir, const QString& shownDataDir) {
    QString shown = shownDataDir;
    if (!shown.isEmpty() && !shown.endsWith(QLatin1Char('/')))
        shown += QLatin1Char('/');
    return GameChecker(dataDir, shown).run();
}

bool hasErrors(const std::vector<Finding>& findings) {
    for (const Finding& finding : findings) {
        if (finding.severity == Finding::Severity::Error)
            return true;
    }
    return false;
}

} // namespace hanashi
