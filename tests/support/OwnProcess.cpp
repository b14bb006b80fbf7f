// SPDX-License-Identifier: MIT
#include "support/OwnProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <thread>
#include <unistd.h>

namespace hanashi::OwnProcess {

int threads() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

QStringList openFiles() {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    QStringList targets;
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t length =
            readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target);
        // The listing's own descriptor is closed by now and leads nowhere.
        if (length > 0)
            targets.append(QFile::decodeName(QByteArray(target, length)));
    }
    return targets;
}

bool holdsOpen(const QString& path) {
    const QString real = QFileInfo(path).canonicalFilePath();
    return !real.isEmpty() && openFiles().contains(real);
}

Census census() {
    return {threads(), openFiles().size()};
}

::testing::AssertionResult holdsNoMoreThan(const Census& before) {
    if (waitUntil([&before] {
            const Census now = census();
            return now.threads <= before.threads && now.files <= before.files;
        }))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << threads() << " threads (" << before.threads << " before), descriptors to "
           << openFiles().join(QStringLiteral(", ")).toStdString() << " (" << before.files
           << " before)";
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace hanashi::OwnProcess
