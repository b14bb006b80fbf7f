// SPDX-License-Identifier: MIT
#pragma once

#include "platform/LineReader.h"

#include <QString>
#include <cstdint>
#include <map>
#include <memory>

namespace hanashi {

// The runtime's numbered sequential text files, opened for input only. Every
// failure throws RuntimeError naming the file and the reason.
class SequentialFiles {
public:
    // The lowest file number that is not open, from 1.
    std::int16_t freeFile() const;

    // Opens path for sequential input under number. Only a plain file opens;
    // its lines are read as they are asked for, through a bounded buffer.
    void open(std::int16_t number, const QString& path);
    void close(std::int16_t number);
    bool isOpen(std::int16_t number) const;

    bool eof(std::int16_t number);
    // Reads the next line; reading past the end is a run-time error.
    QString lineInput(std::int16_t number);

private:
    struct OpenFile {
        QString path;
        LineReader reader;
    };
    OpenFile& file(std::int16_t number);

    std::map<std::int16_t, std::unique_ptr<OpenFile>> m_files;
};

} // namespace hanashi
