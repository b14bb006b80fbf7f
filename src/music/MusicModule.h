// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Mci.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>

namespace hanashi {

// The game's background music: one MIDI device under the alias "MIDI",
// driven by command strings, and the loop flag that the watchdog reads.
// Nothing here examines a command's result or shows a message: without a
// device the game simply runs silent.
class MusicModule {
public:
    explicit MusicModule(Mci& mci);

    // Closes whatever is open under the alias, then opens path there.
    void OpenMusic(const QString& path);
    void CloseMusic();
    // Sets the loop flag before the command, so the flag is already right on
    // the first watchdog tick that could see the new mode.
    void PlayMusic();
    void StopMusic();

    // The watchdog, one tick of a 10 ms timer: when the device reports that
    // it has stopped while the music is meant to loop, it starts it over.
    void BgmTim_Timer();

    // How long the watchdog's next tick can wait without missing anything
    // it would act on: forever while the music is not meant to loop or
    // nothing is open, else as long as the device is sure to keep playing.
    // Every procedure above changes that; onCommand is told when one ran.
    std::chrono::milliseconds watchdogMaySleepFor();
    void setOnCommand(std::function<void()> onCommand) { m_onCommand = std::move(onCommand); }

private:
    void sent();

    Mci& m_mci;
    // The loop flag: -1 while the music is to loop, 0 otherwise.
    std::int16_t m_musicLoopOn = 0;
    std::function<void()> m_onCommand;
};

} // namespace hanashi
