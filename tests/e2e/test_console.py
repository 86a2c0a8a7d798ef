"""The console in the real program: line splitting, help, exec, completion, and how the process ends."""

import os
import re
import signal
import unittest

from velmora_harness import Session, SessionTest

COMMANDS = ["add", "animate", "delete", "exec", "exit", "get", "help", "list", "load", "loadclass", "new", "paint",
            "pick", "quit", "recover", "redo", "save", "select", "set", "speed_control", "toggle", "undo"]
HELP = ("available commands:\n" + "".join(c + ", " for c in COMMANDS) + "\n"
        "save screenshot <file.png|file.bmp> writes what the window shows\n"
        "pick sets the brush's colour from the skin under its centre (Shift+click: under the cursor)\n"
        "recover [discard] restores (or drops) paint a run that ended without saving left behind\n")


class ConsoleLines(SessionTest):
    def test_lines_are_split_at_blanks_and_commands_matched_exactly(self):
        self.assertEqual(self.s.command("help"), HELP)
        self.assertEqual(self.s.command(" \t help\t"), HELP)
        self.assertEqual(self.s.command("help 1 2 3 4 5 6 7 8 9 10 11 12"), HELP)
        self.assertEqual(self.s.command("   "), "")
        self.assertEqual(self.s.command("Help"), "command not found: Help\n")

    def test_exec_skips_overlong_lines_and_refuses_runaway_nesting(self):
        for name, text in (("self.txt", "exec self.txt\nhelp\n"), ("cmds.txt", "help\n" + "x" * 299 + "\nhelp")):
            with open(os.path.join(self.s.workdir, name), "w") as f:
                f.write(text)
        self.assertEqual(self.s.command("exec self.txt"),
                         "exec: too many nested files, not running 'self.txt'\n" + HELP * 16)
        # The nesting count has unwound; a 300-character line is skipped whole, and the last line needs no
        # newline.
        self.assertEqual(self.s.command("exec cmds.txt"),
                         HELP + "exec: line 2 of 'cmds.txt' is too long, skipped\n" + HELP)
        self.assertEqual(self.s.command("exec no-such-file.txt"), "")
        self.s.wait_stderr("error executing file: No such file or directory\n")
        self.assertEqual(self.s.command("exec models"), "")
        self.s.wait_stderr("error executing file: Is a directory\n")

    def test_tab_completes_command_names(self):
        self.s.type("lo\t")
        self.s.expect("load")
        # readline lists the choices on a repeated Tab once the common prefix is in.
        for _ in range(3):
            self.s.type("\t")
            try:
                seen = self.s.expect(re.compile(r"load\s+loadclass\s"), timeout=3)
                break
            except AssertionError:
                seen = ""
        self.assertRegex(seen, r"load\s+loadclass\s")
        self.assertNotIn("list", seen)
        self.s.expect(re.compile(r"\n>load"))  # the line is shown again under the list: let it pass first
        self.s.type("\x15\t\t")  # an empty line offers every command
        seen = self.s.expect(re.compile(r"toggle[\s\S]*\n>"))
        self.assertEqual(sorted(re.findall(r"[a-z_]+", seen)), COMMANDS)
        self.assertEqual(self.s.command("\x15he\t"), HELP)

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


class Ending(unittest.TestCase):
    def run_until_end(self, finish, expected_errors="", **kwargs):
        s = Session(**kwargs)
        try:
            if not kwargs.get("stdin_devnull"):
                s.expect(">")
                s.window()  # the window is up and the event loop running
            finish(s)
            status = s.wait_exit()
        finally:
            errors = s.close()
            expected_errors = expected_errors.format(display=s.display)
        self.assertTrue(os.WIFSIGNALED(status), "ended with status %r" % status)
        self.assertEqual(os.WTERMSIG(status), signal.SIGINT)
        self.assertEqual(errors, expected_errors)  # nothing torn down under a running frame

    def test_quit_exit_and_end_of_input_end_by_interrupt(self):
        for finish in ("quit\n", "exit now please\n", "\x04"):
            with self.subTest(finish=finish):
                self.run_until_end(lambda s: s.type(finish))

    def test_losing_the_display_while_a_line_is_read_ends_by_interrupt(self):
        # The window thread exits while readline, with its own handler on the
        # signal, waits for a line: the exit must still end by the signal.
        def kill_display(s):
            s.xvfb.terminate()
            s.xvfb.wait()
        self.run_until_end(kill_display, "X connection to {display} broken (explicit kill or server shutdown).\r\n")

    def test_closed_input_ends_by_interrupt(self):
        self.run_until_end(lambda s: None, stdin_devnull=True)


if __name__ == "__main__":
    unittest.main()
