// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AudioOutput.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;
struct timeval;

namespace hanashi {

// Plays a source into the PulseAudio server (or PipeWire's stand-in for it)
// through one stream of 16-bit stereo, the sound server's own format, with a
// large buffer: background music needs no low latency, and every refill is a
// wake-up of the server and of this process. FluidSynth's own PulseAudio
// driver asks for float samples and a few tens of milliseconds of buffer,
// which made the server convert and run its sink at a low latency.
//
// The source may hold (a piece at its end waiting for its restart): the
// output then writes less than the server asked for and comes back with its
// next request, so that the restart follows the end without a gap in what is
// heard. Only when the queue runs low does it let the source sound on past
// the point where it waits.
//
// When the server goes away, or the sink under the stream does, the output
// looks for them again every retryInterval and goes on where the source
// stands, without the source noticing; until then nothing renders.
class PulseOutput final : public AudioOutput {
public:
    // Connects to the server, with no stream yet, so that nothing renders:
    // a machine without a server is known before any synthesiser is built.
    // Null if the server cannot be reached or does not answer within the
    // wait. Never starts a server.
    static std::unique_ptr<PulseOutput> connect();

    // Ends the stream and the connection and joins the loop's thread.
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // False if the server refuses the stream or does not answer within the
    // wait.
    bool start(SoundSource& source, int sampleRate) override;
    // Drops what the server holds queued and not yet played, some 300 ms:
    // after a stop, nothing more is heard.
    void flush() override;
    bool connected() const override { return m_streaming; }
    std::chrono::milliseconds renderedAhead() const override;

    // How long connect() and start() wait for the server at most.
    static constexpr std::chrono::milliseconds connectWait{1000};
    static constexpr std::chrono::milliseconds retryInterval{1000};

private:
    PulseOutput() = default;

    // These run with the loop locked: in the loop's thread, or holding the
    // lock.
    bool newContext();
    bool openStream();
    void dropStream();
    void dropContext();
    void scheduleRetry();
    void retry();
    void write(std::size_t bytes);
    // Renders up to bytes; false when the stream would take nothing more.
    // held is set when the source holds.
    bool writeSome(std::size_t bytes, bool mayHold, std::size_t* written, bool* held);

    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* time,
                        void* self);

    SoundSource* m_source = nullptr; // set once started
    int m_sampleRate = 0;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_retry = nullptr;
    // The queue the server granted, in bytes.
    std::size_t m_queueBytes = 0;
    std::atomic<bool> m_streaming{false};
};

} // namespace hanashi
