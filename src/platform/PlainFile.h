// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace hanashi {

// A file opened for reading that is known to be a plain file. Anything the
// game or the checker reads may be a named pipe, a device, a socket or a
// link to one of them: open() never blocks on those, decides what the file
// is from the opened descriptor (so nothing can be swapped in after the
// look), and refuses all but plain files with a RuntimeError that names the
// file and says what it is.
class PlainFile {
public:
    // Why a file did not open.
    struct Failure {
        enum class Kind { Missing, NotAFile, Error };
        Kind kind = Kind::Error;
        // For NotAFile what it is ("a named pipe"), else the system's reason.
        QString detail;
        // The whole message: "File not found: PATH", "Cannot open PATH: it
        // is a named pipe, not a file", "Cannot open PATH: REASON".
        QString message;
    };

    // Throws RuntimeError with the failure's message.
    static PlainFile open(const QString& path);
    // The same without throwing: null, and failure filled in, when it fails.
    static std::optional<PlainFile> tryOpen(const QString& path, Failure* failure);

    PlainFile(PlainFile&& other) noexcept;
    PlainFile& operator=(PlainFile&& other) noexcept;
    PlainFile(const PlainFile&) = delete;
    PlainFile& operator=(const PlainFile&) = delete;
    ~PlainFile();

    const QString& path() const { return m_path; }
    // The size when it was opened.
    std::int64_t size() const { return m_size; }

    // Reads up to count bytes; 0 at the end. A read error throws
    // RuntimeError naming the file.
    std::int64_t read(char* buffer, std::int64_t count);
    // Reads until count bytes are in or the file ends; returns how many came.
    std::int64_t readFully(char* buffer, std::int64_t count);
    // Moves to offset bytes from the start.
    void seek(std::int64_t offset);

    // The whole file, if it holds at most maxBytes; otherwise RuntimeError
    // saying how large it is. Never reads more than maxBytes + 1.
    QByteArray readAll(std::int64_t maxBytes);

    // A path that opens this very file again, whatever has happened to its
    // name since (the descriptor's link under /proc/self/fd), for libraries
    // that insist on opening files themselves.
    QString reopenPath() const;

    // A file type from stat's mode, in words: "a named pipe", "a folder", ...
    static QString describeKind(unsigned mode);

private:
    PlainFile(QString path, int fd, std::int64_t size);

    QString m_path;
    int m_fd = -1;
    std::int64_t m_size = 0;
};

} // namespace hanashi
