// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <memory>

struct _fluid_synth_t;
struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace hanashi {

// Plays a FluidSynth synthesiser into the PulseAudio server (or PipeWire's
// stand-in for it) through one stream of 16-bit stereo at the synthesiser's
// rate, the sound server's own format, with a large buffer: background music
// needs no low latency, and every refill is a wake-up of the server and of
// this process. FluidSynth's own PulseAudio driver asks for float samples and
// a few tens of milliseconds of buffer, which made the server convert and
// run its sink at a low latency.
//
// The stream's thread renders the synthesiser whenever the server asks for
// more, which also moves any player on that synthesiser forward.
class PulseOutput {
public:
    // Connects to the server, with no stream yet, so that nothing renders:
    // a machine without a server is known before any synthesiser is built.
    // Null if the server cannot be reached or does not answer within the
    // wait. Never starts a server.
    static std::unique_ptr<PulseOutput> connect();
    // Starts rendering the synthesiser through a new stream; false if the
    // server refuses it or does not answer within the wait. The synthesiser
    // must outlive the output and be rendered by nothing else while it
    // exists. Called once.
    bool start(_fluid_synth_t* synth, int sampleRate);

    // Ends the stream and the connection and joins the stream's thread.
    ~PulseOutput();

    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Drops what the server holds queued and not yet played, some 300 ms:
    // after a stop, nothing more is heard.
    void flush();

    // How long connect() and start() wait for the server at most.
    static constexpr std::chrono::milliseconds connectWait{1000};

private:
    PulseOutput() = default;

    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);

    _fluid_synth_t* m_synth = nullptr;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
};

} // namespace hanashi
