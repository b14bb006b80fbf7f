# SPDX-License-Identifier: MIT
"""Run with: python3 -m unittest discover -s tools/story"""

import tempfile
import unittest
from pathlib import Path

import encode

GAIN, LOSS = 100, 50  # points of one answer at the start-up question level


class ShippedScripts(unittest.TestCase):
    def setUp(self):
        self.outputs = encode.build()

    def test_dat_files_match_their_sources(self):
        for name, (data, _) in self.outputs.items():
            self.assertEqual((encode.DAT / f"{name}.dat").read_bytes(), data,
                             f"{name}.dat is stale: run tools/story/encode.py")

    def test_every_line_ends_with_crlf_and_decodes_back_to_the_source(self):
        for name, (data, _) in self.outputs.items():
            self.assertTrue(data.endswith(b"\r\n"))
            self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
            self.assertEqual(data.decode("cp932").split("\r\n")[:-1],
                             encode.read_source(encode.HERE / f"{name}.txt"))

    def test_five_good_answers_reach_the_ending_and_one_miss_does_not(self):
        lines = encode.read_source(encode.HERE / "opn.txt")
        # The opening must end on its branch: running off the end of the file
        # would start a new game and throw the player's points away.
        self.assertEqual(lines[-1], ">ive")
        self.assertNotIn(">end", lines)
        questions = self.outputs["opn"][1]["before_branch"]
        self.assertEqual(questions * GAIN, 500)
        self.assertLess((questions - 1) * GAIN - LOSS, 500)

    def test_ending_holds_no_marker_so_its_end_starts_a_new_game(self):
        lines = encode.read_source(encode.HERE / "end.txt")
        self.assertFalse([l for l in lines if ">" in l])


class Faults(unittest.TestCase):
    def faults(self, *lines):
        return [message for _, message in encode.parse(list(lines))[0]]

    def test_wave_dash_is_refused_because_it_reads_back_as_a_fullwidth_tilde(self):
        self.assertIn("would read back", self.faults("待って〜")[0])

    def test_character_outside_code_page_932_is_refused(self):
        self.assertIn("not in code page 932", self.faults("𠮷野家")[0])

    def test_marker_inside_story_text_is_refused(self):
        # The reader would take the whole line as a branch and show none of it.
        self.assertTrue(self.faults("扉の奥へ>ive"))

    def test_question_on_the_last_line_is_refused(self):
        # The game would read past the end of the file for the answer.
        self.assertTrue(self.faults("どうする？", "*逃げる"))

    def test_empty_answer_line_is_refused(self):
        self.assertTrue(self.faults("*進む", "*"))

    def test_too_wide_story_line_is_refused(self):
        self.assertTrue(self.faults("あ" * 21))
        self.assertFalse(self.faults("あ" * 20))

    def test_fault_report_names_the_file_and_line(self):
        with tempfile.TemporaryDirectory() as tmp:
            Path(tmp, "opn.txt").write_text("よい行\n", encoding="utf-8")
            Path(tmp, "end.txt").write_text("悪い行〜\n", encoding="utf-8")
            with self.assertRaises(encode.ScriptError) as caught:
                encode.build(Path(tmp))
            self.assertIn("end.txt:1:", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
