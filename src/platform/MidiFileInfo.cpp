// SPDX-License-Identifier: MIT
#include "platform/MidiFileInfo.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace hanashi {

namespace {

// A bounds-checked reader over one span of the file.
class Cursor {
public:
    Cursor(const unsigned char* data, qsizetype size)
        : m_data(data)
        , m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    qsizetype left() const { return m_size - m_pos; }

    bool byte(unsigned& out) {
        if (m_pos >= m_size)
            return false;
        out = m_data[m_pos++];
        return true;
    }

    bool peek(unsigned& out) const {
        if (m_pos >= m_size)
            return false;
        out = m_data[m_pos];
        return true;
    }

    bool bigEndian(int bytes, std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < bytes; ++i) {
            unsigned b = 0;
            if (!byte(b))
                return false;
            out = (out << 8) | b;
        }
        return true;
    }

    // Variable-length quantity: at most four bytes, as the format allows.
    bool quantity(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            unsigned b = 0;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }

    bool skip(std::uint32_t count) {
        if (count > static_cast<std::uint64_t>(left()))
            return false;
        m_pos += count;
        return true;
    }

    bool tag(const char (&name)[5]) {
        if (left() < 4)
            return false;
        for (int i = 0; i < 4; ++i) {
            if (m_data[m_pos + i] != static_cast<unsigned char>(name[i]))
                return false;
        }
        m_pos += 4;
        return true;
    }

    Cursor sub(std::uint32_t count) const { return Cursor(m_data + m_pos, count); }

private:
    const unsigned char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// The tempo events of all tracks: the shortest quarter note they set, and
// the tick of the first of them.
struct Tempi {
    std::uint32_t fastest = UINT32_MAX;
    std::int64_t first = INT64_MAX;
};

// Walks one track's events, noting its tempo events in tempi; returns its
// length in ticks, or -1 when broken.
std::int64_t trackLength(Cursor track, Tempi& tempi) {
    std::int64_t ticks = 0;
    unsigned running = 0;
    while (!track.atEnd()) {
        std::uint32_t delta = 0;
        if (!track.quantity(delta))
            return -1;
        ticks += delta;
        unsigned status = 0;
        if (!track.peek(status))
            return -1;
        if (status & 0x80) {
            track.byte(status);
        } else if (running) {
            status = running; // running status: the byte read next is data
        } else {
            return -1;
        }

        if (status == 0xFF) {
            unsigned type = 0;
            std::uint32_t length = 0;
            if (!track.byte(type) || !track.quantity(length))
                return -1;
            if (type == 0x51 && length == 3) {
                std::uint32_t tempo = 0;
                if (!track.bigEndian(3, tempo))
                    return -1;
                tempi.fastest = std::min(tempi.fastest, tempo);
                tempi.first = std::min(tempi.first, ticks);
            } else if (!track.skip(length)) {
                return -1;
            }
            if (type == 0x2F)
                return ticks; // bytes after the end of track are never read
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (!track.quantity(length) || !track.skip(length))
                return -1;
        } else if (status >= 0xF0) {
            return -1; // system messages have no place in a file
        } else {
            running = status;
            const int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
            for (int i = 0; i < dataBytes; ++i) {
                unsigned data = 0;
                if (!track.byte(data) || (data & 0x80))
                    return -1;
            }
        }
    }
    return ticks;
}

} // namespace

std::optional<MidiFileInfo> MidiFileInfo::parse(const QByteArray& bytes) {
    Cursor file(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    std::uint32_t headerLength = 0;
    std::uint32_t format = 0;
    std::uint32_t tracks = 0;
    std::uint32_t division = 0;
    if (!file.tag("MThd") || !file.bigEndian(4, headerLength) || headerLength < 6)
        return std::nullopt;
    Cursor header = file.sub(headerLength);
    if (!file.skip(headerLength) || !header.bigEndian(2, format) || !header.bigEndian(2, tracks) ||
        !header.bigEndian(2, division))
        return std::nullopt;
    if (format > 1 || tracks == 0 || (format == 0 && tracks != 1) || division == 0 ||
        (division & 0x8000))
        return std::nullopt;

    std::int64_t length = 0;
    Tempi tempi;
    for (std::uint32_t found = 0; found < tracks;) {
        const bool isTrack = file.tag("MTrk");
        if (!isTrack && !file.skip(4))
            return std::nullopt;
        std::uint32_t chunkLength = 0;
        if (!file.bigEndian(4, chunkLength) ||
            chunkLength > static_cast<std::uint64_t>(file.left()))
            return std::nullopt;
        if (isTrack) {
            const std::int64_t ticks = trackLength(file.sub(chunkLength), tempi);
            if (ticks < 0)
                return std::nullopt;
            length = std::max(length, ticks);
            ++found;
        }
        file.skip(chunkLength); // chunks of unknown kinds are passed over
    }
    if (length > INT_MAX)
        return std::nullopt;

    MidiFileInfo info;
    info.format = static_cast<int>(format);
    info.trackCount = static_cast<int>(tracks);
    info.ticksPerBeat = static_cast<int>(division);
    info.lengthTicks = static_cast<int>(length);
    // The default tempo holds until the first tempo event.
    info.fastestTempo = static_cast<int>(
        tempi.first > 0 ? std::min<std::uint32_t>(tempi.fastest, MidiFileInfo::DefaultTempo)
                        : tempi.fastest);
    return info;
}

} // namespace hanashi
