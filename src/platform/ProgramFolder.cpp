// SPDX-License-Identifier: MIT
#include "platform/ProgramFolder.h"

#include "platform/Utf8.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace hanashi {

namespace {

// O_PATH: the folder is held only to be looked in, so it needs no read
// permission (a folder of mode 711 is held too).
constexpr int FolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// A name used as it is must leave room for two more steps of the longest
// name a folder may hold (dat/ and a file in it) within one system call.
constexpr qsizetype MaxDirectName = PATH_MAX - 2 * (NAME_MAX + 1);

int openFolder(const QByteArray& name) {
    if (name.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    if (name.size() < PATH_MAX)
        return ::open(name.constData(), FolderFlags);
    // Longer than open() takes: one step at a time, each step no longer than
    // a name. openat() follows links, and "..", as the whole path would.
    int folder = ::open(name.startsWith('/') ? "/" : ".", FolderFlags);
    for (const QByteArray& step : name.split('/')) {
        if (folder < 0)
            break;
        if (step.isEmpty())
            continue;
        const int next = ::openat(folder, step.constData(), FolderFlags);
        const int error = errno;
        ::close(folder);
        errno = error;
        folder = next;
    }
    return folder;
}

std::optional<QByteArray> readLink(const QByteArray& link) {
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(link.constData(), target.data(), target.size());
    if (length < 0 || length >= target.size())
        return std::nullopt;
    target.truncate(length);
    return target;
}

QByteArray descriptorLinkOf(int descriptor) {
    return "/proc/self/fd/" + QByteArray::number(descriptor);
}

// The folder's absolute name. The kernel names it up to PATH_MAX bytes;
// beyond that the working folder (which getcwd() names at any length) and the
// given name make one.
QByteArray realName(int descriptor, const QByteArray& given) {
    if (std::optional<QByteArray> name = readLink(descriptorLinkOf(descriptor)))
        return *name;
    if (given.startsWith('/'))
        return given;
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return given;
    QByteArray name(cwd);
    std::free(cwd);
    return name + '/' + given;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The folders reached through their descriptor links, for messages and URLs.
struct Registered {
    int descriptor;
    QString link;
    QByteArray name;
};

std::mutex& registryLock() {
    static std::mutex lock;
    return lock;
}

std::vector<Registered>& registry() {
    static std::vector<Registered> folders;
    return folders;
}

// Where link starts a path in text: at a separator, at the end, or anything
// but a digit (which would make it another descriptor).
bool endsThePrefix(const QString& text, qsizetype end) {
    return end >= text.size() || !text.at(end).isDigit();
}

} // namespace

ProgramFolder::ProgramFolder(int descriptor, QByteArray name)
    : m_descriptor(descriptor)
    , m_name(std::move(name)) {
    m_viaDescriptor =
        QFile::encodeName(QFile::decodeName(m_name)) != m_name || m_name.size() > MaxDirectName;
    if (m_viaDescriptor) {
        const std::lock_guard<std::mutex> hold(registryLock());
        registry().push_back(Registered{m_descriptor, descriptorLink(), m_name});
    }
}

ProgramFolder::ProgramFolder(ProgramFolder&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1))
    , m_name(std::move(other.m_name))
    , m_viaDescriptor(std::exchange(other.m_viaDescriptor, false)) {}

ProgramFolder& ProgramFolder::operator=(ProgramFolder&& other) noexcept {
    if (this != &other) {
        ProgramFolder gone(std::move(*this));
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_name = std::move(other.m_name);
        m_viaDescriptor = std::exchange(other.m_viaDescriptor, false);
    }
    return *this;
}

ProgramFolder::~ProgramFolder() {
    if (m_descriptor < 0)
        return;
    if (m_viaDescriptor) {
        const std::lock_guard<std::mutex> hold(registryLock());
        std::erase_if(registry(),
                      [this](const Registered& r) { return r.descriptor == m_descriptor; });
    }
    ::close(m_descriptor);
}

std::optional<ProgramFolder> ProgramFolder::open(const QByteArray& name, Naming naming,
                                                 int* error) {
    const int descriptor = openFolder(name);
    if (descriptor < 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    return ProgramFolder(descriptor, naming == Naming::Real ? realName(descriptor, name) : name);
}

std::optional<QByteArray> ProgramFolder::lookUpOnPath(const QByteArray& command,
                                                      const QByteArray& searchPath) {
    for (const QByteArray& entry : searchPath.split(':')) {
        const QByteArray folder = entry.isEmpty() ? QByteArrayLiteral(".") : entry;
        const QByteArray candidate = folder + '/' + command;
        struct stat info {};
        if (::stat(candidate.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.constData(), X_OK) == 0)
            return folder;
    }
    return std::nullopt;
}

std::optional<ProgramFolder> ProgramFolder::find(const QByteArray& startedBy,
                                                 const QByteArray& searchPath,
                                                 const QByteArray& realExecutable,
                                                 const QByteArray& dataFolder) {
    std::optional<QByteArray> startedIn;
    if (startedBy.contains('/'))
        startedIn = folderOf(startedBy);
    else if (!startedBy.isEmpty())
        startedIn = lookUpOnPath(startedBy, searchPath);
    std::optional<ProgramFolder> started;
    if (startedIn)
        started = open(*startedIn, Naming::Real);
    if (started && started->holdsFolder(dataFolder))
        return started;
    if (!realExecutable.isEmpty()) {
        if (std::optional<ProgramFolder> real = open(folderOf(realExecutable), Naming::Real))
            return real;
    }
    return started;
}

std::optional<ProgramFolder> ProgramFolder::ofThisProcess(const char* startedBy,
                                                          const QByteArray& dataFolder) {
    // execvp's search path when PATH is unset.
    QByteArray searchPath = qgetenv("PATH");
    if (searchPath.isNull())
        searchPath = QByteArrayLiteral("/bin:/usr/bin");
    return find(QByteArray(startedBy ? startedBy : ""), searchPath,
                readLink(QByteArrayLiteral("/proc/self/exe")).value_or(QByteArray()), dataFolder);
}

QString ProgramFolder::path() const {
    return m_viaDescriptor ? descriptorLink() : QFile::decodeName(m_name);
}

QString ProgramFolder::descriptorLink() const {
    return QString::fromLatin1(descriptorLinkOf(m_descriptor));
}

bool ProgramFolder::holdsFolder(const QByteArray& child) const {
    struct stat info {};
    return ::fstatat(m_descriptor, child.constData(), &info, 0) == 0 && S_ISDIR(info.st_mode);
}

QString shownFileName(QByteArrayView bytes) {
    QString shown;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const bool control = lead < 0x20 || lead == 0x7F;
        const qsizetype length = control ? 0 : utf8CharacterAt(bytes, i);
        if (length == 0) {
            shown += QStringLiteral("\\x%1").arg(lead, 2, 16, QLatin1Char('0'));
            ++i;
            continue;
        }
        shown += QString::fromUtf8(bytes.sliced(i, length));
        i += length;
    }
    return shown;
}

QString withShownFolders(const QString& message) {
    const std::lock_guard<std::mutex> hold(registryLock());
    QString shown = message;
    for (const Registered& folder : registry()) {
        const QString name = shownFileName(folder.name);
        for (qsizetype at = shown.indexOf(folder.link); at >= 0;
             at = shown.indexOf(folder.link, at)) {
            if (!endsThePrefix(shown, at + folder.link.size())) {
                at += folder.link.size();
                continue;
            }
            shown.replace(at, folder.link.size(), name);
            at += name.size();
        }
    }
    return shown;
}

QUrl fileUrl(const QString& path) {
    const std::lock_guard<std::mutex> hold(registryLock());
    for (const Registered& folder : registry()) {
        if (!path.startsWith(folder.link) || !endsThePrefix(path, folder.link.size()))
            continue;
        const QByteArray bytes = folder.name + QFile::encodeName(path.mid(folder.link.size()));
        return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
    }
    return QUrl::fromLocalFile(path);
}

} // namespace hanashi
