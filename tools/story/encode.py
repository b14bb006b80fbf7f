#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Builds the game's scripts dat/opn.dat and dat/end.dat from the UTF-8
sources beside this file: code page 932, every line ended by CR LF.

Usage: encode.py           write dat/opn.dat and dat/end.dat
       encode.py --check   only report whether they match the sources

Nothing is written unless both sources pass every check below; each fault
is reported with its file and line, and the exit status is then 1.
"""

import sys
import unicodedata
from pathlib import Path

HERE = Path(__file__).resolve().parent
DAT = HERE.parent.parent / "dat"
SCRIPTS = ("opn", "end")

MARKERS = (">ive", ">end")
# In half-width columns: the story label holds about twenty full-width
# characters, an answer label about fourteen.
STORY_COLUMNS = 40
ANSWER_COLUMNS = 28


class ScriptError(Exception):
    pass


def columns(text):
    # Ambiguous-width characters (☆, …, ○) are full-width in a Japanese font.
    return sum(2 if unicodedata.east_asian_width(c) in "WFA" else 1 for c in text)


def check_text(text, what):
    """Faults of one line's text, as messages; `what` names the line's role."""
    faults = []
    for c in text:
        if unicodedata.category(c) == "Cc":
            faults.append(f"{what}: control character U+{ord(c):04X}")
            continue
        try:
            back = c.encode("cp932").decode("cp932")
        except UnicodeEncodeError:
            faults.append(f"{what}: {c!r} (U+{ord(c):04X}) is not in code page 932")
            continue
        # Python's cp932 encoder maps a few look-alikes (U+301C wave dash and
        # others) onto another character's code, so the game would show a
        # different character from the one written here.
        if back != c:
            faults.append(
                f"{what}: {c!r} (U+{ord(c):04X}) would read back as "
                f"{back!r} (U+{ord(back):04X})"
            )
    if "<" in text or ">" in text:
        faults.append(f"{what}: angle brackets belong only to the lines >ive and >end")
    return faults


def parse(lines):
    """Checks a script's lines; returns (faults, summary).

    faults is a list of (line number, message). The reader takes a line
    holding >ive or >end anywhere as a marker and every line starting with
    "*" as a question whose next line is its answer, so anything else with
    those characters is refused rather than left to surprise a player.
    """
    faults = []
    summary = {"lines": len(lines), "story": 0, "questions": 0, "before_branch": None}
    i = 0
    while i < len(lines):
        line = lines[i]
        number = i + 1
        if any(m in line for m in MARKERS):
            if line not in MARKERS:
                faults.append((number, "a marker line must be exactly >ive or >end"))
            if line == ">ive" and summary["before_branch"] is None:
                summary["before_branch"] = summary["questions"]
            i += 1
            continue
        if line.startswith("*"):
            summary["questions"] += 1
            good = line[1:]
            for message in check_text(good, "answer 0"):
                faults.append((number, message))
            if not good:
                faults.append((number, "answer 0 is empty"))
            elif columns(good) > ANSWER_COLUMNS:
                faults.append((number, f"answer 0 is wider than {ANSWER_COLUMNS // 2} characters"))
            if i + 1 == len(lines):
                faults.append((number, "a question needs an answer line after it"))
                break
            answer = lines[i + 1]
            # The game drops the answer line's first character whatever it is;
            # requiring "*" keeps the pair recognisable in the source.
            if not answer.startswith("*"):
                faults.append((number + 1, 'an answer line starts with "*"'))
            bad = answer[1:]
            for message in check_text(bad, "answer 1"):
                faults.append((number + 1, message))
            if not bad:
                faults.append((number + 1, "answer 1 is empty"))
            elif columns(bad) > ANSWER_COLUMNS:
                faults.append((number + 1, f"answer 1 is wider than {ANSWER_COLUMNS // 2} characters"))
            i += 2
            continue
        summary["story"] += 1
        for message in check_text(line, "story line"):
            faults.append((number, message))
        if columns(line) > STORY_COLUMNS:
            faults.append((number, f"story line is wider than {STORY_COLUMNS // 2} characters"))
        i += 1
    return faults, summary


def read_source(path):
    text = path.read_text(encoding="utf-8")
    if text.startswith("\ufeff"):
        text = text[1:]
    lines = text.replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()  # the source's own final newline, not an empty story line
    return lines


def encode(lines):
    return b"".join(line.encode("cp932") + b"\r\n" for line in lines)


def build(source_dir=HERE):
    """Returns {name: bytes} for both scripts; raises ScriptError listing every fault."""
    outputs = {}
    report = []
    for name in SCRIPTS:
        source = source_dir / f"{name}.txt"
        lines = read_source(source)
        faults, summary = parse(lines)
        report += [f"{source}:{number}: {message}" for number, message in faults]
        if not faults:
            outputs[name] = (encode(lines), summary)
    if report:
        raise ScriptError("\n".join(report))
    return outputs


def main(argv):
    check_only = argv[1:] == ["--check"]
    if argv[1:] and not check_only:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        outputs = build()
    except ScriptError as faults:
        print(faults, file=sys.stderr)
        return 1
    stale = []
    for name, (data, summary) in outputs.items():
        target = DAT / f"{name}.dat"
        if check_only:
            if not target.is_file() or target.read_bytes() != data:
                stale.append(target)
            continue
        DAT.mkdir(exist_ok=True)
        target.write_bytes(data)
        branch = summary["before_branch"]
        print(
            f"{target.name}: {summary['lines']} lines, {summary['story']} story lines, "
            f"{summary['questions']} questions"
            + ("" if branch is None else f", {branch} before the first >ive")
        )
    for target in stale:
        print(f"{target} is out of date: run {Path(argv[0]).name}", file=sys.stderr)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
