// SPDX-License-Identifier: MIT
#include "support/OwnProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace hanashi::OwnProcess {

int threads() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

namespace {

// Every open descriptor.
std::vector<int> descriptors() {
    std::vector<int> found;
    DIR* const fds = opendir("/proc/self/fd");
    if (!fds)
        return found;
    while (const dirent* entry = readdir(fds)) {
        // Skips "." and "..", and the listing's own descriptor.
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd != dirfd(fds))
            found.push_back(fd);
    }
    closedir(fds);
    return found;
}

} // namespace

QString target(int descriptor) {
    char target[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    const ssize_t length = readlink(link.c_str(), target, sizeof target);
    return length > 0 ? QFile::decodeName(QByteArray(target, length)) : QString();
}

QStringList openFiles() {
    QStringList targets;
    for (const int fd : descriptors()) {
        const QString path = target(fd);
        if (!path.isEmpty())
            targets.append(path);
    }
    return targets;
}

std::vector<int> descriptorsIn(const QString& folder) {
    const QString real = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    std::vector<int> found;
    for (const int fd : descriptors()) {
        if (real.size() > 1 && target(fd).startsWith(real))
            found.push_back(fd);
    }
    return found;
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
