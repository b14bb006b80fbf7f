// SPDX-License-Identifier: MIT
#include "platform/MidiTune.h"
#include "support/FakeMidiFiles.h"

#include <gtest/gtest.h>

namespace hanashi {
namespace {

QByteArray oneTrack(const char* events) {
    return FakeMidiFiles::header(0, 1) + FakeMidiFiles::track(QByteArray::fromHex(events));
}

// Notes on one tick: note on and off, two events each.
QByteArray chord(int notes) {
    QByteArray events;
    for (int i = 0; i < notes; ++i)
        events += QByteArray::fromHex("00903c64 00803c00");
    return FakeMidiFiles::header(0, 1) +
           FakeMidiFiles::track(events + QByteArray::fromHex("00ff2f00"));
}

TEST(MidiTune, PlaysWhatTheStandardReadsAndRefusesTheRestWithAReason) {
    const QByteArray tune = FakeMidiFiles::bundledTune();
    ASSERT_FALSE(tune.isEmpty());
    const QByteArray note = FakeMidiFiles::heldNote(960); // a second at the default tempo
    const QByteArray endOnly = FakeMidiFiles::track(QByteArray::fromHex("00ff2f00"));
    QByteArray manyTracks = FakeMidiFiles::header(1, 200);
    for (int i = 0; i < 200; ++i)
        manyTracks += FakeMidiFiles::track(QByteArray::fromHex("8360ff2f00"));
    QByteArray longHeader = note;
    longHeader.replace(4, 4, QByteArray::fromHex("00000008"));
    longHeader.insert(14, QByteArray::fromHex("abcd"));

    const struct {
        const char* what;
        QByteArray bytes;
        std::int64_t microseconds; // -1: refused
        const char* reason = "";
    } cases[] = {
        {"the bundled tune: 72 beats of 833,333 microseconds", tune, 72 * 833333},
        {"one held note", note, 1000000},
        {"running status", oneTrack("00903c64 8360 3c00 00ff2f00"), 500000},
        {"running status across a meta event",
         oneTrack("00903c64 00ff0103616263 8360 3c00 00ff2f00"), 500000},
        {"a chunk of another kind before the track",
         FakeMidiFiles::header(0, 1) + "XFIR" + QByteArray::fromHex("00000002abcd") + endOnly, 0},
        {"a header longer than six bytes", longHeader, 1000000},
        {"inside a RIFF RMID file", FakeMidiFiles::rmid(note), 1000000},
        {"more tracks than FluidSynth's player takes", manyTracks, 500000},
        {"an escape holding a note", oneTrack("00f703903c64 8360f703803c00 00ff2f00"), 500000},
        {"a system exclusive message in two parts", oneTrack("00f003431001 8360f70212f7 00ff2f00"),
         500000},
        {"2,500 notes on one tick", chord(2500), 0},

        {"empty", QByteArray(), -1, "does not begin with MThd"},
        {"text", QByteArray("not a tune at all"), -1, "does not begin with MThd"},
        {"RIFF of another form", QByteArrayLiteral("RIFF\x04\x00\x00\x00WAVE"), -1,
         "not of the RMID form"},
        {"RMID without data", FakeMidiFiles::rmid(note).left(30), -1, "without a whole data chunk"},
        {"header only", FakeMidiFiles::header(1, 1), -1, "ends before track 1 of 1"},
        {"cut inside the header", tune.left(10), -1, "header is cut short"},
        {"cut inside a track", tune.left(tune.size() / 2), -1, "ends inside track"},
        {"one byte short", tune.left(tune.size() - 1), -1, "ends inside track"},
        {"fewer tracks than announced", FakeMidiFiles::header(1, 2) + endOnly, -1,
         "ends before track 2 of 2"},
        {"format 0 with two tracks", FakeMidiFiles::header(0, 2) + endOnly + endOnly, -1,
         "format 0 holds one track"},
        {"format 2", FakeMidiFiles::header(2, 1) + endOnly, -1, "format 2"},
        {"SMPTE time", FakeMidiFiles::header(0, 1, 0xE728) + endOnly, -1, "SMPTE"},
        {"no tracks", FakeMidiFiles::header(1, 0), -1, "no track"},
        {"data before any status", oneTrack("003c64 00ff2f00"), -1,
         "track 1, byte 22: data with no status"},
        {"a status byte as data", oneTrack("00903c90 00ff2f00"), -1, "where data belongs"},
        {"a five-byte delta", oneTrack("8080808000 ff2f00"), -1, "over four bytes"},
        {"a meta event running past its track", oneTrack("00ff0310ab"), -1, "runs past the track"},
        {"a system message", oneTrack("00f8 00ff2f00"), -1, "system message F8"},
        {"a tempo event of four bytes", oneTrack("00ff510400000001 00ff2f00"), -1,
         "tempo event of 4 bytes"},
        {"an end of track holding data", oneTrack("00ff2f0100"), -1, "end of track holding data"},
        {"an escape holding a system message", oneTrack("00f702f301 00ff2f00"), -1,
         "escape holding the system message F3"},
        {"a system exclusive message never ended", oneTrack("00f0024310 00ff2f00"), -1,
         "ends inside a system exclusive message"},
        {"2,501 notes on one tick", chord(2501), -1,
         "more than 5000 events within 100 ms, at 0.0 s"},
        {"a day and more: the longest tick at the slowest tempo",
         FakeMidiFiles::header(0, 1, 1) +
             FakeMidiFiles::track(QByteArray::fromHex("00ff5103ffffff ffffff7f ff2f00")),
         -1, "more than a day"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MidiTune::Reading reading = MidiTune::read(c.bytes);
        if (c.microseconds < 0) {
            EXPECT_EQ(reading.tune, nullptr);
            EXPECT_TRUE(reading.refusal.contains(QLatin1String(c.reason)))
                << reading.refusal.toStdString();
            continue;
        }
        ASSERT_NE(reading.tune, nullptr) << reading.refusal.toStdString();
        EXPECT_NEAR(reading.tune->lengthMicroseconds(), c.microseconds, 1);
    }
}

// What the escape and the divided message become: the same messages as
// written plainly.
TEST(MidiTune, EscapesAndDividedMessagesBecomeWholeMessages) {
    const auto tune =
        MidiTune::read(oneTrack("00f703903c64 00f00343107f 8360f70212f7 00ff2f00")).tune;
    ASSERT_NE(tune, nullptr);
    ASSERT_EQ(tune->events().size(), 2U);
    EXPECT_EQ(tune->events()[0].status(), 0x90);
    EXPECT_EQ(tune->events()[0].data1(), 0x3C);
    EXPECT_EQ(tune->events()[0].data2(), 0x64);
    EXPECT_EQ(tune->events()[1].status(), 0xF0);
    EXPECT_EQ(tune->events()[1].microseconds, 500000); // when the last part comes
    EXPECT_EQ(tune->sysex(tune->events()[1]), QByteArray::fromHex("4310 7f12"));
}

// A tempo event holds for every track from its tick on; the default tempo
// holds until the first. Events on one tick keep the order of their tracks.
TEST(MidiTune, TimesEveryEventByTheTempoMapOfAllTracks) {
    const QByteArray file =
        FakeMidiFiles::header(1, 2) +
        // Track 1: a program, and from beat 3 on 60 beats a minute.
        FakeMidiFiles::track(QByteArray::fromHex("00c000 8740ff51030f4240 00ff2f00")) +
        // Track 2: a note each beat, and the end.
        FakeMidiFiles::track(QByteArray::fromHex(
            "00c101 00913c64 83603c00 00913c64 83603c00 00913c64 83603c00 00ff2f00"));
    const auto tune = MidiTune::read(file).tune;
    ASSERT_NE(tune, nullptr);
    std::vector<std::pair<std::int64_t, int>> seen;
    for (const MidiTune::Event& event : tune->events())
        seen.emplace_back(event.microseconds, event.status());
    const std::vector<std::pair<std::int64_t, int>> expected = {
        {0, 0xC0},      {0, 0xC1},       {0, 0x91},       {500000, 0x91},
        {500000, 0x91}, {1000000, 0x91}, {1000000, 0x91}, {2000000, 0x91}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(tune->lengthTicks(), 3 * 480);
    EXPECT_EQ(tune->lengthMicroseconds(), 2000000);
}

} // namespace
} // namespace hanashi
