"""The console in the real program: help, exec, completion, window messages, and a script on the window's timer."""

import os
import re
import unittest

from velmora_harness import SessionTest, value_of

COMMANDS = ["add", "animate", "delete", "exec", "exit", "get", "help", "list", "load", "loadclass", "new", "paint",
            "pick", "quit", "recover", "redo", "save", "select", "set", "speed_control", "toggle", "undo"]
HELP = ("available commands:\n" + "".join(c + ", " for c in COMMANDS) + "\n"
        "save screenshot <file.png|file.bmp> writes what the window shows\n"
        "pick sets the brush's colour from the skin under its centre (Shift+click: under the cursor)\n"
        "recover [discard] restores (or drops) paint a run that ended without saving left behind\n")


class ConsoleLines(SessionTest):
    def test_exec_refuses_runaway_nesting_and_the_count_unwinds(self):
        with open(os.path.join(self.s.workdir, "self.txt"), "w") as f:
            f.write("exec self.txt\nhelp\n")
        for _ in range(2):
            self.assertEqual(self.s.command("exec self.txt"),
                             "exec: too many nested files, not running 'self.txt'\n" + HELP * 16)

    def test_tab_completes_command_names_and_lines_match_them_exactly(self):
        self.s.type("\t\t")  # an empty line offers every command
        seen = self.s.expect(re.compile(r"toggle[\s\S]*\n>"))
        self.assertEqual(sorted(re.findall(r"[a-z_]+", seen)), COMMANDS)
        self.assertEqual(self.s.command("\x15he\t"), HELP)
        self.assertEqual(self.s.command("   "), "")
        self.assertEqual(self.s.command("Help"), "command not found: Help\n")

    def test_a_message_from_the_window_is_shown_above_the_prompt_and_the_line_being_typed(self):
        # The window draws nothing while unmapped, so the model's first draw waits until the line is half typed.
        self.s.x("xdotool", "windowunmap", "--sync", self.s.window())
        self.assertEqual(self.s.command("new model Keyform cottage"), "")
        self.s.type("list mo")
        self.s.expect("list mo")
        self.s.x("xdotool", "windowmap", "--sync", self.s.window())
        # What was typed is taken off the screen and drawn again under the message.
        self.s.expect(re.compile(r"^skins: <[\d,]*>\n>list mo$"))
        self.assertEqual(self.s.command("dels"), "  brush\n  cottage\n")


class Scripts(SessionTest):
    def test_three_step_linear_script_moves_tick_by_tick_to_its_last_pose(self):
        # Steps of 40 ticks: 0 -> 5 and 5 -> 10 by 0.125 a tick, 10 -> 20 by 0.25.
        self.s.quietly("set x 5", "new pose p1", "set x 10", "new pose p2", "set x 20", "new pose p3", "set x 0",
                    "new script walk", "add p1 40", "add p2 40 linear", "add p3 40")
        self.assertEqual(self.s.command("animate walk"), "")
        values = []  # readings as fast as the console answers, up to the last pose
        self.s.wait_until(lambda: values.append(value_of(self.s, "x")) or abs(values[-1] - 20) < 5e-7, "x to be 20")
        self.assertEqual(values, sorted(values), "x went back")
        for v in values:
            self.assertAlmostEqual(v / 0.125, round(v / 0.125), places=4, msg="%f is between ticks" % v)
        self.assertGreater(len(set(values)), 10, "the model jumped instead of moving tick by tick")
        self.s.frames(5)
        self.assertEqual(self.s.command("get x"), "  x: 20.000000\n")  # the script has ended there


if __name__ == "__main__":
    unittest.main()
