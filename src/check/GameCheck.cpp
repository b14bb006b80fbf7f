// SPDX-License-Identifier: MIT
#include "check/GameCheck.h"

#include "check/EndingEstimate.h"
#include "check/ScriptWalk.h"
#include "platform/BitmapFile.h"
#include "platform/LineReader.h"
#include "platform/MidiTune.h"
#include "platform/PlainFile.h"
#include "platform/RuntimeError.h"
#include "story/Rules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace hanashi {

namespace {

using Severity = Finding::Severity;

// A system's reason as the findings word it: "permission denied".
QString lowerFirst(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

class GameChecker {
public:
    GameChecker(const QString& dataDir, const QString& shownDataDir, StoryCounts& counts)
        : m_dir(dataDir)
        , m_shownDir(shownDataDir)
        , m_counts(counts) {}

    std::vector<Finding> run() {
        const std::optional<ScriptWalk> opening = checkScript(
            QString(OpeningScript), QStringLiteral("every story begins here, and the game "
                                                   "stops with an error without it"));
        if (opening) {
            m_counts.bestPassScore = bestScoreOfOnePass(opening->questions, LevelBar.start);
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

    QString path(const QString& name) const { return QDir(m_dir).filePath(name); }

    // Names the file that differs only in case, for a file that was not found.
    QString caseHint(const QString& name) const {
        const QStringList entries = QDir(m_dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& entry : entries) {
            if (entry != name && entry.compare(name, Qt::CaseInsensitive) == 0)
                return QStringLiteral(" (there is \"%1\", but file names are case-sensitive)")
                    .arg(entry);
        }
        return QString();
    }

    // The file opened, or a finding of the given severity saying why not.
    std::optional<PlainFile> openFile(const QString& name, Severity severity,
                                      const QString& whenMissing) {
        PlainFile::Failure failure;
        std::optional<PlainFile> file = PlainFile::tryOpen(path(name), &failure);
        if (!file)
            add(severity, name, 0, whyNot(name, failure, whenMissing));
        return file;
    }

    QString whyNot(const QString& name, const PlainFile::Failure& failure,
                   const QString& whenMissing) const {
        switch (failure.kind) {
        case PlainFile::Failure::Kind::Missing:
            return QStringLiteral("missing: %1%2").arg(whenMissing, caseHint(name));
        case PlainFile::Failure::Kind::NotAFile:
            return QStringLiteral("is %1, not a file").arg(failure.detail);
        case PlainFile::Failure::Kind::Error:
            break;
        }
        return QStringLiteral("cannot be read: %1").arg(lowerFirst(failure.detail));
    }

    std::optional<ScriptWalk> checkScript(const QString& name, const QString& whenMissing) {
        std::optional<PlainFile> file = openFile(name, Severity::Error, whenMissing);
        if (!file)
            return std::nullopt;
        LineReader reader(std::move(*file));
        ScriptWalk walk;
        try {
            walk = walkScript(reader, shown(name));
        } catch (const RuntimeError& error) {
            add(Severity::Error, name, 0,
                QStringLiteral("cannot be read to its end: %1").arg(error.message()));
            return std::nullopt;
        }
        for (Finding& finding : walk.findings)
            m_findings.push_back(std::move(finding));
        walk.findings.clear();
        ++m_counts.scripts;
        m_counts.lines += walk.lineCount;
        m_counts.questions += walk.questions;
        m_counts.branchLines += walk.branchLines;
        return walk;
    }

    // Whether, and how cheaply, the opening leads to the ending. The opening
    // is read from its first line on every pass, so each pass asks the same
    // questions before it leaves the file; the end of the file instead
    // starts over with no points.
    void checkEnding(const ScriptWalk& opening) {
        const QString name = QString(OpeningScript);
        if (opening.lineCount == 0) {
            add(Severity::Error, name, 0,
                QStringLiteral("empty: the game shows nothing, and the ending is never reached"));
            return;
        }
        if (!opening.exitKind) {
            const QString close =
                opening.nearBranchLine
                    ? QStringLiteral(", though line %1 comes close").arg(opening.nearBranchLine)
                    : QString();
            add(Severity::Error, name, 0,
                QStringLiteral("no branch line (\"%1\")%2: every pass runs to the end of the "
                               "file, which starts over with 0 points, so the ending is never "
                               "reached")
                    .arg(BranchMarker, close));
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
        note(opening, estimateEnding(opening.questions, LevelBar.start),
             QStringLiteral("at the start-up question level (%1)").arg(LevelBar.start));
        note(opening, estimateEnding(opening.questions, LevelBar.min),
             QStringLiteral("at the best question level (%1)").arg(LevelBar.min));
    }

    void note(const ScriptWalk& opening, const EndingEstimate& estimate, const QString& level) {
        const QString how =
            estimate.passes == 1
                ? QStringLiteral("%1 of the %2 questions before it")
                      .arg(estimate.goodAnswers)
                      .arg(estimate.questions)
                : QStringLiteral("%1 of %2 questions over %3 passes through the opening")
                      .arg(estimate.goodAnswers)
                      .arg(estimate.questions)
                      .arg(estimate.passes);
        add(Severity::Note, QString(OpeningScript), opening.exitLine,
            QStringLiteral("this branch line opens the ending %1 after %2 good answers: %3 "
                           "(+%4 for a good answer, -%5 for a bad one or a time-out)")
                .arg(level)
                .arg(estimate.goodAnswers)
                .arg(how)
                .arg(estimate.gain)
                .arg(estimate.loss));
    }

    // The ending matters only once a branch line can open it, but its lines
    // are checked whenever it is there.
    void checkEndingFile(const std::optional<ScriptWalk>& opening) {
        const QString name = QString(EndingScript);
        const bool branches = opening && opening->exitKind == LineKind::Branch;
        if (!branches && !QFileInfo::exists(path(name)))
            return;
        const std::optional<ScriptWalk> ending = checkScript(
            name, QStringLiteral("the branch line %1:%2 opens it with %3 points or more, and "
                                 "the game stops with an error there")
                      .arg(shown(QString(OpeningScript)))
                      .arg(branches ? opening->exitLine : 0)
                      .arg(EndingScore));
        if (ending && ending->lineCount == 0)
            add(Severity::Warning, name, 0,
                QStringLiteral("empty: the ending shows nothing, and the story starts over at "
                               "once with 0 points"));
    }

    void checkPictures() {
        for (int i = 0; i < PictureCount; ++i) {
            const QString name = pictureFile(i);
            std::optional<PlainFile> file = openFile(
                name, Severity::Error, QStringLiteral("the game stops at start-up without it"));
            if (!file)
                continue;
            // The game's own reading, on the file already open.
            try {
                readBitmap(*file);
            } catch (const RuntimeError& error) {
                add(Severity::Error, name, 0,
                    QStringLiteral("the game cannot load it and stops at start-up: %1")
                        .arg(error.message()));
            }
        }
    }

    void checkMusic() {
        const QString name = QString(TuneFile);
        const QString silent = QStringLiteral("the game runs without music");
        std::optional<PlainFile> file = openFile(name, Severity::Warning, silent);
        if (!file)
            return;
        // The game's own reading: what it refuses, it does not play.
        const MidiTune::Reading reading = MidiTune::read(*file);
        if (!reading.tune)
            add(Severity::Warning, name, 0,
                QStringLiteral("not played: %1: %2").arg(reading.refusal, silent));
    }

    QString m_dir;
    QString m_shownDir;
    StoryCounts& m_counts;
    std::vector<Finding> m_findings;
};

} // namespace

std::vector<Finding> checkGameFolder(const QString& folder, const QString& shownFolder,
                                     StoryCounts* counts) {
    const QString shownData = QDir::cleanPath(shownFolder + QStringLiteral("/dat"));
    const QDir dir(folder);
    if (!QFileInfo(dir.filePath(QString(DataFolder))).isDir()) {
        QString hint;
        for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (entry.compare(QString(DataFolder), Qt::CaseInsensitive) == 0)
                hint = QStringLiteral(" (there is \"%1\", but folder names are case-sensitive)")
                           .arg(entry);
        }
        // The author named the data folder itself rather than the game's.
        const QFileInfo shown(QDir::cleanPath(shownFolder));
        if (shown.fileName() == DataFolder)
            hint += QStringLiteral("; %1 is itself a data folder: name the game folder that "
                                   "holds it, %2")
                        .arg(shown.filePath(), shown.path());
        return {Finding{Finding::Severity::Error, shownData, 0,
                        QStringLiteral("missing folder: the game reads its scripts, pictures and "
                                       "tune from dat/ in its folder%1")
                            .arg(hint)}};
    }
    return checkGameData(dir.filePath(QString(DataFolder)), shownData, counts);
}

namespace {

// Why the folder's files cannot be looked up, if they cannot. The game only
// opens files by their names, which takes search permission and not read
// permission: a folder of mode 711 plays.
std::optional<QString> unsearchable(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    if (::faccessat(AT_FDCWD, name.constData(), X_OK, AT_EACCESS) == 0)
        return std::nullopt;
    return lowerFirst(QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

std::vector<Finding> checkGameData(const QString& dataDir, const QString& shownDataDir,
                                   StoryCounts* counts) {
    QString shown = shownDataDir;
    if (!shown.isEmpty() && !shown.endsWith(QLatin1Char('/')))
        shown += QLatin1Char('/');
    // Every file would seem missing; say once what is wrong instead.
    if (const std::optional<QString> reason = unsearchable(dataDir))
        return {Finding{Finding::Severity::Error, shownDataDir, 0,
                        QStringLiteral("cannot open the files in %1: %2").arg(shown, *reason)}};
    StoryCounts ignored;
    return GameChecker(dataDir, shown, counts ? *counts : ignored).run();
}

} // namespace hanashi
