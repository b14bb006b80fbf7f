// SPDX-License-Identifier: MIT
#include "platform/MidiTune.h"

#include "platform/PlainFile.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace hanashi {

namespace {

// A bounds-checked reader over a span of the file that knows where it is in
// the whole file, for the reasons it gives.
class Cursor {
public:
    Cursor(QByteArrayView bytes, qsizetype fileOffset)
        : m_bytes(bytes)
        , m_fileOffset(fileOffset) {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    qsizetype left() const { return m_bytes.size() - m_pos; }
    qsizetype fileOffset() const { return m_fileOffset + m_pos; }

    std::optional<unsigned> byte() {
        if (atEnd())
            return std::nullopt;
        return static_cast<unsigned char>(m_bytes[m_pos++]);
    }
    std::optional<unsigned> peek() const {
        if (atEnd())
            return std::nullopt;
        return static_cast<unsigned char>(m_bytes[m_pos]);
    }
    std::optional<std::uint32_t> bigEndian(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            const std::optional<unsigned> next = byte();
            if (!next)
                return std::nullopt;
            value = (value << 8) | *next;
        }
        return value;
    }
    std::optional<std::uint32_t> littleEndian32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::optional<unsigned> next = byte();
            if (!next)
                return std::nullopt;
            value |= *next << (8 * i);
        }
        return value;
    }
    // A variable-length quantity: at most four bytes, as the format allows.
    std::optional<std::uint32_t> quantity() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::optional<unsigned> next = byte();
            if (!next)
                return std::nullopt;
            value = (value << 7) | (*next & 0x7F);
            if (!(*next & 0x80))
                return value;
        }
        return std::nullopt;
    }
    bool tag(const char (&name)[5]) {
        if (left() < 4 || m_bytes.sliced(m_pos, 4) != QByteArrayView(name, 4))
            return false;
        m_pos += 4;
        return true;
    }
    // The next count bytes, or nothing when fewer are left.
    std::optional<Cursor> take(std::uint32_t count) {
        if (count > static_cast<std::uint64_t>(left()))
            return std::nullopt;
        Cursor part(m_bytes.sliced(m_pos, count), fileOffset());
        m_pos += count;
        return part;
    }
    QByteArrayView rest() const { return m_bytes.sliced(m_pos); }

private:
    QByteArrayView m_bytes;
    qsizetype m_fileOffset;
    qsizetype m_pos = 0;
};

constexpr std::uint32_t SysexStatus = 0xF0;
// Only while reading: a tempo event, its tempo in sysexIndex.
constexpr std::uint32_t TempoMark = 0xFF;

