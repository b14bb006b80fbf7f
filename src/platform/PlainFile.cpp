// SPDX-License-Identifier: MIT
#include "platform/PlainFile.h"

#include "platform/RuntimeError.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace hanashi {

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString PlainFile::describeKind(unsigned mode) {
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return QStringLiteral("a folder");
    case S_IFIFO:
        return QStringLiteral("a named pipe");
    case S_IFCHR:
        return QStringLiteral("a character device");
    case S_IFBLK:
        return QStringLiteral("a block device");
    case S_IFSOCK:
        return QStringLiteral("a socket");
    default:
        return QStringLiteral("not a plain file");
    }
}

PlainFile PlainFile::open(const QString& path) {
    Failure failure;
    std::optional<PlainFile> file = tryOpen(path, &failure);
    if (!file)
        throw RuntimeError(failure.message);
    return std::move(*file);
}

std::optional<PlainFile> PlainFile::tryOpen(const QString& path, Failure* failure) {
    const auto fail = [&](Failure::Kind kind, const QString& detail) {
        if (failure) {
            failure->kind = kind;
            failure->detail = detail;
            switch (kind) {
            case Failure::Kind::Missing:
                failure->message = QStringLiteral("File not found: %1").arg(path);
                break;
            case Failure::Kind::NotAFile:
                failure->message =
                    QStringLiteral("Cannot open %1: it is %2, not a file").arg(path, detail);
                break;
            case Failure::Kind::Error:
                failure->message = QStringLiteral("Cannot open %1: %2").arg(path, detail);
                break;
            }
        }
        return std::nullopt;
    };
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a named pipe that nobody writes to, or a device,
    // returns at once instead of waiting; plain files ignore the flag.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return fail(Failure::Kind::Missing, reason(error));
        // A socket cannot be opened at all; name it rather than say ENXIO.
        struct stat info {};
        if (error == ENXIO && ::stat(name.constData(), &info) == 0)
            return fail(Failure::Kind::NotAFile, describeKind(info.st_mode));
        return fail(Failure::Kind::Error, reason(error));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(Failure::Kind::Error, reason(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(Failure::Kind::NotAFile, describeKind(info.st_mode));
    }
    return PlainFile(path, fd, static_cast<std::int64_t>(info.st_size));
}

PlainFile::PlainFile(QString path, int fd, std::int64_t size)
    : m_path(std::move(path))
    , m_fd(fd)
    , m_size(size) {}

PlainFile::PlainFile(PlainFile&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_fd(std::exchange(other.m_fd, -1))
    , m_size(other.m_size) {}

PlainFile& PlainFile::operator=(PlainFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

PlainFile::~PlainFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::int64_t PlainFile::read(char* buffer, std::int64_t count) {
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, static_cast<size_t>(count));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            throw RuntimeError(QStringLiteral("Cannot read %1: %2").arg(m_path, reason(errno)));
    }
}

std::int64_t PlainFile::readFully(char* buffer, std::int64_t count) {
    std::int64_t filled = 0;
    while (filled < count) {
        const std::int64_t got = read(buffer + filled, count - filled);
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

void PlainFile::seek(std::int64_t offset) {
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0)
        throw RuntimeError(QStringLiteral("Cannot read %1: %2").arg(m_path, reason(errno)));
}

QByteArray PlainFile::readAll(std::int64_t maxBytes) {
    const auto tooLarge = [&](std::int64_t size) {
        return RuntimeError(QStringLiteral("Cannot read %1: it is too large (%2 bytes, at most %3)")
                                .arg(m_path)
                                .arg(size)
                                .arg(maxBytes));
    };
    if (m_size > maxBytes)
        throw tooLarge(m_size);
    // The size is only what fstat said; the file may have grown since.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(m_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes)
                throw tooLarge(filled);
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, maxBytes + 1));
        }
        const std::int64_t got = read(bytes.data() + filled, bytes.size() - filled);
        if (got == 0)
            break;
        filled += static_cast<qsizetype>(got);
    }
    if (filled > maxBytes)
        throw tooLarge(filled);
    bytes.truncate(filled);
    return bytes;
}

QString PlainFile::reopenPath() const {
    return QStringLiteral("/proc/self/fd/%1").arg(m_fd);
}

} // namespace hanashi
