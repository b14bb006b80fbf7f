// SPDX-License-Identifier: MIT
#include "app/FomServices.h"

#include "platform/Workers.h"
#include "story/Rules.h"
#include "toolkit/Screen.h"

#include <QDesktopServices>
#include <cstdio>
#include <cstdlib>

namespace hanashi {

std::optional<ProgramFolder> gameFolder(const char* startedBy) {
    return ProgramFolder::ofThisProcess(startedBy,
                                        QByteArray(DataFolder.data(), DataFolder.size()));
}

FomServices systemServices(RandomSource& random, Mci& mci, const QString& programFolder,
                           Workers& workers) {
    return FomServices{
        random,
        mci,
        [programFolder] { return programFolder; },
        screenHeightTwips,
        // Qt hands the file: URL to the desktop's opener as one argument, with
        // no shell in between, and does not wait for it. The result is of no
        // use to the game.
        [](const QUrl& url) { QDesktopServices::openUrl(url); },
        // The end is immediate: nothing may run after it, not even the
        // window's own teardown. The music's threads have a moment to let go
        // of the sound server.
        [&workers](int status) {
            workers.joinAll(Workers::EndOfProgramWait);
            std::fflush(nullptr);
            std::_Exit(status);
        },
    };
}

} // namespace hanashi