int dataBytesOf(unsigned status) {
    const unsigned kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

QString hex(unsigned byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

// Reads the file into a MidiTune, or says why it cannot be played.
class MidiTuneReader {
public:
    explicit MidiTuneReader(QByteArrayView bytes)
        : m_file(bytes, 0)
        , m_tune(new MidiTune) {}

    MidiTune::Reading run() {
        if (!readFile())
            return {nullptr, m_refusal};
        return {std::shared_ptr<const MidiTune>(m_tune.release()), QString()};
    }

private:
    bool refuse(const QString& reason) {
        m_refusal = reason;
        return false;
    }
    bool refuseAt(const Cursor& at, const QString& reason) {
        return refuse(QStringLiteral("track %1, byte %2: %3")
                          .arg(m_track + 1)
                          .arg(at.fileOffset())
                          .arg(reason));
    }

    bool readFile() {
        Cursor file = m_file;
        if (file.tag("RIFF")) {
            std::optional<Cursor> standard = unwrapRiff(file);
            if (!standard)
                return false;
            file = *standard;
        }
        if (!file.tag("MThd"))
            return refuse(QStringLiteral("not a Standard MIDI File: it does not begin with MThd"));
        const std::optional<std::uint32_t> headerLength = file.bigEndian(4);
        std::optional<Cursor> header;
        if (headerLength && *headerLength >= 6)
            header = file.take(*headerLength);
        if (!header)
            return refuse(QStringLiteral("its header is cut short"));
        // A longer header is legal: what follows the three fields is skipped.
        const std::uint32_t format = *header->bigEndian(2);
        const std::uint32_t tracks = *header->bigEndian(2);
        const std::uint32_t division = *header->bigEndian(2);
        if (format == 2)
            return refuse(QStringLiteral("format 2 (independent patterns) is not played"));
        if (format > 2)
            return refuse(
                QStringLiteral("format %1 is not a Standard MIDI File format").arg(format));
        if (tracks == 0)
            return refuse(QStringLiteral("it holds no track"));
        if (format == 0 && tracks != 1)
            return refuse(
                QStringLiteral("format 0 holds one track, this header says %1").arg(tracks));
        if (division & 0x8000)
            return refuse(QStringLiteral("SMPTE time (frames a second) is not played"));
        if (division == 0)
            return refuse(QStringLiteral("its header gives 0 ticks a quarter note"));
        m_tune->m_ticksPerBeat = static_cast<int>(division);

        std::int64_t length = 0;
        for (m_track = 0; m_track < static_cast<int>(tracks);) {
            if (file.left() < 8)
                return refuse(QStringLiteral("the file ends before track %1 of %2")
                                  .arg(m_track + 1)
                                  .arg(tracks));
            const bool isTrack = file.tag("MTrk");
            if (!isTrack)
                file.take(4); // a chunk of another kind, passed over as the standard asks
            const std::uint32_t chunkLength = *file.bigEndian(4);
            std::optional<Cursor> chunk = file.take(chunkLength);
            if (!chunk)
                return refuse(QStringLiteral("the file ends inside %1")
                                  .arg(isTrack ? QStringLiteral("track %1").arg(m_track + 1)
                                               : QStringLiteral("a chunk")));
            if (!isTrack)
                continue;
            const std::optional<std::int64_t> ticks = readTrack(*chunk);
            if (!ticks)
                return false;
            length = std::max(length, *ticks);
            ++m_track;
        }
        m_tune->m_lengthTicks = static_cast<int>(length);
        return timeEvents();
    }

    // The Standard MIDI File inside a RIFF "RMID" file: its "data" chunk.
    std::optional<Cursor> unwrapRiff(Cursor& file) {
        const std::optional<std::uint32_t> size = file.littleEndian32();
        if (!size || !file.tag("RMID")) {
            refuse(QStringLiteral("a RIFF file, but not of the RMID form that holds MIDI"));
            return std::nullopt;
        }
        // Chunks are padded to an even length. The RIFF size is not trusted:
        // many writers got it wrong, and the chunks say the same.
        while (file.left() >= 8) {
            const bool isData = file.tag("data");
            if (!isData)
                file.take(4);
            const std::uint32_t chunkLength = *file.littleEndian32();
            std::optional<Cursor> chunk = file.take(chunkLength);
            if (!chunk)
                break;
            if (isData)
                return chunk;
            if (chunkLength % 2)
                file.take(1);
        }
        refuse(QStringLiteral("a RIFF RMID file without a whole data chunk"));
        return std::nullopt;
    }

    void add(std::uint32_t tick, std::uint32_t message, std::uint32_t extra = 0) {
        m_tune->m_events.push_back({tick, message, extra});
    }

    void addSysex(std::uint32_t tick, QByteArrayView bytes) {
        const auto start = static_cast<std::uint32_t>(m_tune->m_sysexBytes.size());
        m_tune->m_sysexBytes.append(bytes);
        m_tune->m_sysexSpans.push_back({start, static_cast<std::uint32_t>(bytes.size())});
        add(tick, SysexStatus, static_cast<std::uint32_t>(m_tune->m_sysexSpans.size() - 1));
    }

    // An escape (F7) that continues no system exclusive message holds bytes
    // to be sent as they are: whole channel messages, system exclusive
    // messages and real-time bytes, which a synthesiser playing a file has no
    // use for.
    bool addEscaped(const Cursor& at, std::uint32_t tick, QByteArrayView bytes) {
        unsigned running = 0;
        for (qsizetype i = 0; i < bytes.size();) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte >= 0xF8) {
                ++i;
                continue;
            }
            if (byte == 0xF0) {
                const qsizetype end = bytes.indexOf('\xF7', i);
                if (end < 0)
                    return refuseAt(at, QStringLiteral("an escape holding a system exclusive "
                                                       "message without its end"));
                addSysex(tick, bytes.sliced(i + 1, end - i - 1));
                i = end + 1;
                continue;
            }
            if (byte >= 0xF1)
                return refuseAt(
                    at, QStringLiteral("an escape holding the system message %1").arg(hex(byte)));
            unsigned status = running;
            if (byte & 0x80) {
                status = running = byte;
                ++i;
            } else if (!running) {
                return refuseAt(at, QStringLiteral("an escape holding data without a status"));
            }
            std::uint32_t message = status;
            for (int d = 0; d < dataBytesOf(status); ++d, ++i) {
                if (i >= bytes.size() || (bytes[i] & 0x80))
                    return refuseAt(at, QStringLiteral("an escape holding a message cut short"));
                message |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                           << (8 * (d + 1));
            }
            add(tick, message);
        }
        return true;
    }

    // One track's events into the tune, their times still in ticks; the
    // track's length in ticks, or nothing when it cannot be played.
    std::optional<std::int64_t> readTrack(Cursor track) {
        std::int64_t tick = 0;
        unsigned running = 0;
        // A system exclusive message sent in parts, still waiting for its end.
        std::optional<QByteArray> divided;
        while (!track.atEnd()) {
            const Cursor at = track;
            const std::optional<std::uint32_t> delta = track.quantity();
            if (!delta) {
                refuseAt(at, QStringLiteral("a time that runs past the track or over four bytes"));
                return std::nullopt;
            }
            tick += *delta;
            if (tick > INT_MAX) {
                refuseAt(at, QStringLiteral("more than %1 ticks long").arg(INT_MAX));
                return std::nullopt;
            }
            const auto when = static_cast<std::uint32_t>(tick);
            if (m_tune->m_events.size() >= MidiTune::MaxEvents) {
                refuse(QStringLiteral("more than %1 events").arg(MidiTune::MaxEvents));
                return std::nullopt;
            }
            const std::optional<unsigned> first = track.peek();
            if (!first) {
                refuseAt(at, QStringLiteral("a time with no event after it"));
                return std::nullopt;
            }
            unsigned status = *first;
            if (status & 0x80) {
                track.byte();
            } else if (running) {
                // Running status: the byte is the message's first data byte.
                // Meta and system exclusive events in between leave it as it
                // was, as most files and writers have it.
                status = running;
            } else {
                refuseAt(at, QStringLiteral("data with no status before it"));
                return std::nullopt;
            }

            if (status == 0xFF) {
                const std::optional<unsigned> type = track.byte();
                const std::optional<std::uint32_t> length = track.quantity();
                std::optional<Cursor> data;
                if (type && length)
                    data = track.take(*length);
                if (!data) {
                    refuseAt(at, QStringLiteral("a meta event that runs past the track"));
                    return std::nullopt;
                }
                if (*type == 0x2F) {
                    if (*length != 0) {
                        refuseAt(at, QStringLiteral("an end of track holding data"));
                        return std::nullopt;
                    }
                    break; // what follows the end of the track is never read
                }
                if (*type == 0x51) {
                    if (*length != 3) {
                        refuseAt(at,
                                 QStringLiteral("a tempo event of %1 bytes, not 3").arg(*length));
                        return std::nullopt;
                    }
                    add(when, TempoMark, *data->bigEndian(3));
                }
            } else if (status == 0xF0 || status == 0xF7) {
                const std::optional<std::uint32_t> length = track.quantity();
                std::optional<Cursor> data;
                if (length)
                    data = track.take(*length);
                if (!data) {
                    refuseAt(at,
                             QStringLiteral("a system exclusive event that runs past the track"));
                    return std::nullopt;
                }
                const QByteArrayView bytes = data->rest();
                const bool ends =
                    !bytes.isEmpty() && static_cast<unsigned char>(bytes.back()) == 0xF7;
                if (status == 0xF0) {
                    if (divided) {
                        refuseAt(at, QStringLiteral("a system exclusive message begun before the "
                                                    "one before it ended"));
                        return std::nullopt;
                    }
                    if (ends)
                        addSysex(when, bytes.chopped(1));
                    else
                        divided = bytes.toByteArray();
                } else if (divided) {
                    // The next part of the divided message.
                    divided->append(ends ? bytes.chopped(1) : bytes);
                    if (ends) {
                        addSysex(when, *divided);
                        divided.reset();
                    }
                } else if (!addEscaped(at, when, bytes)) {
                    return std::nullopt;
                }
            } else if (status > 0xF0) {
                refuseAt(at, QStringLiteral("the system message %1, which has no place in a file")
                                 .arg(hex(status)));
                return std::nullopt;
            } else {
                running = status;
                std::uint32_t message = status;
                for (int d = 0; d < dataBytesOf(status); ++d) {
                    const std::optional<unsigned> data = track.byte();
                    if (!data || (*data & 0x80)) {
                        refuseAt(at,
                                 data ? QStringLiteral("a status byte where data belongs")
                                      : QStringLiteral("a message cut short by the track's end"));
                        return std::nullopt;
                    }
                    message |= *data << (8 * (d + 1));
                }
                add(when, message);
            }
        }
        if (divided) {
            refuse(
                QStringLiteral("track %1 ends inside a system exclusive message").arg(m_track + 1));
            return std::nullopt;
        }
        return tick;
    }

    // Puts the events of all tracks in the order they sound, at their times in
    // microseconds: a tempo event, in whichever track, holds for every track
    // from its tick on. Events on the same tick keep the order of their tracks
    // and, within a track, the file's order.
    bool timeEvents() {
        std::vector<MidiTune::Event>& events = m_tune->m_events;
        std::stable_sort(events.begin(), events.end(),
                         [](const MidiTune::Event& a, const MidiTune::Event& b) {
                             return a.microseconds < b.microseconds;
                         });
        const std::int64_t division = m_tune->m_ticksPerBeat;
        // Microseconds times ticks a quarter, exact: at most 2^31 ticks of at
        // most 2^24 microseconds each.
        std::int64_t scaled = 0;
        std::int64_t lastTick = 0;
        std::int64_t tempo = MidiTune::DefaultTempo;
        std::size_t kept = 0;
        for (const MidiTune::Event& event : events) {
            scaled += (event.microseconds - lastTick) * tempo;
            lastTick = event.microseconds;
            if (event.message == TempoMark) {
                tempo = event.sysexIndex;
                continue;
            }
            events[kept] = event;
            events[kept].microseconds = (scaled + division / 2) / division;
            ++kept;
        }
        events.resize(kept);
        events.shrink_to_fit();
        scaled += (m_tune->m_lengthTicks - lastTick) * tempo;
        m_tune->m_lengthMicroseconds = (scaled + division / 2) / division;
        if (m_tune->m_lengthMicroseconds > MidiTune::MaxLengthMicroseconds)
            return refuse(QStringLiteral("it plays for more than a day"));
        return checkDensity();
    }

    bool checkDensity() {
        const std::vector<MidiTune::Event>& events = m_tune->m_events;
        std::size_t first = 0;
        for (std::size_t last = 0; last < events.size(); ++last) {
            while (events[last].microseconds - events[first].microseconds >=
                   MidiTune::DensityWindowMicroseconds)
                ++first;
            if (last - first + 1 > static_cast<std::size_t>(MidiTune::MaxEventsPerWindow)) {
                return refuse(QStringLiteral("more than %1 events within %2 ms, at %3 s: more "
                                             "than the synthesiser can play in time")
                                  .arg(MidiTune::MaxEventsPerWindow)
                                  .arg(MidiTune::DensityWindowMicroseconds / 1000)
                                  .arg(double(events[first].microseconds) / 1e6, 0, 'f', 1));
            }
        }
        return true;
    }

    const Cursor m_file;
    std::unique_ptr<MidiTune> m_tune;
    QString m_refusal;
    int m_track = 0;
};

MidiTune::Reading MidiTune::read(QByteArrayView bytes) {
    return MidiTuneReader(bytes).run();
}

MidiTune::Reading MidiTune::read(PlainFile& file) {
    QByteArray bytes;
    try {
        bytes = file.readAll(MaxFileBytes);
    } catch (const RuntimeError& error) {
        return {nullptr, error.message()};
    }
    return read(bytes);
}

QByteArrayView MidiTune::sysex(const Event& event) const {
    const Span& span = m_sysexSpans.at(event.sysexIndex);
    return QByteArrayView(m_sysexBytes).sliced(span.start, span.length);
}

} // namespace hanashi
