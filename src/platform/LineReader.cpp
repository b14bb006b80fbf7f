// SPDX-License-Identifier: MIT
#include "platform/LineReader.h"

#include "platform/Cp932.h"
#include "platform/PlainFile.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <memory>

namespace hanashi {

LineReader::LineReader(QByteArray bytes)
    : m_buffer(std::move(bytes))
    , m_sourceDone(true) {}

LineReader::LineReader(PlainFile file)
    : LineReader([file = std::make_shared<PlainFile>(std::move(file))](char* buffer,
                                                                       std::int64_t capacity) {
        return file->read(buffer, capacity);
    }) {}

LineReader::LineReader(Source source, std::int64_t bufferBytes)
    : m_source(std::move(source))
    , m_capacity(std::max<std::int64_t>(bufferBytes, 4)) {}

void LineReader::ensure(std::int64_t want) {
    while (!m_sourceDone && m_buffer.size() - m_pos < want) {
        // Keep only what is not read yet, then top the buffer up.
        if (m_pos > 0) {
            m_buffer.remove(0, static_cast<qsizetype>(m_pos));
            m_pos = 0;
        }
        const qsizetype kept = m_buffer.size();
        m_buffer.resize(static_cast<qsizetype>(m_capacity));
        std::int64_t got = 0;
        try {
            got = m_source(m_buffer.data() + kept, m_capacity - kept);
        } catch (...) {
            m_buffer.resize(kept);
            throw;
        }
        m_buffer.resize(
            kept + static_cast<qsizetype>(std::clamp<std::int64_t>(got, 0, m_capacity - kept)));
        if (got <= 0)
            m_sourceDone = true;
    }
}

int LineReader::peek() {
    ensure(1);
    return m_pos < m_buffer.size()
               ? static_cast<unsigned char>(m_buffer[static_cast<qsizetype>(m_pos)])
               : -1;
}

void LineReader::start() {
    if (m_started)
        return;
    m_started = true;
    ensure(3);
    if (QByteArrayView(m_buffer).sliced(m_pos).startsWith("\xEF\xBB\xBF")) {
        m_utf8 = true;
        m_pos += 3;
    }
}

bool LineReader::atEnd() {
    start();
    return peek() < 0;
}

bool LineReader::isUtf8() {
    start();
    return m_utf8;
}

QString LineReader::readLine() {
    m_lastBad = false;
    m_lastCut = false;
    m_line.clear();
    if (atEnd())
        return QString();
    // CR and LF never occur inside a code page 932 or UTF-8 character (trail
    // bytes start at 0x40), so splitting the raw bytes is safe.
    for (;;) {
        ensure(1);
        if (m_pos >= m_buffer.size())
            break; // the last line, without an end
        const char* from = m_buffer.constData() + m_pos;
        const char* to = m_buffer.constData() + m_buffer.size();
        const char* end = from;
        while (end < to && *end != '\r' && *end != '\n')
            ++end;
        const std::int64_t room = MaxLineBytes - m_line.size();
        const std::int64_t length = end - from;
        m_line.append(from, static_cast<qsizetype>(std::min(length, room)));
        m_lastCut = m_lastCut || length > room;
        m_pos += length;
        if (end < to)
            break;
    }
    if (const int c = peek(); c == '\r') {
        ++m_pos;
        if (peek() == '\n')
            ++m_pos;
    } else if (c == '\n') {
        ++m_pos;
    }
    ++m_lineNumber;
    if (m_lastCut)
        cutAtCharacter();

    if (m_utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString line = utf8(m_line);
        m_lastBad = utf8.hasError();
        return line;
    }
    return decodeCp932(m_line, &m_lastBad);
}

// A cut line keeps whole characters only, so that the cut alone never shows
// as a bad byte.
void LineReader::cutAtCharacter() {
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_line.constData());
    const qsizetype size = m_line.size();
    qsizetype keep = size;
    if (m_utf8) {
        qsizetype start = size;
        while (start > 0 && (bytes[start - 1] & 0xC0) == 0x80)
            --start;
        if (start > 0 && bytes[start - 1] >= 0xC0) {
            const unsigned char lead = bytes[start - 1];
            const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (start - 1 + length > size)
                keep = start - 1;
        }
    } else {
        for (qsizetype i = 0; i < size;) {
            if (isCp932LeadByte(bytes[i]) && i + 1 >= size) {
                keep = i;
                break;
            }
            i += isCp932LeadByte(bytes[i]) ? 2 : 1;
        }
    }
    m_line.truncate(keep);
}

} // namespace hanashi
