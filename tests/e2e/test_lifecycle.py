"""How the program starts and ends: lines that arrive before the window is up, quitting at once, signals while
a line is read, and an interrupt signal that was ignored from the start."""

import contextlib
import os
import signal
import termios
import unittest

from velmora_harness import Session

STARTS = 6  # each way of starting; the console used to race the window's set-up
BRUSH = "\n  brush\n"
DEFAULT_BINDINGS = ("current control mappings:\n  a: rotation_x\n  d: rotation_z\n  e: z\n  q: x\n"
                    "  s: rotation_y\n  w: y\n\n")


def stop_display(session):
    os.kill(session.xvfb.pid, signal.SIGSTOP)


def waits_for_a_display(pid):
    """Whether the process has opened a socket (its only one is the display connection), or has ended."""
    with open("/proc/%d/stat" % pid) as f:
        if f.read().rsplit(")", 1)[1].split()[0] == "Z":
            return True
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


def ignore_interrupt(_):
    signal.signal(signal.SIGINT, signal.SIG_IGN)


class Lifecycle(unittest.TestCase):
    @contextlib.contextmanager
    def session(self, typed="", **kwargs):
        s = Session(**kwargs)
        try:
            s.type(typed)
            yield s
        finally:
            s.close()

    def assert_ended(self, s, signum=None):
        """Waits for the end: by signum, or with status 0 when signum is None; nothing on standard error."""
        status = s.wait_exit()
        if signum is None:
            self.assertTrue(os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, "ended with status %r" % status)
        else:
            self.assertTrue(os.WIFSIGNALED(status), "ended with status %r" % status)
            self.assertEqual(signal.Signals(os.WTERMSIG(status)), signum)
        self.assertEqual(s.stderr(), "")

    def test_lines_given_before_start_up_see_the_brush_and_bindings_then_quit(self):
        lines = "list models\nlist controls\n"
        for run in range(STARTS):
            for how in ("typed", "piped"):
                with self.subTest(run=run, how=how):
                    # Typed at once, before any prompt; or piped, where the end of the pipe ends the program.
                    start = dict(typed=lines + "quit\n") if how == "typed" else dict(before_exec=piped(lines))
                    with self.session(**start) as s:
                        s.expect(BRUSH)
                        s.expect(DEFAULT_BINDINGS)
                        self.assert_ended(s, signal.SIGINT)

    def test_nothing_typed_runs_while_the_window_is_being_made(self):
        # A display that does not answer holds start-up in the window's set-up.
        with self.session(typed="list models\nlist controls\nquit\n", before_exec=stop_display) as s:
            try:
                s.wait_until(lambda: waits_for_a_display(s.pid), "the program to connect to the display")
                with self.assertRaises(AssertionError):
                    s.expect(">", timeout=1)
            finally:
                os.kill(s.xvfb.pid, signal.SIGCONT)
            s.expect(BRUSH)
            s.expect(DEFAULT_BINDINGS)
            self.assert_ended(s, signal.SIGINT)

    def test_signals_at_the_prompt_end_the_program_at_once_and_give_the_terminal_back(self):
        for signum, send in ((signal.SIGTERM, None), (signal.SIGHUP, None), (signal.SIGQUIT, None),
                             (signal.SIGINT, "\x03")):
            with self.subTest(signal=signum.name):
                with self.session() as s:
                    before = termios.tcgetattr(s.fd)  # the program is still loading: the terminal is as given
                    self.assertTrue(before[3] & termios.ICANON and before[3] & termios.ECHO)
                    s.expect(">")
                    s.window()
                    self.assertNotEqual(termios.tcgetattr(s.fd), before)  # readline has the terminal now
                    if send:
                        s.type(send)
                    else:
                        os.kill(s.pid, signum)
                    self.assert_ended(s, signum)
                    self.assertEqual(termios.tcgetattr(s.fd), before)

    def test_an_interrupt_signal_ignored_from_the_start_stays_ignored(self):
        with self.session(before_exec=ignore_interrupt) as s:
            s.expect(">")
            s.window()
            s.type("\x03")
            self.assertIn("available commands:", s.command("help"))
            s.send("quit")
            self.assert_ended(s)


if __name__ == "__main__":
    unittest.main()
