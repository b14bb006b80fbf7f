// SPDX-License-Identifier: MIT
#include "platform/PulseOutput.h"

#include "platform/SoundSource.h"

#include <cstdint>
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
// While the source holds, the queue may run down to this before the source
// is made to sound on: two requests, so it never runs dry.
constexpr std::chrono::milliseconds holdFloor{100};

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

std::size_t bytesFor(std::chrono::milliseconds time, int sampleRate) {
    const auto frames = static_cast<std::size_t>(time.count() * sampleRate / 1000);
    return frames * frameBytes;
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
    if (!output->newContext() || pa_threaded_mainloop_start(output->m_loop) < 0)
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

bool PulseOutput::newContext() {
    // The client's properties are read from the environment here: the
    // application's name and the media role come in PULSE_PROP_OVERRIDE.
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "hanashi");
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, onContextState, this);
    // Never starts a server: with none running the connection fails at once.
    return pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
}

bool PulseOutput::start(SoundSource& source, int sampleRate) {
    const LoopLock lock(m_loop);
    m_source = &source;
    m_sampleRate = sampleRate;
    if (!openStream())
        return false;
    Deadline deadline(m_loop, m_context, connectWait);
    return deadline.waitFor([&]() -> std::optional<bool> {
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
}

bool PulseOutput::openStream() {
    // The sound server's own format, so that nothing is converted on its way
    // to the sink.
    const pa_sample_spec format = {PA_SAMPLE_S16LE, static_cast<std::uint32_t>(m_sampleRate),
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
    // the sink to its lowest latency). Playback starts, and starts again
    // after running dry, once a request's worth is queued: the queue is not
    // always full while the source holds.
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(bytesFor(queued, m_sampleRate));
    attr.prebuf = static_cast<std::uint32_t>(bytesFor(request, m_sampleRate));
    attr.minreq = static_cast<std::uint32_t>(bytesFor(request, m_sampleRate));
    attr.fragsize = static_cast<std::uint32_t>(-1);
    m_queueBytes = attr.tlength;
    return pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_NOFLAGS, nullptr,
                                      nullptr) >= 0;
}

void PulseOutput::dropStream() {
    m_streaming = false;
    if (!m_stream)
        return;
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
        pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseOutput::dropContext() {
    dropStream();
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    if (PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
        pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

PulseOutput::~PulseOutput() {
    if (!m_loop)
        return;
    {
        const LoopLock lock(m_loop);
        // Nothing of this object is called back once the lock is let go.
        m_source = nullptr;
        if (m_retry) {
            pa_mainloop_api* const api = pa_threaded_mainloop_get_api(m_loop);
            api->time_free(m_retry);
            m_retry = nullptr;
        }
        dropContext();
    }
    // Joins the loop's thread; from here on nothing else touches the source.
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

void PulseOutput::flush() {
    const LoopLock lock(m_loop);
    if (m_stream && PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
        if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr))
            pa_operation_unref(operation);
    }
}

std::chrono::milliseconds PulseOutput::renderedAhead() const {
    // The queue, a request written at once, and the sink's own latency.
    return std::chrono::milliseconds(1000);
}

void PulseOutput::scheduleRetry() {
    if (m_retry || !m_source)
        return;
    pa_mainloop_api* const api = pa_threaded_mainloop_get_api(m_loop);
    timeval when;
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(retryInterval.count()) * PA_USEC_PER_MSEC);
    m_retry = api->time_new(api, &when, onRetry, this);
}

void PulseOutput::retry() {
    if (!m_source)
        return;
    if (!m_context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context))) {
        // The server went away: a new connection, and the stream once it is
        // ready (onContextState).
        dropContext();
        if (!newContext())
            scheduleRetry();
        return;
    }
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return; // still connecting; onContextState goes on from there
    // The sink went away under the stream, or none was there to take it.
    dropStream();
    if (!openStream())
        scheduleRetry();
}

void PulseOutput::onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                          void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    api->time_free(event);
    output->m_retry = nullptr;
    output->retry();
}

void PulseOutput::onContextState(pa_context* context, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    pa_threaded_mainloop_signal(output->m_loop, 0);
    if (!output->m_source)
        return; // connect() and start() wait for themselves
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        if (!output->m_stream && !output->openStream())
            output->scheduleRetry();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        output->m_streaming = false;
        output->scheduleRetry();
        break;
    default:
        break;
    }
}

void PulseOutput::onStreamState(pa_stream* stream, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    pa_threaded_mainloop_signal(output->m_loop, 0);
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        if (const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream))
            output->m_queueBytes = attr->tlength;
        output->m_streaming = true;
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        output->m_streaming = false;
        output->scheduleRetry();
        break;
    default:
        break;
    }
}

bool PulseOutput::writeSome(std::size_t bytes, bool mayHold, std::size_t* written, bool* held) {
    void* data = nullptr;
    std::size_t size = bytes;
    if (pa_stream_begin_write(m_stream, &data, &size) < 0 || !data)
        return false;
    size -= size % frameBytes;
    if (size == 0) {
        pa_stream_cancel_write(m_stream);
        return false;
    }
    const int frames = static_cast<int>(size / frameBytes);
    const int rendered = m_source->renderS16(static_cast<std::int16_t*>(data), frames, mayHold);
    *held = rendered < frames;
    *written = static_cast<std::size_t>(rendered) * frameBytes;
    if (rendered == 0) {
        pa_stream_cancel_write(m_stream);
        return true;
    }
    return pa_stream_write(m_stream, data, *written, nullptr, 0, PA_SEEK_RELATIVE) >= 0;
}

// The only place the source is rendered while the output exists, always on
// the loop's thread: FluidSynth's rendering calls are made from one thread.
// The samples go straight into the stream's own memory.
void PulseOutput::write(std::size_t bytes) {
    bool held = false;
    while (bytes >= frameBytes && !held) {
        std::size_t written = 0;
        if (!writeSome(bytes, true, &written, &held))
            return;
        bytes -= written;
    }
    if (!held)
        return;
    // The source waits. What is queued plays on meanwhile; below the floor,
    // the source sounds on past its wait rather than let the queue run dry.
    const std::size_t floor = bytesFor(holdFloor, m_sampleRate);
    const std::size_t writable = pa_stream_writable_size(m_stream);
    const std::size_t queuedNow = m_queueBytes > writable ? m_queueBytes - writable : 0;
    std::size_t missing = queuedNow < floor ? floor - queuedNow : 0;
    while (missing >= frameBytes) {
        std::size_t written = 0;
        if (!writeSome(missing, false, &written, &held) || written == 0)
            return;
        missing -= std::min(missing, written);
    }
}

void PulseOutput::onWrite(pa_stream*, std::size_t bytes, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (output->m_source)
        output->write(bytes);
}

} // namespace hanashi
