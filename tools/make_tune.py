#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the game's background tune, dat/bgm.mid.

A gentle piece in the yo scale (D E G A B) for shakuhachi over a koto
arpeggio and a soft string pad: 18 bars at 72 beats a minute, about a
minute long. It is written to loop: notes sound from the first tick, the
last bar resolves on D and every track ends on the same bar line, so the
restart falls in rhythm.

Standard library only; the output is the same byte for byte on every run.

    python3 tools/make_tune.py [OUTPUT]
"""

import pathlib
import struct
import sys

TICKS_PER_BEAT = 480
BEATS_PER_MINUTE = 72
BEATS_PER_BAR = 4
BAR = TICKS_PER_BEAT * BEATS_PER_BAR

# General MIDI programs, counted from 0 as they are sent.
SHAKUHACHI = 77
KOTO = 107
STRINGS_SLOW = 49

NOTE_NUMBERS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def note(name):
    """'D4' -> 62 (middle C is C4 = 60)."""
    return 12 * (int(name[1:]) + 1) + NOTE_NUMBERS[name[0]]


# One chord per bar, as open voicings without thirds, low to high.
CHORDS = {
    "D": ["D3", "A3", "D4", "E4"],
    "G": ["G2", "D3", "G3", "A3"],
    "E": ["E3", "B3", "D4", "E4"],
    "A": ["A2", "E3", "A3", "B3"],
}
PROGRESSION = "D G  D G E A G E A D  G D E A G E A D".split()

# (note or None for a rest, length in beats), bar by bar after the
# two-bar introduction.
MELODY = [
    [("A4", 2), ("B4", 1), ("A4", 1)],
    [("G4", 1.5), ("E4", 0.5), ("D4", 2)],
    [("E4", 1), ("G4", 1), ("A4", 1), ("B4", 1)],
    [("A4", 3), (None, 1)],
    [("D5", 1.5), ("B4", 0.5), ("A4", 1), ("G4", 1)],
    [("A4", 1), ("B4", 0.5), ("A4", 0.5), ("G4", 1), ("E4", 1)],
    [("G4", 1.5), ("A4", 0.5), ("E4", 1), ("D4", 1)],
    [("D4", 3), (None, 1)],
    [("B4", 1), ("D5", 1), ("E5", 2)],
    [("D5", 1), ("B4", 1), ("A4", 2)],
    [("G4", 1), ("A4", 1), ("B4", 1), ("D5", 1)],
    [("E5", 3), (None, 1)],
    [("E5", 1.5), ("D5", 0.5), ("B4", 1), ("A4", 1)],
    [("B4", 1), ("A4", 0.5), ("G4", 0.5), ("E4", 2)],
    [("G4", 1), ("A4", 1), ("E4", 1), ("G4", 0.5), ("E4", 0.5)],
    [("D4", 4)],
]
INTRO_BARS = 2
BARS = INTRO_BARS + len(MELODY)
END = BARS * BAR

# Koto: eighth notes walking up and down the bar's chord.
ARPEGGIO = [0, 1, 2, 3, 2, 1, 2, 1]


def vlq(value):
    """A MIDI variable-length quantity."""
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


class Track:
    def __init__(self, name):
        # (tick, order, bytes): at one tick, note-offs (order 0) go before
        # set-up (1) and note-ons (2), so a repeated note is re-struck.
        self.events = []
        self.meta(0, 0x03, name.encode("ascii"))

    def meta(self, tick, kind, data):
        self.events.append((tick, 1, bytes([0xFF, kind]) + vlq(len(data)) + data))

    def control(self, tick, channel, number, value):
        self.events.append((tick, 1, bytes([0xB0 | channel, number, value])))

    def program(self, tick, channel, number):
        self.events.append((tick, 1, bytes([0xC0 | channel, number])))

    def play(self, start, length, channel, key, velocity):
        self.events.append((start, 2, bytes([0x90 | channel, key, velocity])))
        self.events.append((start + length, 0, bytes([0x80 | channel, key, 0])))

    def chunk(self):
        body = bytearray()
        now = 0
        for tick, _, data in sorted(self.events, key=lambda e: (e[0], e[1])):
            body += vlq(tick - now) + data
            now = tick
        body += vlq(END - now) + b"\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def instrument(track, channel, program, volume, pan, reverb):
    track.program(0, channel, program)
    track.control(0, channel, 7, volume)
    track.control(0, channel, 10, pan)
    track.control(0, channel, 91, reverb)


def conductor():
    track = Track("hanashi")
    tempo = 60_000_000 // BEATS_PER_MINUTE
    track.meta(0, 0x51, tempo.to_bytes(3, "big"))
    track.meta(0, 0x58, bytes([BEATS_PER_BAR, 2, 24, 8]))
    return track


def shakuhachi():
    track = Track("shakuhachi")
    instrument(track, 0, SHAKUHACHI, volume=100, pan=64, reverb=60)
    tick = INTRO_BARS * BAR
    for bar, phrase in enumerate(MELODY):
        for position, (name, beats) in enumerate(phrase):
            length = int(beats * TICKS_PER_BEAT)
            if name:
                # Lean on the first note of a bar; long notes a little softer
                # so they do not stand out of the texture.
                velocity = 84 if position == 0 else 74
                if beats >= 3:
                    velocity -= 8
                # Legato, but leave a breath before a rest or a new phrase.
                gap = 30 if bar % 2 else 10
                if tick + length == END:
                    gap = 0
                track.play(tick, length - gap, 0, note(name), velocity)
            tick += length
    return track


def koto():
    track = Track("koto")
    instrument(track, 1, KOTO, volume=90, pan=44, reverb=50)
    eighth = TICKS_PER_BEAT // 2
    for bar, chord in enumerate(PROGRESSION):
        keys = [note(n) for n in CHORDS[chord]]
        last = bar == BARS - 1
        for step, index in enumerate(ARPEGGIO):
            if last and step >= 4:
                break  # the final chord rings out over the last half bar
            start = bar * BAR + step * eighth
            velocity = 62 if step % 4 == 0 else 50
            length = END - start if last and step == 3 else eighth
            track.play(start, length, 1, keys[index], velocity)
    return track


def strings():
    track = Track("strings")
    instrument(track, 2, STRINGS_SLOW, volume=70, pan=84, reverb=70)
    for bar, chord in enumerate(PROGRESSION):
        keys = [note(n) + 12 for n in CHORDS[chord][:3]]
        for key in keys:
            track.play(bar * BAR, BAR, 2, key, 46)
    return track


def smf():
    tracks = [conductor(), shakuhachi(), koto(), strings()]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TICKS_PER_BEAT)
    return header + b"".join(t.chunk() for t in tracks)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "dat" / "bgm.mid"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(smf())
    seconds = BARS * BEATS_PER_BAR * 60 / BEATS_PER_MINUTE
    print(f"{out}: {BARS} bars, {seconds:.1f} s")


if __name__ == "__main__":
    main()
