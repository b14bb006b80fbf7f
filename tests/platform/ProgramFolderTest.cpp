// SPDX-License-Identifier: MIT
#include "platform/ProgramFolder.h"
#include "platform/PlainFile.h"
#include "support/ErrorOf.h"
#include "support/OddFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hanashi;

namespace {

// The installed game as Debian lays it out (the executable and dat/ in
// usr/lib/games/hanashi, the command usr/games/hanashi a link to it), a
// story folder with dat/ and a link to that link, and a folder with only a
// link.
class StartedBy : public ::testing::Test {
protected:
    StartedBy() {
        for (const char* folder : {"usr/lib/games/hanashi/dat", "usr/games", "story/dat", "other"})
            QDir().mkpath(tmp.filePath(folder));
        QFile exe(tmp.filePath("usr/lib/games/hanashi/hanashi"));
        exe.open(QIODevice::WriteOnly);
        exe.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::link("../lib/games/hanashi/hanashi", tmp.filePath("usr/games/hanashi"));
        QFile::link(tmp.filePath("usr/games/hanashi"), tmp.filePath("story/hanashi"));
        QFile::link(tmp.filePath("usr/games/hanashi"), tmp.filePath("other/hanashi"));
    }

    QByteArray path(const char* name) const { return QFile::encodeName(tmp.filePath(name)); }
    QByteArray real(const char* name) const {
        return QFile::encodeName(QFileInfo(tmp.filePath(name)).canonicalFilePath());
    }
    QByteArray found(const QByteArray& startedBy, const QByteArray& searchPath,
                     const QByteArray& realExecutable) const {
        const std::optional<ProgramFolder> folder =
            ProgramFolder::find(startedBy, searchPath, realExecutable, "dat");
        return folder ? folder->name() : QByteArrayLiteral("(none)");
    }

    QTemporaryDir tmp;
};

} // namespace

TEST_F(StartedBy, ALinkBesideAStoryPlaysItAndAnyOtherStartPlaysTheInstalledGame) {
    const QByteArray installed = real("usr/lib/games/hanashi");
    const QByteArray story = real("story");
    const QByteArray exe = path("usr/lib/games/hanashi/hanashi");
    const QByteArray fromHere =
        QFile::encodeName(QDir::current().relativeFilePath(tmp.filePath("story/hanashi")));
    struct Case {
        QByteArray startedBy;
        QByteArray searchPath;
        QByteArray folder;
    };
    const Case cases[] = {
        {path("story/hanashi"), "", story}, // a link to a link
        {fromHere, "", story},              // relative, and named absolutely
        {path("usr/games/hanashi"), "", installed},
        {path("other/hanashi"), "", installed},
        {exe, "", installed},
        // No slash: the first entry of the search path that holds an
        // executable of that name, as the shell found it.
        {"hanashi", path("none") + ':' + path("story") + ':' + path("usr/games"), story},
        {"hanashi", path("usr/games") + ':' + path("story"), installed},
        {"hanashi", path("other"), installed},
        {"hanashi", path("none"), installed},
        {"", path("story"), installed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(found(c.startedBy, c.searchPath, exe).toStdString(), c.folder.toStdString())
            << c.startedBy.toStdString() << " on " << c.searchPath.toStdString();
    // Without the real file's name, the started-by folder still names a real place.
    EXPECT_EQ(found(path("other/hanashi"), "", "").toStdString(), real("other").toStdString());
    EXPECT_EQ(found("hanashi", path("none"), "").toStdString(), "(none)");
}

TEST(ProgramFolder, OpensAndNamesAFolderWhateverBytesItsNameHolds) {
    QTemporaryDir tmp;
    const QByteArray root = QFile::encodeName(tmp.path());
    int deepest = -1;
    const QByteArray longName = makeLongFolder(root, &deepest);
    struct Case {
        QByteArray name;
        QString shown;
        bool named; // opened by its own name rather than its descriptor link
    };
    const Case cases[] = {
        {root + "/お話 #1", tmp.path() + "/お話 #1", true},
        {root + '/' + ShiftJisName, tmp.path() + '/' + ShiftJisShown, false},
        {root + '/' + Latin1Name + "\n", tmp.path() + '/' + Latin1Shown + "\\x0a", false},
        {longName, QFile::decodeName(longName), false},
    };
    const QByteArray script("\x88\xea\r\n");
    for (const Case& c : cases) {
        const std::string what = c.shown.left(80).toStdString();
        int made = c.name == longName ? ::dup(deepest) : -1;
        if (made < 0) {
            ASSERT_EQ(::mkdir(c.name.constData(), 0755), 0) << what;
            made = ::open(c.name.constData(), O_PATH | O_DIRECTORY);
        }
        ASSERT_EQ(::mkdirat(made, "dat", 0755), 0) << what;
        const int file = ::openat(made, "dat/opn.dat", O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::write(file, script.constData(), script.size()), script.size()) << what;
        ::close(file);
        ::close(made);

        std::optional<ProgramFolder> folder =
            ProgramFolder::open(c.name, ProgramFolder::Naming::AsGiven);
        ASSERT_TRUE(folder) << what;
        EXPECT_EQ(folder->shownName(), c.shown);
        EXPECT_EQ(folder->path() == QFile::decodeName(c.name), c.named) << what;
        EXPECT_EQ(PlainFile::open(folder->path() + "/dat/opn.dat").readAll(100), script) << what;
        // Messages name the folder readably, and the help page's URL opens the
        // same file for another program.
        EXPECT_EQ(errorOf([&] { PlainFile::open(folder->path() + "/dat/00.bmp"); }),
                  "File not found: " + c.shown + "/dat/00.bmp")
            << what;
        const QByteArray url = fileUrl(folder->path() + "/最初.html").toEncoded();
        ASSERT_TRUE(url.startsWith("file:///")) << what;
        EXPECT_EQ(QByteArray::fromPercentEncoding(url.mid(7)), c.name + "/最初.html") << what;
    }
    ::close(deepest);

    int error = 0;
    EXPECT_FALSE(ProgramFolder::open(root + "/none", ProgramFolder::Naming::AsGiven, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(
        ProgramFolder::open(root + "/お話 #1/dat/opn.dat", ProgramFolder::Naming::Real, &error));
    EXPECT_EQ(error, ENOTDIR);
    removeTree(tmp.path());
}
