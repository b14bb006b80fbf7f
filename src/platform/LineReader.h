// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace hanashi {

class PlainFile;

// Reads a script one line at a time, in order, through a bounded buffer: the
// memory it needs does not grow with the file, and nothing past the lines
// asked for is read. A line ends at CR LF, at a lone LF (scripts saved on
// Linux) or at a lone CR; the terminator is not part of the line, and a last
// line may lack it. Lines are code page 932, unless the bytes begin with the
// UTF-8 byte-order mark: then they are UTF-8 and the mark is not part of the
// first line. 0xEF leads no code page 932 character, so no code page 932
// script can be mistaken for UTF-8.
class LineReader {
public:
    // Fills buffer with up to capacity next bytes and returns how many; 0 at
    // the end. May throw RuntimeError.
    using Source = std::function<std::int64_t(char* buffer, std::int64_t capacity)>;

    // A line longer than this many bytes keeps only its first ones (cut
    // before a character split by the limit); the rest is skipped unread
    // into memory. Far beyond any line a window can show.
    static constexpr std::int64_t MaxLineBytes = 64 * 1024;
    static constexpr std::int64_t DefaultBufferBytes = 64 * 1024;

    // The bytes are all in memory already. The rule is over bytes, the same
    // wherever they come from, so it can be asked of bytes in memory.
    explicit LineReader(QByteArray bytes);
    // The bytes come from source, bufferBytes (at least 4) at a time.
    explicit LineReader(Source source, std::int64_t bufferBytes = DefaultBufferBytes);
    // The bytes come from an open file, which the reader keeps open.
    explicit LineReader(PlainFile file);

    // True once every line has been read; an empty input is at its end at once.
    bool atEnd();

    // The next line, decoded. Bytes that are not valid code page 932 become
    // U+FFFD. Reading at the end returns an empty text and leaves atEnd().
    QString readLine();

    // How many lines have been read so far (the number of the last one read).
    int lineNumber() const { return m_lineNumber; }

    // Whether the last line read held bytes that could not be decoded.
    bool lastLineHadBadBytes() const { return m_lastBad; }
    // Whether the last line read was longer than MaxLineBytes and was cut.
    bool lastLineWasCut() const { return m_lastCut; }
    // The last line's bytes as they were in the file (cut as the line was).
    const QByteArray& lastLineBytes() const { return m_line; }

    bool isUtf8();

private:
    // Makes at least want bytes (or all that are left) available from m_pos.
    void ensure(std::int64_t want);
    int peek();
    void start();
    void cutAtCharacter();

    Source m_source;
    QByteArray m_buffer;
    std::int64_t m_pos = 0;
    std::int64_t m_capacity = 0;
    bool m_sourceDone = false;
    bool m_started = false;
    QByteArray m_line;
    int m_lineNumber = 0;
    bool m_utf8 = false;
    bool m_lastBad = false;
    bool m_lastCut = false;
};

} // namespace hanashi
