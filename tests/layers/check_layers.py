#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Holds the direction of the layers under src/: every file may include,
directly or through the headers it includes, only headers of its own folder
and of the folders below it:

    platform  <-  toolkit  <-  story, music, decor, layout  <-  app
    layout may read the story's rules; music needs only the platform;
    check uses the platform and the story's rules, never the toolkit.

Prints each include against the direction, with the chain that leads to it,
and exits 1 if there is one. Every layer exports the same include root, so
the compiler alone would let such an include through."""

import re
import sys
from pathlib import Path

ALLOWED = {
    "platform": {"platform"},
    "toolkit": {"toolkit", "platform"},
    "story": {"story", "toolkit", "platform"},
    "music": {"music", "platform"},
    "decor": {"decor", "toolkit", "platform"},
    "layout": {"layout", "story", "toolkit", "platform"},
    "app": {"app", "story", "music", "decor", "layout", "toolkit", "platform"},
    "check": {"check", "story", "platform"},
    # The two mains, beside the folders.
    "main.cpp": {"app", "story", "music", "decor", "layout", "toolkit", "platform"},
    "check_main.cpp": {"check", "story", "platform"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(path, src):
    relative = path.relative_to(src)
    return relative.parts[0] if len(relative.parts) > 1 else relative.name


def main():
    src = Path(sys.argv[1]).resolve()
    files = [p for p in src.rglob("*") if p.suffix in (".h", ".cpp")]
    includes = {p: [src / name for name in INCLUDE.findall(p.read_text(encoding="utf-8"))]
                for p in files}
    unknown = sorted({layer_of(p, src) for p in files} - ALLOWED.keys())
    if unknown:
        print(f"folders of no known layer: {', '.join(unknown)}; add them to {__file__}")
        return 1
    wrong = 0
    for start in sorted(files):
        allowed = ALLOWED[layer_of(start, src)]
        # Every header it reaches, with the chain that reaches it.
        seen = {start: [start]}
        todo = [start]
        while todo:
            here = todo.pop()
            for header in includes.get(here, []):
                if header in seen or not header.exists():
                    continue
                seen[header] = seen[here] + [header]
                todo.append(header)
                if layer_of(header, src) not in allowed:
                    chain = " -> ".join(str(p.relative_to(src)) for p in seen[header])
                    print(f"src/{start.relative_to(src)}: includes against the layers: {chain}")
                    wrong += 1
    if wrong:
        print(f"{wrong} includes against the direction of the layers (see CONTRIBUTING.md)")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
