// SPDX-License-Identifier: MIT
#include "platform/LineReader.h"

#include "platform/Cp932.h"

#include <QStringDecoder>

namespace hanashi {

LineReader::LineReader(QByteArray bytes)
    : m_bytes(std::move(bytes)) {
    if (m_bytes.startsWith("\xEF\xBB\xBF")) {
        m_utf8 = true;
        m_pos = 3;
    }
}

QString LineReader::readLine() {
    m_lastBad = false;
    if (atEnd())
        return QString();
    const char* data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    // CR and LF never occur inside a code page 932 character (trail bytes
    // start at 0x40), so splitting the raw bytes is safe.
    qsizetype end = m_pos;
    while (end < size && data[end] != '\r' && data[end] != '\n')
        ++end;
    const QByteArrayView raw(data + m_pos, end - m_pos);
    m_pos = end;
    if (m_pos < size && data[m_pos] == '\r')
        ++m_pos;
    if (m_pos < size && data[m_pos] == '\n' && (m_pos == end || data[m_pos - 1] == '\r'))
        ++m_pos;
    ++m_lineNumber;

    if (m_utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString line = utf8(raw);
        m_lastBad = utf8.hasError();
        return line;
    }
    return decodeCp932(raw, &m_lastBad);
}

} // namespace hanashi
