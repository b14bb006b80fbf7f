// SPDX-License-Identifier: MIT
#include "check/GameCheck.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

const char* const Usage =
    "Usage: hanashi-check DIR\n"
    "       hanashi-check --help\n"
    "\n"
    "Checks the game folder DIR (the folder that holds dat/) the way the game\n"
    "reads it: the scripts dat/opn.dat and dat/end.dat, the pictures dat/00.bmp\n"
    "to dat/09.bmp and the tune dat/bgm.mid. Prints one finding per line:\n"
    "\n"
    "  FILE:LINE: SEVERITY: MESSAGE    (no LINE when it is about the whole file)\n"
    "\n"
    "Severities:\n"
    "  error    the game stops with an error, or its ending can never be reached:\n"
    "           opn.dat or a picture missing or unloadable, end.dat missing while\n"
    "           a branch line (\">ive\") opens it, an opening that never reaches a\n"
    "           branch line or asks no question before it.\n"
    "  warning  the game runs, but not as written: bytes that are not code page 932\n"
    "           (shown as U+FFFD), a question on the last line of its file or an\n"
    "           empty answer line (the second answer is empty), text beside a\n"
    "           marker that is never shown, a \"*\" line holding a marker (no\n"
    "           question), lines after a branch or restart that are never read,\n"
    "           bgm.mid missing or unplayable (no music).\n"
    "  note     how many good answers reach the ending at the start-up question\n"
    "           level (10) and at the best level (1).\n"
    "\n"
    "Exit status: 0 when there is no error, 1 when there is one, 2 for a usage\n"
    "error.\n";

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
}

int usageError(const QString& message) {
    print(stderr, QStringLiteral("hanashi-check: %1\n").arg(message));
    std::fputs("Try 'hanashi-check --help'.\n", stderr);
    return 2;
}

QString counted(int count, const char* what) {
    return QStringLiteral("%1 %2%3")
        .arg(count)
        .arg(QLatin1String(what))
        .arg(count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace

int main(int argc, char** argv) {
    // Only files and pictures are read: no display is needed.
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (args.size() != 1)
        return usageError(
            args.isEmpty() ? QStringLiteral("no game folder given")
                           : QStringLiteral("one game folder, please (%1 given)").arg(args.size()));
    const QString folder = args.front();
    if (folder.startsWith(QLatin1Char('-')) && !QFileInfo::exists(folder))
        return usageError(QStringLiteral("unknown option %1").arg(folder));
    const QFileInfo info(folder);
    if (!info.exists())
        return usageError(QStringLiteral("%1: no such folder").arg(folder));
    if (!info.isDir())
        return usageError(
            QStringLiteral("%1: not a folder (give the folder that holds dat/)").arg(folder));

    const std::vector<hanashi::Finding> findings = hanashi::checkGameFolder(folder, folder);
    int errors = 0;
    int warnings = 0;
    for (const hanashi::Finding& finding : findings) {
        print(stdout, finding.toText() + QLatin1Char('\n'));
        errors += finding.severity == hanashi::Finding::Severity::Error;
        warnings += finding.severity == hanashi::Finding::Severity::Warning;
    }
    print(stdout, QStringLiteral("%1, %2: %3\n")
                      .arg(counted(errors, "error"), counted(warnings, "warning"),
                           errors ? QStringLiteral("the game stops or never reaches its ending")
                                  : QStringLiteral("nothing stops the game")));
    return errors ? 1 : 0;
}
