// SPDX-License-Identifier: MIT
#include "platform/SequentialFiles.h"
#include "support/ErrorOf.h"
#include "support/OwnProcess.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hanashi;

TEST(SequentialFiles, ReadsLinesUntilTheEndUnderAFreeNumber) {
    QTemporaryDir dir;
    const QString path = TestFiles::write(dir.path(), "s.dat", "one\r\ntwo\r\n");
    SequentialFiles files;
    const std::int16_t n = files.freeFile();
    EXPECT_EQ(n, 1);
    files.open(n, path);
    EXPECT_EQ(files.freeFile(), 2);
    EXPECT_FALSE(files.eof(n));
    EXPECT_EQ(files.lineInput(n), "one");
    EXPECT_EQ(files.lineInput(n), "two");
    EXPECT_TRUE(files.eof(n));
    EXPECT_TRUE(errorOf([&] { files.lineInput(n); }).contains(path));
    files.close(n);
    EXPECT_FALSE(files.isOpen(n));
    EXPECT_EQ(files.freeFile(), 1);
}

TEST(SequentialFiles, FreeNumberFillsTheFirstGap) {
    QTemporaryDir dir;
    const QString path = TestFiles::write(dir.path(), "s.dat", "x");
    SequentialFiles files;
    files.open(1, path);
    files.open(2, path);
    files.open(3, path);
    files.close(2);
    EXPECT_EQ(files.freeFile(), 2);
}

TEST(SequentialFiles, FailuresNameTheFileAndTheReason) {
    QTemporaryDir dir;
    SequentialFiles files;
    const QString missing = dir.filePath("opn.dat");
    EXPECT_EQ(errorOf([&] { files.open(1, missing); }), "File not found: " + missing);

    QDir(dir.path()).mkdir("folder.dat");
    const QString folder = dir.filePath("folder.dat");
    const QString folderError = errorOf([&] { files.open(1, folder); });
    EXPECT_TRUE(folderError.contains(folder) && folderError.contains("folder"))
        << folderError.toStdString();

    // Neither waits nor reads: a pipe nobody writes to, an endless device,
    // and a link to a socket, which cannot be opened at all.
    const QString pipe = dir.filePath("pipe.dat");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(errorOf([&] { files.open(1, pipe); }),
              "Cannot open " + pipe + ": it is a named pipe, not a file");
    const QString zero = dir.filePath("zero.dat");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    EXPECT_EQ(errorOf([&] { files.open(1, zero); }),
              "Cannot open " + zero + ": it is a character device, not a file");
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(dir.filePath("socket"));
    ASSERT_LT(socketPath.size(), static_cast<qsizetype>(sizeof address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<size_t>(socketPath.size()));
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const QString socketLink = dir.filePath("socket.dat");
    ASSERT_TRUE(QFile::link(dir.filePath("socket"), socketLink));
    EXPECT_EQ(errorOf([&] { files.open(1, socketLink); }),
              "Cannot open " + socketLink + ": it is a socket, not a file");
    ::close(socket);
    // A refused open holds nothing.
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_TRUE(
        OwnProcess::openFiles().filter(QFileInfo(dir.path()).canonicalFilePath()).isEmpty());
}

TEST(SequentialFiles, AnUnreadableFileNamesTheFileAndTheReason) {
    QTemporaryDir dir;
    SequentialFiles files;
    const QString locked = TestFiles::write(dir.path(), "locked.dat", "x");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (QFile(locked).open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "running with permission to read anything (root)";
    }
    const QString lockedError = errorOf([&] { files.open(1, locked); });
    EXPECT_TRUE(lockedError.startsWith("Cannot open " + locked)) << lockedError.toStdString();
    // A refused open holds nothing.
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_TRUE(
        OwnProcess::openFiles().filter(QFileInfo(dir.path()).canonicalFilePath()).isEmpty());
}

TEST(SequentialFiles, NumbersMustBeOpenOnceAndBeforeUse) {
    QTemporaryDir dir;
    const QString path = TestFiles::write(dir.path(), "s.dat", "x");
    SequentialFiles files;
    EXPECT_FALSE(errorOf([&] { files.eof(1); }).isEmpty());
    files.open(1, path);
    EXPECT_FALSE(errorOf([&] { files.open(1, path); }).isEmpty());
    files.close(1);
    files.close(1); // closing what is not open is harmless
}
