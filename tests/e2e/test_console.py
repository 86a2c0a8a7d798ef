"""The console in the real program: line splitting, help, exec, completion
and how the process ends."""

import os
import re
import signal
import unittest

from velmora_harness import Session, SessionTest, pixel

COMMANDS = ["add", "animate", "delete", "exec", "exit", "get", "help", "list", "load", "loadclass",
            "new", "paint", "quit", "save", "select", "set", "speed_control", "toggle"]
HELP = "available commands:\n" + "".join(c + ", " for c in COMMANDS) + "\n"


class ConsoleLines(SessionTest):
    def test_help_lists_every_command_in_order(self):
        self.assertEqual(self.s.command("help"), HELP)

    def test_unknown_and_case_sensitive_commands(self):
        self.assertEqual(self.s.command("frobnicate now"), "command not found: frobnicate\n")
        self.assertEqual(self.s.command("Help"), "command not found: Help\n")

    def test_blanks_tabs_and_extra_words(self):
        self.assertEqual(self.s.command("   help"), HELP)
        self.assertEqual(self.s.command(" \t help\t"), HELP)
        self.assertEqual(self.s.command("   "), "")
        self.assertEqual(self.s.command("help 1 2 3 4 5 6 7 8 9 10 11 12"), HELP)

    def test_exec_runs_every_line_and_splits_long_ones(self):
        path = os.path.join(self.s.workdir, "cmds.txt")
        long_word = "x" * 299  # with the newline: 300 characters
        with open(path, "w") as f:
            f.write("help\n" + long_word + "\nhelp")  # the last line has no newline
        out = self.s.command("exec cmds.txt")
        self.assertEqual(out, HELP + "command not found: " + "x" * 254 + "\n"
                         + "command not found: " + "x" * 45 + "\n" + HELP)

    def test_exec_of_missing_file_reports_on_stderr(self):
        out = self.s.command("exec no-such-file.txt")
        self.assertEqual(out, "")
        self.s.wait_stderr("error executing file: No such file or directory")
        self.assertEqual(self.s.command("exec"), "usage: exec <filename>\n")

    def test_exec_of_itself_stops_at_sixteen_levels(self):
        path = os.path.join(self.s.workdir, "self.txt")
        with open(path, "w") as f:
            f.write("exec self.txt\nhelp\n")
        out = self.s.command("exec self.txt")
        # Sixteen files run; the seventeenth is refused once, then every level runs help.
        self.assertEqual(out, "exec: too many nested files, not running 'self.txt'\n" + HELP * 16)

    def test_tab_completes_command_names(self):
        self.s.type("lo\t")
        self.s.expect("load")
        # readline lists the choices on a repeated Tab once the common prefix is in.
        seen = ""
        for _ in range(3):
            self.s.type("\t")
            try:
                seen = self.s.expect(re.compile(r"load\s+loadclass"), timeout=3)
                break
            except AssertionError:
                continue
        self.assertRegex(seen, r"load\s+loadclass")
        self.assertNotIn("list", seen)
        self.s.type("\x15")  # kill the line
        self.s.type("\t\t")
        seen = self.s.expect(re.compile(r"toggle[\s\S]*\n>"))
        for name in COMMANDS:
            self.assertIn(name, seen)
        self.s.type("\x15")
        self.assertEqual(self.s.command("he\t"), HELP)


class Ending(unittest.TestCase):
    def run_until_end(self, finish, **kwargs):
        s = Session(**kwargs)
        try:
            if not kwargs.get("stdin_devnull"):
                s.expect(">")
                s.window()  # the window is up and the event loop running
            finish(s)
            status = s.wait_exit()
        finally:
            errors = s.close()
        self.assertTrue(os.WIFSIGNALED(status), "ended with status %r" % status)
        self.assertEqual(os.WTERMSIG(status), signal.SIGINT)
        self.assertEqual(errors, "")  # nothing torn down under a running frame

    def test_quit_ends_by_interrupt(self):
        self.run_until_end(lambda s: s.send("quit"))

    def test_exit_with_extra_words_ends_by_interrupt(self):
        self.run_until_end(lambda s: s.send("exit now please"))

    def test_end_of_input_ends_by_interrupt(self):
        self.run_until_end(lambda s: s.type("\x04"))

    def test_closed_input_ends_by_interrupt(self):
        self.run_until_end(lambda s: None, stdin_devnull=True)


class Window(SessionTest):
    def test_window_title_size_and_black_background(self):
        info = self.s.x("xwininfo", "-id", self.s.window()).stdout
        self.assertRegex(info, r"Width: 500\n.*Height: 500\n")
        shot = self.s.screenshot()
        self.assertEqual(shot[:2], (500, 500))
        self.assertEqual(pixel(shot, 5, 250), (0, 0, 0))


if __name__ == "__main__":
    unittest.main()
