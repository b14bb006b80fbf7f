// SPDX-License-Identifier: MIT
#include "platform/PulseOutput.h"

#include <cstdint>
#include <fluidsynth.h>
#include <optional>
#include <pulse/pulseaudio.h>

namespace hanashi {

namespace {

constexpr int channels = 2;
constexpr std::size_t frameBytes = channels * sizeof(std::int16_t);

// How much the server keeps queued, and how much it asks for at once. The
// server then runs its sink at the queue less two requests, here 200 ms: it
// wakes some five times a second, this output twenty.
constexpr std::chrono::milliseconds queued{300};
constexpr std::chrono::milliseconds request{50};

// libpulse's rule for the threaded mainloop: outside the loop's own thread,
// every call on its objects is made with the loop locked. The callbacks run
// in the loop's thread with the lock already held.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop)
        : m_loop(loop) {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

std::uint32_t bytesFor(std::chrono::milliseconds time, int sampleRate) {
    const auto frames = static_cast<std::uint32_t>(time.count() * sampleRate / 1000);
    return frames * static_cast<std::uint32_t>(frameBytes);
}

// A timer on the loop that ends a wait for the server once its time is up,
// whatever the server does: pa_threaded_mainloop_wait has no timeout of its
// own. Made and freed with the loop locked, so it cannot fire once freed.
class Deadline {
public:
    Deadline(pa_threaded_mainloop* loop, pa_context* context, std::chrono::milliseconds wait)
        : m_loop(loop) {
        m_event = pa_context_rttime_new(
            context, pa_rtclock_now() + static_cast<pa_usec_t>(wait.count()) * PA_USEC_PER_MSEC,
            onTime, this);
    }
    ~Deadline() {
        if (m_event) {
            pa_mainloop_api* const api = pa_threaded_mainloop_get_api(m_loop);
            api->time_free(m_event);
        }
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    // Waits, with the loop locked, until ready() gives an answer or the time
    // is up (false).
    template <typename Ready>
    bool waitFor(Ready ready) {
        if (!m_event)
            return false;
        while (!m_passed) {
            if (const std::optional<bool> answer = ready())
                return *answer;
            pa_threaded_mainloop_wait(m_loop);
        }
        return false;
    }

private:
    static void onTime(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* deadline = static_cast<Deadline*>(self);
        deadline->m_passed = true;
        pa_threaded_mainloop_signal(deadline->m_loop, 0);
    }

    pa_threaded_mainloop* m_loop;
    pa_time_event* m_event = nullptr;
    bool m_passed = false;
};

} // namespace

std::unique_ptr<PulseOutput> PulseOutput::connect() {
    // Built step by step; on any failure the destructor releases what exists.
    std::unique_ptr<PulseOutput> output(new PulseOutput);
    output->m_loop = pa_threaded_mainloop_new();
    if (!output->m_loop)
        return nullptr;
    pa_threaded_mainloop_set_name(output->m_loop, "hanashi-music");

    const LoopLock lock(output->m_loop);
    // The client's properties are read from the environment here: the
    // application's name and the media role come in PULSE_PROP_OVERRIDE.
    output->m_context = pa_context_new(pa_threaded_mainloop_get_api(output->m_loop), "hanashi");
    if (!output->m_context)
        return nullptr;
    pa_context_set_state_callback(output->m_context, onContextState, output.get());
    // Never starts a server: with none running the connection fails at once.
    if (pa_context_connect(output->m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(output->m_loop) < 0)
        return nullptr;

    // A server that takes the connection and then does not answer (stopped,
    // swamped) must not hold up the game's start.
    Deadline deadline(output->m_loop, output->m_context, connectWait);
    const bool connected = deadline.waitFor([&]() -> std::optional<bool> {
        switch (pa_context_get_state(output->m_context)) {
        case PA_CONTEXT_READY:
            return true;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            return false;
        default:
            return std::nullopt;
        }
    });
    if (!connected)
        return nullptr;
    return output;
}

bool PulseOutput::start(_fluid_synth_t* synth, int sampleRate) {
    const LoopLock lock(m_loop);
    m_synth = synth;
    // The sound server's own format, so that nothing is converted on its way
    // to the sink.
    const pa_sample_spec format = {PA_SAMPLE_S16LE, static_cast<std::uint32_t>(sampleRate),
                                   channels};
    pa_channel_map map;
    pa_channel_map_init_stereo(&map);
    // The name the mixer shows for the stream, beside the client's.
    m_stream = pa_stream_new(m_context, "Music", &format, &map);
    if (!m_stream)
        return false;
    pa_stream_set_state_callback(m_stream, onStreamState, this);
    pa_stream_set_write_callback(m_stream, onWrite, this);

    // A large queue, refilled in large pieces. Without ADJUST_LATENCY the
    // server keeps the whole queue filled and runs its sink at the queue
    // less two requests (so a request of half the queue or more would drive
    // the sink to its lowest latency). The playback starts once the queue is
    // full.
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = bytesFor(queued, sampleRate);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = bytesFor(request, sampleRate);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    Deadline deadline(m_loop, m_context, connectWait);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_NOFLAGS, nullptr, nullptr) <
        0)
        return false;
    const bool streaming = deadline.waitFor([&]() -> std::optional<bool> {
        switch (pa_stream_get_state(m_stream)) {
        case PA_STREAM_READY:
            return true;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            return false;
        default:
            return std::nullopt;
        }
    });
    return streaming;
}

PulseOutput::~PulseOutput() {
    if (!m_loop)
        return;
    {
        const LoopLock lock(m_loop);
        // No callback may reach this object any more once the lock is let go.
        if (m_stream) {
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
        }
    }
    // Joins the loop's thread; from here on nothing else touches the stream,
    // the context or the synthesiser.
    pa_threaded_mainloop_stop(m_loop);
    if (m_stream)
        pa_stream_unref(m_stream);
    if (m_context)
        pa_context_unref(m_context);
    pa_threaded_mainloop_free(m_loop);
}

void PulseOutput::flush() {
    const LoopLock lock(m_loop);
    if (m_stream && PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
        if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr))
            pa_operation_unref(operation);
    }
}

void PulseOutput::onContextState(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0);
}

void PulseOutput::onStreamState(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0);
}

// The only place the synthesiser is rendered while the output exists, always
// on the loop's thread: FluidSynth's rendering calls such as
// fluid_synth_write_s16 are made from one thread. The samples go straight
// into the stream's own memory.
void PulseOutput::onWrite(pa_stream* stream, std::size_t bytes, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    while (bytes >= frameBytes) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data)
            return;
        size -= size % frameBytes;
        if (size == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        const int frames = static_cast<int>(size / frameBytes);
        // Interleaved: left at even, right at odd samples.
        if (fluid_synth_write_s16(output->m_synth, frames, data, 0, channels, data, 1, channels) !=
                FLUID_OK ||
            pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        bytes -= size;
    }
}

} // namespace hanashi
