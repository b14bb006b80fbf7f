// SPDX-License-Identifier: MIT
#include "support/FakeMidiFiles.h"
#include "support/GameFolder.h"
#include "support/OddFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hanashi;

namespace {

struct CheckRun {
    int status = -1;
    QString printed; // standard output as printed
    QString out;     // the same with each wrapped finding joined onto one line
    QString err;
};

// Runs the built hanashi-check as a user would, with no display at all.
CheckRun runCheck(const QStringList& args, const QString& program = HANASHI_CHECK_EXE) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.start(program, args);
    CheckRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("hanashi-check did not finish normally");
        return run;
    }
    run.status = process.exitCode();
    run.printed = QString::fromUtf8(process.readAllStandardOutput());
    run.out = QString(run.printed).replace(QStringLiteral("\n    "), QStringLiteral(" "));
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Runs the checker on a folder named by bytes that QProcess's arguments,
// which are text, cannot carry: the shell's printf writes them out.
CheckRun runCheckOn(const QByteArray& folder) {
    QString octal;
    for (const char c : folder)
        octal += QStringLiteral("\\0%1").arg(static_cast<unsigned char>(c), 3, 8, QLatin1Char('0'));
    return runCheck({"-c", "exec \"$0\" \"$(printf '%b' \"$1\")\"", HANASHI_CHECK_EXE, octal},
                    QStringLiteral("sh"));
}

void makePlayable(const GameFolder& game) {
    game.writeScript("opn.dat", {"夜だった。", "*追う", "*待つ", ">ive"});
    game.writeData("bgm.mid", FakeMidiFiles::heldNote(480));
}

} // namespace

TEST(CheckTool, ExitsZeroWhenNothingStopsTheGame) {
    // Spaces and Japanese in the path reach the output intact.
    GameFolder game(QStringLiteral("はなし 1"));
    makePlayable(game);
    CheckRun run = runCheck({game.programFolder()});
    EXPECT_EQ(run.status, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(game.programFolder() + "/dat/opn.dat:4: note: "));
    EXPECT_TRUE(run.out.endsWith("summary: 2 scripts, 5 lines, 1 question, 1 branch line; one "
                                 "pass through the opening wins at most 100 points at the "
                                 "start-up question level (10)\n"
                                 "0 errors, 0 warnings: nothing stops the game\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    // Long findings wrap at spaces, as compilers' notes do.
    for (const QString& line : run.printed.split('\n'))
        EXPECT_LE(line.size(), line.startsWith(game.programFolder()) ? 100 : 79)
            << line.toStdString();

    // A warning alone does not fail the check.
    game.removeData("bgm.mid");
    run = runCheck({game.programFolder()});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains("/dat/bgm.mid: warning: missing"));
    EXPECT_TRUE(run.out.endsWith("0 errors, 1 warning: nothing stops the game\n"));

    // The bundled story, run from inside the tree as the README says.
    run = runCheck({sourceTree()});
    EXPECT_EQ(run.status, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("0 errors, 0 warnings: nothing stops the game\n"));
}

TEST(CheckTool, ExitsOneOnAnError) {
    GameFolder game;
    makePlayable(game);
    game.removeData("06.bmp");
    game.writeScript("opn.dat", {"一", "二"});
    const CheckRun run = runCheck({game.programFolder()});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(game.programFolder() + "/dat/opn.dat: error: no branch line"));
    EXPECT_TRUE(lines[1].startsWith(game.programFolder() + "/dat/06.bmp: error: missing"));
    EXPECT_TRUE(lines[2].startsWith("summary: 2 scripts, 3 lines, 0 questions, 0 branch lines;"));
    EXPECT_EQ(lines[3], "2 errors, 0 warnings: the game stops or never reaches its ending");
}

