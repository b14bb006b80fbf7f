// SPDX-License-Identifier: MIT
#include "platform/SequentialFiles.h"

#include "platform/PlainFile.h"
#include "platform/RuntimeError.h"

namespace hanashi {

std::int16_t SequentialFiles::freeFile() const {
    std::int16_t number = 1;
    for (const auto& entry : m_files) {
        if (entry.first != number)
            break;
        ++number;
    }
    return number;
}

void SequentialFiles::open(std::int16_t number, const QString& path) {
    if (m_files.count(number))
        throw RuntimeError(QStringLiteral("File already open: #%1 (%2)").arg(number).arg(path));
    m_files[number] = std::make_unique<OpenFile>(OpenFile{path, LineReader(PlainFile::open(path))});
}

void SequentialFiles::close(std::int16_t number) {
    m_files.erase(number);
}

bool SequentialFiles::isOpen(std::int16_t number) const {
    return m_files.count(number) != 0;
}

bool SequentialFiles::eof(std::int16_t number) {
    return file(number).reader.atEnd();
}

QString SequentialFiles::lineInput(std::int16_t number) {
    OpenFile& input = file(number);
    if (input.reader.atEnd())
        throw RuntimeError(QStringLiteral("Input past end of file: %1").arg(input.path));
    return input.reader.readLine();
}

SequentialFiles::OpenFile& SequentialFiles::file(std::int16_t number) {
    auto it = m_files.find(number);
    if (it == m_files.end())
        throw RuntimeError(QStringLiteral("Bad file number: #%1 is not open").arg(number));
    return *it->second;
}

} // namespace hanashi
