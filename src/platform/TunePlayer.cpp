// SPDX-License-Identifier: MIT
#include "platform/TunePlayer.h"

#include "platform/MidiTune.h"

#include <algorithm>
#include <fluidsynth.h>

namespace hanashi {

TunePlayer::TunePlayer(std::shared_ptr<const MidiTune> tune, fluid_synth_t* synth, int sampleRate)
    : m_tune(std::move(tune))
    , m_synth(synth)
    , m_sampleRate(sampleRate)
    , m_endSample(sampleAt(m_tune->lengthMicroseconds())) {}

std::int64_t TunePlayer::sampleAt(std::int64_t microseconds) const {
    // A tune lasts at most a day, so this cannot overflow.
    return (microseconds * m_sampleRate + 500000) / 1000000;
}

void TunePlayer::play() {
    m_playing = true;
}

void TunePlayer::stop() {
    m_playing = false;
    // After the render under way, if any: it may still send an event.
    const std::lock_guard lock(m_rendering);
    fluid_synth_all_sounds_off(m_synth, -1);
}

void TunePlayer::rewind() {
    m_rewindWanted = true;
}

MidiDevice::Mode TunePlayer::mode() const {
    if (!m_playing)
        return MidiDevice::Mode::Stopped;
    if (m_rewindWanted)
        return MidiDevice::Mode::Playing;
    return m_ended ? MidiDevice::Mode::Stopped : MidiDevice::Mode::Playing;
}

std::chrono::milliseconds TunePlayer::playsOnFor(std::chrono::milliseconds renderedAhead) const {
    if (!m_playing || m_rewindWanted || m_ended)
        return std::chrono::milliseconds::zero();
    const std::int64_t samplesLeft = m_endSample - m_position;
    const std::chrono::milliseconds left(samplesLeft * 1000 / m_sampleRate);
    return std::max(left - renderedAhead, std::chrono::milliseconds::zero());
}

void TunePlayer::startOver() {
    // As at the first play: every channel's program and controllers back to
    // where a new synthesiser has them. The instruments the piece uses are
    // pinned, so none is read again. FluidSynth's reset cuts every voice and
    // then sends each channel "all notes off", which puts the voices it has
    // just cut back into their release (2.3.1 queues both for the rendering
    // thread in that order); cutting them once more after the reset is what
    // silences the old pass.
    fluid_synth_system_reset(m_synth);
    fluid_synth_all_sounds_off(m_synth, -1);
    m_nextEvent = 0;
    m_position = 0;
    m_ended = false;
    m_rewindWanted = false;
}

void TunePlayer::send(std::size_t index) {
    const MidiTune::Event& event = m_tune->events()[index];
    const int channel = event.status() & 0x0F;
    switch (event.status() & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(m_synth, channel, event.data1());
        break;
    case 0x90:
        fluid_synth_noteon(m_synth, channel, event.data1(), event.data2());
        break;
    case 0xA0:
        fluid_synth_key_pressure(m_synth, channel, event.data1(), event.data2());
        break;
    case 0xB0:
        fluid_synth_cc(m_synth, channel, event.data1(), event.data2());
        break;
    case 0xC0:
        fluid_synth_program_change(m_synth, channel, event.data1());
        break;
    case 0xD0:
        fluid_synth_channel_pressure(m_synth, channel, event.data1());
        break;
    case 0xE0:
        fluid_synth_pitch_bend(m_synth, channel, event.data1() | event.data2() << 7);
        break;
    default: {
        const QByteArrayView bytes = m_tune->sysex(event);
        fluid_synth_sysex(m_synth, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                          nullptr, 0);
        break;
    }
    }
}

void TunePlayer::sendDueEvents() {
    const std::vector<MidiTune::Event>& events = m_tune->events();
    const std::int64_t position = m_position;
    while (m_nextEvent < events.size() &&
           (position >= m_endSample || sampleAt(events[m_nextEvent].microseconds) <= position))
        send(m_nextEvent++);
    if (position >= m_endSample)
        m_ended = true;
}

template <typename Synthesize>
int TunePlayer::render(int frames, bool mayHold, Synthesize synthesize) {
    const std::lock_guard lock(m_rendering);
    int done = 0;
    while (done < frames) {
        if (m_rewindWanted)
            startOver();
        const bool playing = m_playing;
        if (playing && !m_ended) {
            sendDueEvents();
            if (m_ended)
                continue;
            const std::vector<MidiTune::Event>& events = m_tune->events();
            std::int64_t until = m_endSample;
            if (m_nextEvent < events.size())
                until = std::min(until, sampleAt(events[m_nextEvent].microseconds));
            const int count =
                static_cast<int>(std::min<std::int64_t>(frames - done, until - m_position));
            synthesize(done, count);
            done += count;
            m_position += count;
        } else if (playing && mayHold) {
            break; // at the end: the rest waits for a rewind or a stop
        } else {
            // Stopped, or past the end where the output cannot wait: the
            // synthesiser sounds on, with nothing more of the piece.
            synthesize(done, frames - done);
            done = frames;
        }
    }
    return done;
}

int TunePlayer::renderS16(std::int16_t* interleaved, int frames, bool mayHold) {
    return render(frames, mayHold, [&](int offset, int count) {
        fluid_synth_write_s16(m_synth, count, interleaved, 2 * offset, 2, interleaved,
                              2 * offset + 1, 2);
    });
}

int TunePlayer::renderFloat(float* left, float* right, int frames, bool mayHold) {
    return render(frames, mayHold, [&](int offset, int count) {
        fluid_synth_write_float(m_synth, count, left, offset, 1, right, offset, 1);
    });
}

} // namespace hanashi
