// SPDX-License-Identifier: MIT
// The one reading of a tune, on arbitrary bytes. It reads every chunk and
// event within bounds (the sanitizers watch); what it accepts is sound (in
// order, within the piece and the bounds); bytes after the file change
// nothing; and where the file is plain enough that FluidSynth's own MIDI
// loader reads it as the standard does, both accept or both refuse, and the
// lengths agree.

#include "FuzzCheck.h"
#include "platform/LibraryMessages.h"
#include "platform/MidiTune.h"

#include <QByteArray>
#include <fluidsynth.h>
#include <optional>

namespace {

using hanashi::MidiTune;

// A file in which FluidSynth's loader has nothing to read otherwise than the
// standard: no RIFF wrapper, a header of six bytes and format 0 or 1, at most
// 128 tracks and no chunk of another kind, no escapes, no message relying on
// the running status across a meta or system exclusive event, and the meta
// events FluidSynth checks of the length the standard gives them.
bool isPlain(const QByteArray& bytes) {
    const auto byte = [&bytes](qsizetype at) { return static_cast<unsigned char>(bytes[at]); };
    const auto big = [&](qsizetype at, int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = (value << 8) | byte(at + i);
        return value;
    };
    if (bytes.size() < 14 || !bytes.startsWith("MThd") || big(4, 4) != 6)
        return false;
    const std::uint32_t format = big(8, 2);
    const std::uint32_t tracks = big(10, 2);
    const std::uint32_t division = big(12, 2);
    if (format > 1 || tracks == 0 || tracks > 128 || (format == 0 && tracks != 1) ||
        division == 0 || (division & 0x8000))
        return false;
    qsizetype at = 14;
    for (std::uint32_t found = 0; found < tracks;) {
        if (at + 8 > bytes.size())
            return false;
        // FluidSynth reads a chunk of another kind as the length of one.
        if (bytes.mid(at, 4) != "MTrk")
            return false;
        const qsizetype end = at + 8 + big(at + 4, 4);
        if (end > bytes.size())
            return false;
        at += 8;
        ++found;
        bool afterMetaOrSysex = false;
        bool ended = false;
        unsigned running = 0;
        while (at < end && !ended) {
            for (int i = 0; i < 4 && at < end && (byte(at++) & 0x80); ++i) {
            }
            if (at >= end)
                return false;
            unsigned status = byte(at);
            if (status & 0x80) {
                ++at;
            } else if (afterMetaOrSysex || !running) {
                return false;
            } else {
                status = running;
            }
            afterMetaOrSysex = status >= 0xF0;
            if (status == 0xF7)
                return false;
            if (status == 0xFF || status == 0xF0) {
                const unsigned type = status == 0xFF && at < end ? byte(at++) : 0;
                std::uint32_t length = 0;
                bool whole = false;
                for (int i = 0; i < 4 && at < end && !whole; ++i) {
                    length = (length << 7) | (byte(at) & 0x7F);
                    whole = !(byte(at++) & 0x80);
                }
                // FluidSynth reads on past the end of a track.
                if (!whole || at + length > end)
                    return false;
                const std::optional<std::uint32_t> fixed = type == 0x51   ? 3
                                                           : type == 0x54 ? 5
                                                           : type == 0x58 ? 4
                                                           : type == 0x59 ? 2
                                                           : type == 0x2F
                                                               ? 0
                                                               : std::optional<std::uint32_t>();
                if (status == 0xFF && fixed && length != *fixed)
                    return false;
                // FluidSynth takes a system exclusive event as whole, ended
                // or not; the standard continues one without its end.
                if (status == 0xF0 && (length == 0 || byte(at + length - 1) != 0xF7))
                    return false;
                ended = status == 0xFF && type == 0x2F;
                at += length;
            } else if (status < 0xF0) {
                running = status;
                // FluidSynth takes any byte as data.
                const int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
                for (int i = 0; i < dataBytes; ++i, ++at)
                    if (at >= end || (byte(at) & 0x80))
                        return false;
            }
        }
        // FluidSynth loses the time of meta events it skips at the end of a
        // track that has no end of track.
        if (!ended)
            return false;
        at = end;
    }
    return true;
}

// FluidSynth's player loads its file when it first plays, on the rendering
// thread: the ticks it reads, or nothing when it refuses the file.
std::optional<int> fluidSynthReading(const QByteArray& bytes) {
    static fluid_settings_t* const settings = [] {
        hanashi::silenceLibraryMessages();
        return new_fluid_settings();
    }();
    static fluid_synth_t* const synth = new_fluid_synth(settings);
    fluid_player_t* player = new_fluid_player(synth);
    const int errors = hanashi::fluidSynthErrorsOnThisThread();
    fluid_player_add_mem(player, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    fluid_player_play(player);
    float left[64];
    float right[64];
    fluid_synth_write_float(synth, 64, left, 0, 1, right, 0, 1);
    const int ticks = fluid_player_get_total_ticks(player);
    fluid_player_stop(player);
    delete_fluid_player(player);
    if (hanashi::fluidSynthErrorsOnThisThread() != errors)
        return std::nullopt;
    return ticks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const MidiTune::Reading reading = MidiTune::read(bytes);
    FUZZ_CHECK(!reading.tune == !reading.refusal.isEmpty());

    if (reading.tune) {
        const MidiTune& tune = *reading.tune;
        FUZZ_CHECK(tune.ticksPerBeat() >= 1 && tune.ticksPerBeat() <= 0x7FFF);
        FUZZ_CHECK(tune.lengthMicroseconds() >= 0 &&
                   tune.lengthMicroseconds() <= MidiTune::MaxLengthMicroseconds);
        FUZZ_CHECK(tune.events().size() <= std::size_t(MidiTune::MaxEvents));
        std::int64_t previous = 0;
        for (const MidiTune::Event& event : tune.events()) {
            FUZZ_CHECK(event.microseconds >= previous &&
                       event.microseconds <= tune.lengthMicroseconds());
            FUZZ_CHECK(event.status() >= 0x80 && event.status() <= 0xF0);
            if (event.status() == 0xF0)
                tune.sysex(event); // within its bytes, or at() aborts
            previous = event.microseconds;
        }
        // Bytes after the last track it needs are never read.
        const MidiTune::Reading longer =
            MidiTune::read(bytes + QByteArray("MTrk\xff\xff\xff\xff\x00", 9));
        FUZZ_CHECK(longer.tune && longer.tune->lengthTicks() == tune.lengthTicks() &&
                   longer.tune->events().size() == tune.events().size());
    }

    if (isPlain(bytes)) {
        const std::optional<int> fluid = fluidSynthReading(bytes);
        if (reading.tune) {
            FUZZ_CHECK(fluid && *fluid == reading.tune->lengthTicks());
        } else {
            // Refused by this reading alone: what the synthesiser could not
            // play in time, or for longer than a day.
            FUZZ_CHECK(!fluid || reading.refusal.contains(QLatin1String("more than")) ||
                       reading.refusal.contains(QLatin1String("a day")));
        }
    }
    return 0;
}
