// SPDX-License-Identifier: MIT
#include "platform/FluidMidiEngine.h"

#include "platform/MidiFileInfo.h"
#include "platform/PlainFile.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <glib.h>

namespace hanashi {

namespace {

void ignoreFluidMessage(int, const char*, void*) {}

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void ignoreGlibMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

FluidMidiEngine::FluidMidiEngine()
    : FluidMidiEngine(Options{}) {}

FluidMidiEngine::FluidMidiEngine(Options options)
    : m_options(std::move(options)) {
    silenceLibraries();
}

void FluidMidiEngine::silenceLibraries() {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, ignoreFluidMessage, nullptr);
    // libasound prints its own lines when there is no sound card.
    snd_lib_error_set_handler(ignoreAlsaMessage);
    // FluidSynth hands a SoundFont it cannot read to libinstpatch, whose
    // failed assertions on a corrupt file go through GLib's log, under no
    // domain of their own.
    const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_RECURSION);
    for (const char* domain : {static_cast<const char*>(nullptr), "libInstPatch"})
        g_log_set_handler(domain, levels, ignoreGlibMessage, nullptr);
}

QStringList FluidMidiEngine::soundFontsFor(const QString& tunePath) const {
    const QDir folder = QFileInfo(tunePath).absoluteDir();
    QStringList found;
    const QStringList names =
        folder.entryList({QStringLiteral("*.sf2"), QStringLiteral("*.sf3")},
                         QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        found.append(folder.filePath(name));
    return found + m_options.fallbackSoundFonts;
}

std::unique_ptr<MidiDevice> FluidMidiEngine::open(const QString& path) {
    // FluidSynth's player takes a missing or broken file without complaint
    // and fails only later, in the audio thread; read and check it here.
    QByteArray bytes;
    try {
        bytes = PlainFile::open(path).readAll(m_options.maxFileSize);
    } catch (const RuntimeError&) {
        return nullptr;
    }
    const std::optional<MidiFileInfo> info = MidiFileInfo::parse(bytes);
    if (!info)
        return nullptr;

    FluidMidiDevice::Setup setup;
    setup.soundFonts = soundFontsFor(path);
    if (m_options.output == Output::AudioDriver) {
        if (m_options.drivers.empty())
            return nullptr;
        setup.drivers = m_options.drivers;
    }
    setup.gain = m_options.gain;
    return FluidMidiDevice::create(bytes, *info, setup);
}

} // namespace hanashi