TEST(CheckTool, ExitsTwoOnAUsageError) {
    GameFolder game;
    const QString file = QDir(game.dataFolder()).filePath("opn.dat");
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{}, "no game folder given"},
        {{game.programFolder(), game.programFolder()}, "one game folder, please (2 given)"},
        {{file}, "not a folder (give the folder that holds dat/)"},
        {{game.programFolder() + "/nowhere"}, "no such folder"},
        {{"--verbose"}, "unknown option --verbose"},
        // After "--" a name that starts with "-" is a folder.
        {{"--", "-nowhere"}, "-nowhere: no such folder"},
    };
    for (const Case& c : cases) {
        const CheckRun run = runCheck(c.args);
        EXPECT_EQ(run.status, 2) << c.says;
        EXPECT_TRUE(run.out.isEmpty()) << c.says;
        EXPECT_TRUE(run.err.startsWith("hanashi-check: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith("\nUsage: hanashi-check [--help | --version] [--] DIR\n"))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
    const CheckRun help = runCheck({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.printed.startsWith("Usage: hanashi-check [--] DIR\n"));
    for (const char* word : {"error", "warning", "note", "Exit status", "--version"})
        EXPECT_TRUE(help.printed.contains(word)) << word;
    const CheckRun version = runCheck({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.printed, "hanashi-check " HANASHI_VERSION "\n");
}

// An archive from Japanese Windows keeps its folder names in code page 932,
// an old disk in Latin-1, and a deep tree may be longer than PATH_MAX: the
// checker reads each, and names it with its bad bytes escaped.
TEST(CheckTool, ChecksAFolderWhateverBytesItsNameHolds) {
    GameFolder game;
    makePlayable(game);
    game.removeData("07.bmp");
    const QByteArray root = QFile::encodeName(game.root());
    const QByteArray made = QFile::encodeName(game.programFolder());
    int deepest = -1;
    const QByteArray deep = makeLongFolder(root, &deepest);
    struct Case {
        QByteArray name;
        QString shown;
    };
    const Case cases[] = {
        {root + '/' + ShiftJisName, game.root() + '/' + ShiftJisShown},
        {root + '/' + Latin1Name, game.root() + '/' + Latin1Shown},
        {deep + "/game", QFile::decodeName(deep) + "/game"},
    };
    for (const Case& c : cases) {
        const bool isDeep = c.name.startsWith(deep);
        ASSERT_EQ(isDeep ? ::renameat(AT_FDCWD, made.constData(), deepest, "game")
                         : std::rename(made.constData(), c.name.constData()),
                  0);
        const CheckRun run = runCheckOn(c.name);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith(c.shown + "/dat/opn.dat:4: note: "))
            << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(c.shown + "/dat/07.bmp: error: missing"))
            << run.out.toStdString();
        ASSERT_EQ(isDeep ? ::renameat(deepest, "game", AT_FDCWD, made.constData())
                         : std::rename(c.name.constData(), made.constData()),
                  0);
    }
    ::close(deepest);
    removeTree(game.root());
}

// The game opens its files by their names, which takes search permission
// on dat/ and not read permission. A folder that may be listed but not
// searched makes every file look missing (and each "differ only in case"
// from itself): it is named once instead. One that may be searched but not
// listed plays. Root searches anything, so the check then runs as nobody.
TEST(CheckTool, JudgesDatByWhetherItsFilesOpen) {
    GameFolder game;
    makePlayable(game);
    const QString dat = game.dataFolder();
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                     QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    for (QString folder = game.programFolder(); folder != QDir::rootPath();
         folder = QFileInfo(folder).path())
        QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ExeOther);
    ASSERT_TRUE(QFile::setPermissions(game.programFolder(), all));
    const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    struct Case {
        QFile::Permissions mode;
        int status;
        QString firstLine;
    };
    const Case cases[] = {
        {owner | QFile::ReadOther, 1,
         game.programFolder() + "/dat: error: cannot open the files in " + game.programFolder() +
             "/dat/: permission denied"},
        {owner | QFile::ExeGroup | QFile::ExeOther, 0,
         game.programFolder() + "/dat/opn.dat:4: note: this branch line opens the ending"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(QFile::setPermissions(dat, c.mode));
        const CheckRun run = geteuid() == 0
                                 ? runCheck({"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                             HANASHI_CHECK_EXE, game.programFolder()},
                                            QStringLiteral("setpriv"))
                                 : runCheck({game.programFolder()});
        EXPECT_EQ(run.status, c.status) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith(c.firstLine)) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains("case-sensitive")) << run.out.toStdString();
    }
    QFile::setPermissions(dat, all);
}
