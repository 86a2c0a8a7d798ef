"""How the program starts and ends: command line, early input, quitting and signals."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import termios
import unittest

from velmora_harness import BUILD_DIR, DEADLINE, MESH_CACHE, MODEL_CACHE, Sessions, how_ended

STARTS = 6  # each way of starting; the console used to race the window's set-up
BRUSH = "\n  brush\n"
DEFAULT_BINDINGS = ("current control mappings:\n  a: rotation_x\n  d: rotation_z\n  e: z\n  q: x\n"
                    "  s: rotation_y\n  w: y\n\n")
SYDNEY = os.path.join(MODEL_CACHE, "sydney")
SPIDER = os.path.join(MESH_CACHE, "obj-spider", "spider.obj")
USAGE = "usage: velmora [options] [model ...]\n"


def waits_for_a_display(pid):
    """Whether the process has opened a socket (its only one is the display connection)."""
    fds = "/proc/%d/fd" % pid
    for fd in os.listdir(fds):
        try:
            if os.readlink(os.path.join(fds, fd)).startswith("socket:"):
                return True
        except FileNotFoundError:  # closed between the listing and the look
            continue
    return False


def piped(text):
    """A before_exec hook giving the program text on a pipe as its standard input."""
    def setup(_):
        read_end, write_end = os.pipe()
        os.write(write_end, text.encode())
        os.close(write_end)
        os.dup2(read_end, 0)
    return setup


class Lifecycle(Sessions):
    def assert_ended(self, s, how="SIGINT", errors=""):
        """Waits for the end, by a signal's name or "exit N"; errors is all standard error says."""
        self.assertEqual(how_ended(s.wait_exit()), how)
        self.assertEqual(s.stderr(), errors)  # nothing torn down under a running frame

    def test_lines_given_before_start_up_see_the_brush_and_bindings_then_quit(self):
        lines = "list models\nlist controls\n"
        for run in range(STARTS):
            for how in ("typed", "piped"):
                with self.subTest(run=run, how=how):
                    # Typed at once, before any prompt; or piped, where the end of the pipe ends the program.
                    s = self.session(before_exec=None if how == "typed" else piped(lines))
                    if how == "typed":
                        s.type(lines + "quit\n")
                    s.expect(BRUSH)
                    s.expect(DEFAULT_BINDINGS)
                    self.assert_ended(s)
                    s.close()

    def test_nothing_typed_runs_while_the_window_is_being_made(self):
        # A display that does not answer holds start-up in the window's set-up.
        s = self.session(before_exec=lambda session: os.kill(session.xvfb.pid, signal.SIGSTOP))
        s.type("list models\nlist controls\nquit\n")
        try:
            s.wait_until(lambda: waits_for_a_display(s.pid), "the program to connect to the display")
            with self.assertRaises(AssertionError):
                s.expect(">", timeout=1)
        finally:
            os.kill(s.xvfb.pid, signal.SIGCONT)
        s.expect(BRUSH)
        s.expect(DEFAULT_BINDINGS)
        self.assert_ended(s)

    def test_quitting_and_signals_at_the_prompt_end_the_program_at_once_and_give_the_terminal_back(self):
        for ending, how in ((signal.SIGTERM, "SIGTERM"), (signal.SIGHUP, "SIGHUP"), (signal.SIGQUIT, "SIGQUIT"),
                            ("\x03", "SIGINT"), ("quit\n", "SIGINT"), ("exit now please\n", "SIGINT"),
                            ("\x04", "SIGINT")):
            with self.subTest(ending=ending):
                s = self.session()
                before = termios.tcgetattr(s.fd)  # the program is still loading: the terminal is as given
                self.assertTrue(before[3] & termios.ICANON and before[3] & termios.ECHO)
                s.expect(">")
                s.window()  # the window is up and the event loop running
                self.assertNotEqual(termios.tcgetattr(s.fd), before)  # readline has the terminal now
                if isinstance(ending, str):
                    s.type(ending)
                else:
                    os.kill(s.pid, ending)
                self.assert_ended(s, how)
                self.assertEqual(termios.tcgetattr(s.fd), before)
                s.close()

    def test_losing_the_display_while_a_line_is_read_ends_by_interrupt(self):
        # The window thread exits while readline, with its own handler on the signal, waits for a line.
        s = self.session()
        s.expect(">")
        s.window()
        s.xvfb.terminate()
        s.xvfb.wait()
        self.assert_ended(s, errors="X connection to %s broken (explicit kill or server shutdown).\r\n" % s.display)

    def test_an_interrupt_signal_ignored_from_the_start_stays_ignored(self):
        s = self.session(before_exec=lambda _: signal.signal(signal.SIGINT, signal.SIG_IGN))
        s.expect(">")
        s.window()
        s.type("\x03")
        self.assertIn("available commands:", s.command("help"))
        s.send("quit")
        self.assert_ended(s, "exit 0")


class CommandLine(Sessions):
    def test_help_version_and_bad_options_end_with_their_status_before_a_display_is_needed(self):
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        for args, status, out, err in [
            (["--help"], 0, USAGE, ""),
            (["--bogus"], 2, "", "velmora: unknown option '--bogus'\n" + USAGE),
        ]:
            run = subprocess.run([os.path.join(BUILD_DIR, "velmora")] + args, capture_output=True, text=True, env=env,
                                 timeout=DEADLINE)
            self.assertEqual((run.returncode, run.stderr), (status, err), args)
            self.assertTrue(run.stdout.startswith(out) and (out or not run.stdout), (args, run.stdout[:200]))

    @unittest.skipUnless(os.path.isdir(SYDNEY), "needs the cached sydney model (scripts/fetch-models.sh)")
    def test_models_open_in_order_the_last_current_then_the_files_run(self):
        # The mesh goes first so that the MD2 folder, whose scripts show, is the current one at the end.
        models = ([SPIDER] if os.path.isfile(SPIDER) else []) + [SYDNEY, "no-such-model"]
        folder = tempfile.mkdtemp(prefix="velmora-cli-")
        self.addCleanup(shutil.rmtree, folder, True)
        with open(os.path.join(folder, "cmds.txt"), "w") as f:
            f.write("list models\nlist scripts\n")
        s = self.session(args=["--headless", *models, "-e", os.path.join(folder, "cmds.txt")])
        out = s.expect(re.compile(r"\n>"))  # what the -e file printed comes before the first prompt
        self.assertIn("".join("  %s\n" % name for name in sorted(models[:-1] + ["brush"])), out)
        self.assertRegex(out, r"  stand\n  taunt\n  wave\n")
        s.wait_stderr("no-such-model: not a model Velmora can open\n")
        # The path no class opens is the first failure of the run, so a headless run ends with status 1.
        s.send("quit")
        self.assertEqual(how_ended(s.wait_exit()), "exit 1")
        self.assertIn("velmora: first failing command (command line): no-such-model\n", s.stderr())


if __name__ == "__main__":
    unittest.main()
