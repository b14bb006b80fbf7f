// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace hanashi {

// Reads a script's bytes one line at a time, in order. A line ends at CR LF,
// at a lone LF (scripts saved on Linux) or at a lone CR; the terminator is not
// part of the line, and a last line may lack it. Lines are code page 932,
// unless the bytes begin with the UTF-8 byte-order mark: then they are UTF-8
// and the mark is not part of the first line. 0xEF leads no code page 932
// character, so no code page 932 script can be mistaken for UTF-8.
class LineReader {
public:
    explicit LineReader(QByteArray bytes);

    // True once every line has been read; an empty input is at its end at once.
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    // The next line, decoded. Bytes that are not valid code page 932 become
    // U+FFFD. Reading at the end returns an empty text and leaves atEnd().
    QString readLine();

    // How many lines have been read so far (the number of the last one read).
    int lineNumber() const { return m_lineNumber; }

    // Whether the last line read held bytes that could not be decoded.
    bool lastLineHadBadBytes() const { return m_lastBad; }

    bool isUtf8() const { return m_utf8; }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
    int m_lineNumber = 0;
    bool m_utf8 = false;
    bool m_lastBad = false;
};

} // namespace hanashi
