// SPDX-License-Identifier: MIT
// The Standard MIDI File check on arbitrary bytes. It reads every chunk and
// event within bounds (the sanitizers watch), and what it accepts is a file
// of format 0 or 1 with sound fields. Bytes after the last track it needs are
// never read, so adding some changes nothing.

#include "FuzzCheck.h"
#include "platform/MidiFileInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<hanashi::MidiFileInfo> info = hanashi::MidiFileInfo::parse(bytes);
    if (!info)
        return 0;
    FUZZ_CHECK(bytes.startsWith("MThd"));
    FUZZ_CHECK(info->format == 0 || info->format == 1);
    FUZZ_CHECK(info->trackCount >= 1 && (info->format == 1 || info->trackCount == 1));
    FUZZ_CHECK(info->ticksPerBeat >= 1 && info->ticksPerBeat <= 0x7FFF);
    FUZZ_CHECK(info->lengthTicks >= 0);

    const std::optional<hanashi::MidiFileInfo> longer =
        hanashi::MidiFileInfo::parse(bytes + QByteArray("MTrk\xff\xff\xff\xff\x00", 9));
    FUZZ_CHECK(longer && longer->format == info->format && longer->trackCount == info->trackCount &&
               longer->ticksPerBeat == info->ticksPerBeat &&
               longer->lengthTicks == info->lengthTicks);
    return 0;
}
