# SPDX-License-Identifier: MIT
"""Plays the running game through the accessibility bus, as a screen reader
does: finds both bars by their names, slows the questions down through the
level bar's value, waits for a question and presses the good answer through
its action, reads the score as a number, and listens for the next story line
arriving by itself: as text added to the story, and as a notification, which
is what Orca speaks. Prints what it heard; ends the game through End's
action.

    screen_reader_play.py PID GOOD-ANSWER NEXT-LINE

Exit status 0 when all of it held, 1 with the reason otherwise.
"""

import sys
import time

import pyatspi
from gi.repository import GLib

LEVEL = "質問レベル >"
SPEED = "テキスト早さ >"
STORY = "お話"
SCORE = "スコア "
# At the slowest level a question waits 41 ticks of 100 ms for its answer,
# and a good answer is worth (100 + 10) - 100 points.
SLOWEST_LEVEL = 100
POINTS = 10
DEADLINE_S = 40
# Time enough between two lines to ask for each notification's name.
LINE_MS = 500


class Player:
    def __init__(self, pid, good, next_line):
        self.pid = pid
        self.good = good
        self.next_line = next_line
        self.deadline = time.monotonic() + DEADLINE_S
        self.step = self.find_game
        self.window = None
        self.story = None
        self.heard = []
        self.announced = []
        self.story_names = set()
        self.failure = None

    # --- what the bus tells ---------------------------------------------

    def on_event(self, event):
        if event.type.startswith("object:state-changed:showing") and event.detail1 \
                and event.source.getRole() == pyatspi.ROLE_NOTIFICATION:
            self.announced.append(str(event.source.name))
            return
        if self.story is None or event.source != self.story:
            return
        if event.type.startswith("object:text-changed:insert"):
            self.heard.append(str(event.any_data))
        elif event.type.startswith("object:property-change:accessible-name"):
            self.story_names.add(str(event.source.name))

    # --- the steps, one call at a time from the main loop ---------------

    def tick(self):
        if time.monotonic() > self.deadline:
            self.fail(f"gave up {DEADLINE_S} s in, at {self.step.__name__}")
        else:
            try:
                self.step()
            except Exception as error:  # the bus or the game went away
                self.fail(f"{self.step.__name__}: {error!r}")
        if self.step is None or self.failure:
            pyatspi.Registry.stop()
            return False
        return True

    def fail(self, why):
        self.failure = why

    def children(self, role=None):
        found = []
        for child in self.window:
            if child is not None and (role is None or child.getRole() == role):
                child.clear_cache()
                found.append(child)
        return found

    def named(self, role, name):
        return [c for c in self.children(role) if c.name == name]

    def find_game(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.pid:
                windows = [w for w in app if w is not None and w.name == "Form1"]
                self.window = windows[0] if windows else None
        if self.window is None:
            return
        stories = [c for c in self.named(pyatspi.ROLE_LABEL, STORY)
                   if "Text" in pyatspi.listInterfaces(c)]
        if len(stories) != 1:
            return self.fail(f"no one story text named {STORY!r}")
        self.story = stories[0]
        # Once the game is on the bus it hears of every listener from then on.
        pyatspi.Registry.registerEventListener(
            self.on_event, "object:text-changed:insert", "object:property-change:accessible-name",
            "object:state-changed:showing")
        self.step = self.set_bars

    def set_bars(self):
        for name, value in ((LEVEL, SLOWEST_LEVEL), (SPEED, LINE_MS)):
            bars = self.named(pyatspi.ROLE_SCROLL_BAR, name)
            if len(bars) != 1:
                return self.fail(f"no one bar named {name!r}: {len(bars)}")
            bars[0].queryValue().currentValue = value
            read = bars[0].queryValue().currentValue
            print(f"bar {name!r}: value set to {read:g}")
            if read != value:
                return self.fail(f"bar {name!r} reads {read:g} after {value} was set")
        self.step = self.answer

    def answer(self):
        answers = sorted(button.name for button in self.children(pyatspi.ROLE_PUSH_BUTTON)
                         if button.getState().contains(pyatspi.STATE_SHOWING)
                         and button.name[:3] in ("1: ", "2: "))
        # The round is announced as it begins, both answers with their keys.
        if len(answers) != 2 or "、".join(answers) not in self.announced:
            return
        print(f"announced: {'、'.join(answers)!r}")
        for button in self.children(pyatspi.ROLE_PUSH_BUTTON):
            name = button.name
            if not name.endswith(": " + self.good) or \
                    not button.getState().contains(pyatspi.STATE_SHOWING):
                continue
            action = button.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            if "Press" not in names:
                return self.fail(f"{name!r} has no Press action: {names}")
            self.heard.append(None)  # what comes after the press
            self.announced.append(None)
            action.doAction(names.index("Press"))
            print(f"pressed {name!r}")
            self.step = self.read_score
            return

    def read_score(self):
        scores = [c.name for c in self.children(pyatspi.ROLE_LABEL)
                  if c.name.startswith(SCORE)]
        if len(scores) != 1:
            return self.fail(f"no one score named {SCORE!r}...: {scores}")
        print(f"score: {scores[0]!r}")
        if scores[0] != f"{SCORE}{POINTS}":
            return self.fail(f"the score reads {scores[0]!r}, not {SCORE}{POINTS}")
        self.step = self.hear_next_line

    def hear_next_line(self):
        after = self.heard[self.heard.index(None) + 1:]
        if "\n" + self.next_line not in after:
            return
        for text in after:
            print(f"heard: {text!r}")
        if after[:2] != ["\n" + self.good, "\n" + self.next_line]:
            return self.fail("the answer and the next line were not heard in turn")
        many = [text for text in after if text.count("\n") != 1]
        if many:
            return self.fail(f"heard more than one line at once: {many[0]!r}")
        announced = self.announced[self.announced.index(None) + 1:]
        for text in announced:
            print(f"announced: {text!r}")
        if announced[:2] != [self.good, self.next_line]:
            return self.fail("the answer and the next line were not announced in turn")
        if self.story_names:
            return self.fail(f"the story's name changed: {sorted(self.story_names)}")
        if self.story.name != STORY:
            return self.fail(f"the story is named {self.story.name!r}")
        text = self.story.queryText().getText(0, -1)
        if "\n" + self.good + "\n" + self.next_line not in text:
            return self.fail("the story's text lacks the answer and the next line")
        ends = self.named(pyatspi.ROLE_PUSH_BUTTON, "End")
        if len(ends) != 1:
            return self.fail("no one button named 'End'")
        action = ends[0].queryAction()
        action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))
        self.step = None


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    player = Player(int(sys.argv[1]), sys.argv[2], sys.argv[3])
    GLib.timeout_add(50, player.tick)
    pyatspi.Registry.start()
    if player.failure:
        print(f"screen_reader_play: {player.failure}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
