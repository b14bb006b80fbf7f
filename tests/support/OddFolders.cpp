// SPDX-License-Identifier: MIT
#include "support/OddFolders.h"

#include <QProcess>
#include <climits>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace hanashi {

QByteArray makeLongFolder(const QByteArray& root, int* descriptor) {
    const QByteArray step(200, 's');
    int folder = ::open(root.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    QByteArray name = root;
    while (folder >= 0 && name.size() <= PATH_MAX + step.size()) {
        ::mkdirat(folder, step.constData(), 0755);
        const int next = ::openat(folder, step.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        folder = next;
        name += '/' + step;
    }
    if (folder < 0)
        throw std::runtime_error("cannot make a long folder under " + root.toStdString());
    *descriptor = folder;
    return name;
}

void removeTree(const QString& root) {
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), QStringLiteral("--"), root});
}

} // namespace hanashi
