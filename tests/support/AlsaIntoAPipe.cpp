// SPDX-License-Identifier: MIT
#include "support/AlsaIntoAPipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hanashi {

AlsaIntoAPipe::AlsaIntoAPipe() {
    if (mkfifo(path.c_str(), 0600) == 0)
        reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
}

AlsaIntoAPipe::~AlsaIntoAPipe() {
    close(reader);
}

std::vector<std::pair<std::string, std::string>> AlsaIntoAPipe::driverSettings() const {
    return {{"audio.alsa.device", "file:FILE=" + path + ",FORMAT=raw"}};
}

std::int64_t AlsaIntoAPipe::drain() const {
    char sink[65536];
    std::int64_t total = 0;
    for (ssize_t got = 0; (got = read(reader, sink, sizeof sink)) > 0;)
        total += got;
    return total;
}

} // namespace hanashi
