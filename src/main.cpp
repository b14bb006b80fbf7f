// SPDX-License-Identifier: MIT
#include "app/Fom.h"
#include "platform/LoadHold.h"
#include "platform/MixerStream.h"
#include "platform/RandomSource.h"
#include "platform/SystemMci.h"
#include "platform/Workers.h"
#include "toolkit/Application.h"

int main(int argc, char** argv) {
    hanashi::nameMixerStream();
    // Held open for the whole run: the game may reach its files through it.
    const std::optional<hanashi::ProgramFolder> folder =
        hanashi::gameFolder(argc > 0 ? argv[0] : nullptr);
    hanashi::Application app(argc, argv);
    hanashi::ClockSeededRandom random;
    // The music's load waits for the window's first frame. The workers,
    // which wait on it, go first.
    hanashi::LoadHold loads;
    loads.hold();
    hanashi::Workers workers;
    const std::unique_ptr<hanashi::Mci> mci = hanashi::createSystemMci(workers, loads);
    hanashi::Fom fom(
        hanashi::systemServices(random, *mci, folder ? folder->path() : QString(), workers));
    hanashi::Application::setShutdownHook([&fom, &workers] {
        fom.stopMusicForExit();
        workers.joinAll(hanashi::Workers::EndOfProgramWait);
    });
    fom.setOnFirstFrame([&loads] { loads.release(); });
    fom.dispatch([&fom] {
        fom.Form_Load();
        fom.showCoveringScreen();
    });
    return app.exec();
}
