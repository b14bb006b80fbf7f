// SPDX-License-Identifier: MIT
#include "check/GameCheck.h"
#include "platform/ProgramFolder.h"
#include "story/Rules.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

const char* const UsageLine = "Usage: hanashi-check [--help | --version] [--] DIR\n";

// The help, with the game's rules as they stand in story/Rules.h.
QString usage() {
    const QString branch = QString(hanashi::BranchMarker);
    return QStringLiteral(
               "Usage: hanashi-check [--] DIR\n"
               "       hanashi-check --help | --version\n"
               "\n"
               "Checks the game folder DIR (the folder that holds %1/) the way the game\n"
               "reads it: the scripts %1/%2 and %1/%3, the pictures %1/%4\n"
               "to %1/%5 and the tune %1/%6. Prints one finding per line, a long\n"
               "one wrapped onto indented lines:\n"
               "\n"
               "  FILE:LINE:COLUMN: SEVERITY: MESSAGE\n"
               "\n"
               "without COLUMN when it is about the whole line, and without LINE when it is\n"
               "about the whole file. A summary follows: the lines, questions and branch\n"
               "lines of the scripts, the best score one pass through the opening can reach\n"
               "at the start-up question level, and how many errors and warnings there are.\n"
               "\n"
               "Severities:\n"
               "  error    the game stops with an error, or its ending can never be reached:\n"
               "           %1/ that cannot be searched, %2 or a picture missing or\n"
               "           unloadable, %3 missing while a branch line (\"%7\") opens\n"
               "           it, an opening that never reaches a branch line or asks no\n"
               "           question before it.\n"
               "  warning  the game runs, but not as written: bytes that are not code page 932\n"
               "           (shown as U+FFFD), a near miss of a marker (\"%8\", \"%9\",\n"
               "           \"%10\", \"%11\", which show as text), a line too wide for one row\n"
               "           of the story text on a common screen (1366x768, 1920x1080,\n"
               "           1280x1024, 2560x1440), a question on the last line of its file or\n"
               "           an empty answer line (the second answer is empty), text beside a\n"
               "           marker that is never shown, a \"%12\" line holding a marker (no\n"
               "           question), lines after a branch or restart that are never read,\n"
               "           %6 missing or not played (no music), with the reason.\n"
               "  note     how many good answers reach the ending at the start-up question\n"
               "           level (%13) and at the best level (%14).\n"
               "\n"
               "Options:\n"
               "  -h, --help  show this and exit\n"
               "  --version   show the version and exit\n"
               "  --          no options follow, so that DIR may begin with \"-\"\n"
               "\n"
               "Exit status: 0 when there is no error, 1 when there is one, 2 for a usage\n"
               "error.\n")
        .arg(QString(hanashi::DataFolder), QString(hanashi::OpeningScript),
             QString(hanashi::EndingScript), hanashi::pictureFile(0),
             hanashi::pictureFile(hanashi::PictureCount - 1), QString(hanashi::TuneFile), branch,
             branch.toUpper(), QChar(u'\uFF1E') + branch.mid(1))
        .arg(branch.left(1) + QLatin1Char(' ') + branch.mid(1), branch.chopped(1),
             QString(hanashi::QuestionMarker))
        .arg(hanashi::LevelBar.start)
        .arg(hanashi::LevelBar.min);
}

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
}

int usageError(const QString& message) {
    print(stderr, QStringLiteral("hanashi-check: %1\n").arg(message));
    std::fputs(UsageLine, stderr);
    return 2;
}

// Why a folder given by the author does not open.
QString whyNot(const QByteArray& folder, int error) {
    const QString shown = hanashi::shownFileName(folder);
    switch (error) {
    case ENOENT:
        return QStringLiteral("%1: no such folder").arg(shown);
    case ENOTDIR:
        return QStringLiteral("%1: not a folder (give the folder that holds dat/)").arg(shown);
    default:
        return QStringLiteral("%1: %2").arg(shown, QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString counted(std::int64_t count, const char* what) {
    return QStringLiteral("%1 %2%3")
        .arg(count)
        .arg(QLatin1String(what))
        .arg(count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace

int main(int argc, char** argv) {
    // Only files and pictures are read: no display is needed.
    QCoreApplication app(argc, argv);
    // The arguments as the bytes the system gave: a folder's name need not
    // be UTF-8, and Qt's arguments() would decode it into another name.
    std::vector<QByteArray> folders;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (!optionsEnd && (arg == "--help" || arg == "-h")) {
            print(stdout, usage());
            return 0;
        }
        if (!optionsEnd && arg == "--version") {
            std::fputs("hanashi-check " HANASHI_VERSION "\n", stdout);
            return 0;
        }
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && arg.startsWith('-') && ::access(arg.constData(), F_OK) != 0)
            return usageError(QStringLiteral("unknown option %1").arg(hanashi::shownFileName(arg)));
        folders.push_back(arg);
    }
    if (folders.size() != 1)
        return usageError(
            folders.empty()
                ? QStringLiteral("no game folder given")
                : QStringLiteral("one game folder, please (%1 given)").arg(folders.size()));
    int error = 0;
    const std::optional<hanashi::ProgramFolder> folder = hanashi::ProgramFolder::open(
        folders.front(), hanashi::ProgramFolder::Naming::AsGiven, &error);
    if (!folder)
        return usageError(whyNot(folders.front(), error));

    hanashi::StoryCounts counts;
    const std::vector<hanashi::Finding> findings =
        hanashi::checkGameFolder(folder->path(), folder->shownName(), &counts);
    int errors = 0;
    int warnings = 0;
    for (const hanashi::Finding& finding : findings) {
        print(stdout, finding.toWrappedText());
        errors += finding.severity == hanashi::Finding::Severity::Error;
        warnings += finding.severity == hanashi::Finding::Severity::Warning;
    }
    QString summary =
        QStringLiteral("%1, %2, %3, %4")
            .arg(counted(counts.scripts, "script"), counted(counts.lines, "line"),
                 counted(counts.questions, "question"), counted(counts.branchLines, "branch line"));
    if (counts.bestPassScore)
        summary += QStringLiteral("; one pass through the opening wins at most %1 points at the "
                                  "start-up question level (%2)")
                       .arg(*counts.bestPassScore)
                       .arg(hanashi::LevelBar.start);
    print(stdout, hanashi::wrapped(QStringLiteral("summary:"), summary));
    print(stdout, QStringLiteral("%1, %2: %3\n")
                      .arg(counted(errors, "error"), counted(warnings, "warning"),
                           errors ? QStringLiteral("the game stops or never reaches its ending")
                                  : QStringLiteral("nothing stops the game")));
    return errors ? 1 : 0;
}
