// SPDX-License-Identifier: MIT
#include "platform/FluidMidiEngine.h"

#include "platform/LibraryMessages.h"
#include "platform/MidiTune.h"
#include "platform/PlainFile.h"

#include <QDir>
#include <QFileInfo>

namespace hanashi {

FluidMidiEngine::FluidMidiEngine()
    : FluidMidiEngine(Options{}) {}

FluidMidiEngine::FluidMidiEngine(Options options)
    : m_options(std::move(options)) {
    silenceLibraryMessages();
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
    // Read and judged here, whole, by the one reader that hanashi-check uses
    // too; the device plays what it read.
    PlainFile::Failure failure;
    std::optional<PlainFile> file = PlainFile::tryOpen(path, &failure);
    if (!file)
        return nullptr;
    const MidiTune::Reading reading = MidiTune::read(*file);
    if (!reading.tune)
        return nullptr;

    FluidMidiDevice::Setup setup;
    setup.soundFonts = soundFontsFor(path);
    if (m_options.output == Output::AudioDriver) {
        if (m_options.drivers.empty())
            return nullptr;
        setup.outputs.names = m_options.drivers;
    }
    setup.gain = m_options.gain;
    setup.workers = m_options.workers;
    return FluidMidiDevice::create(reading.tune, setup);
}

} // namespace hanashi
