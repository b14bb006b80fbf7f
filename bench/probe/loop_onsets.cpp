// SPDX-License-Identifier: MIT
// For bench/loop_periods.sh: reads what a sink played (raw 16-bit mono at
// 44100 a second) and prints the time from each loop's start to the next,
// one a line in seconds, then their median and spread. A loop starts where
// the sound rises above -20 dBFS after staying below it for at least a fifth
// of the expected period (at most 50 ms): the strike at the start of each
// loop, not its tail. The expected period is given in seconds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: loop_onsets RAW-FILE EXPECTED-SECONDS\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) {
        std::perror(argv[1]);
        return 2;
    }
    std::vector<std::int16_t> samples;
    std::int16_t block[4096];
    for (std::size_t got = 0; (got = std::fread(block, 2, 4096, file)) > 0;)
        samples.insert(samples.end(), block, block + got);
    std::fclose(file);

    constexpr double rate = 44100;
    const double expected = std::atof(argv[2]);
    const auto gap = static_cast<std::size_t>(std::min(0.05, expected / 5) * rate);
    constexpr int loud = 3277; // -20 dBFS
    std::vector<std::size_t> onsets;
    std::size_t lastLoud = 0;
    bool any = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) < loud)
            continue;
        if (!any || i - lastLoud > gap)
            onsets.push_back(i);
        any = true;
        lastLoud = i;
    }
    std::vector<double> periods;
    for (std::size_t k = 1; k < onsets.size(); ++k)
        periods.push_back(double(onsets[k] - onsets[k - 1]) / rate);
    for (double period : periods)
        std::printf("%.4f\n", period);
    if (periods.empty()) {
        std::printf("no loops heard (%zu onsets in %.1f s)\n", onsets.size(),
                    double(samples.size()) / rate);
        return 1;
    }
    std::vector<double> sorted = periods;
    std::sort(sorted.begin(), sorted.end());
    std::printf("median %.4f s, min %.4f, max %.4f over %zu loops\n", sorted[sorted.size() / 2],
                sorted.front(), sorted.back(), sorted.size());
    return 0;
}
