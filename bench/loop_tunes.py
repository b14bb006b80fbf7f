#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the tunes that bench/loop_periods.sh plays, byte by byte, into the
folder given: each loop begins with one short note, so that the sound a
player hears marks where every loop starts. Ticks are 480 a beat; the tempo
is the default 120 a minute (500000 microseconds a beat) until a tempo event
says otherwise.

Prints one line per tune: its file name and the period it should loop at in
seconds ("refused" for one the game must not play)."""

import struct
import sys
from pathlib import Path


def quantity(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def track(events):
    return b"MTrk" + struct.pack(">I", len(events)) + events


def header(fmt, tracks, division=480):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, tracks, division)


# A wood block (program 115), struck and let go at once, without reverberation.
STRIKE = bytes.fromhex("00b05b00 00b05d00 00c073 00904864 10804800".replace(" ", ""))


def one_strike(ticks, tempo=None):
    """One strike, then silence until the end at `ticks`."""
    events = STRIKE
    if tempo:
        events = bytes.fromhex("00ff5103") + tempo.to_bytes(3, "big") + events
    return header(0, 1) + track(events + quantity(ticks - 16) + b"\xff\x2f\x00")


def rmid(standard):
    data = b"data" + struct.pack("<I", len(standard)) + standard
    return b"RIFF" + struct.pack("<I", 4 + len(data)) + b"RMID" + data


def late_tempo():
    """Four beats: two at the default tempo, two at 60 a minute."""
    events = STRIKE + quantity(960 - 16) + bytes.fromhex("ff51030f4240")
    return header(0, 1) + track(events + quantity(960) + b"\xff\x2f\x00")


def dense():
    """Five million note events on tick 0, then the end on beat 1."""
    note = bytes.fromhex("00903c64")
    events = note + bytes.fromhex("003c00003c64") * 2499999 + bytes.fromhex("003c00")
    return header(0, 1) + track(events + quantity(480) + b"\xff\x2f\x00")


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    tunes = [
        ("two-seconds.mid", one_strike(1920), "2.000"),
        ("late-tempo.mid", late_tempo(), "3.000"),
        ("rmid.mid", rmid(one_strike(1920)), "2.000"),
        ("tenth.mid", one_strike(96), "0.100"),
        ("ten-seconds.mid", one_strike(9600), "10.000"),
        ("five-eighths.mid", one_strike(600), "0.625"),
        ("three-minutes.mid", one_strike(173280), "180.500"),
        ("dense.mid", dense(), "refused"),
    ]
    if len(sys.argv) > 2:
        tunes = [t for t in tunes if t[0] in sys.argv[2:]]
    for name, data, period in tunes:
        (folder / name).write_bytes(data)
        print(name, period)


if __name__ == "__main__":
    main()
