"""The real velmora program for end-to-end tests: its own Xvfb, working folder, console pty and standard error file."""

import os
import pty
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time
import unittest

BUILD_DIR = os.environ.get("VELMORA_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
BOXLET = os.path.join(BUILD_DIR, "models", "Boxlet.so")
MODEL_CACHE = os.environ.get("VELMORA_MODEL_CACHE") or os.path.expanduser("~/.cache/velmora/models")
MESH_CACHE = os.environ.get("VELMORA_MESH_CACHE") or os.path.expanduser("~/.cache/velmora/meshes")
SANITIZERS = ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer")
DEADLINE = float(os.environ.get("VELMORA_E2E_DEADLINE", "60"))
_ANSI = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[=>]")
# A line the console blanked with spaces (a dumb terminal's way) to show the window's messages in its place.
_BLANKED = re.compile(rb"[^\n]*\r +\r")


def start_xvfb():
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd, "rb") as f:
        number = f.readline().strip()
    if not number:
        raise RuntimeError("Xvfb did not start")
    return proc, ":" + number.decode()


class Session:
    """One running velmora with its own display and a working directory holding the build's runtime files."""

    def __init__(self, before_exec=None, env=None, args=(), program="./velmora", cwd=None):
        self.env = env or {}  # changes to the program's environment; None removes a variable
        self.args = list(args)  # the command line after the program's name, kept for restarts
        self.program = program  # another program than the working directory's link, started in cwd
        self.xvfb, self.display = start_xvfb()
        self.workdir = tempfile.mkdtemp(prefix="velmora-e2e-")
        self.cwd = cwd or self.workdir
        os.symlink(os.path.abspath(os.path.join(BUILD_DIR, "velmora")), os.path.join(self.workdir, "velmora"))
        with open(os.path.join(BUILD_DIR, "runtime-files.txt")) as f:
            for name in ["models"] + f.read().split():
                src, dst = os.path.join(BUILD_DIR, name), os.path.join(self.workdir, name)
                if os.path.isdir(src):
                    shutil.copytree(src, dst)
                elif os.path.exists(src):
                    shutil.copy(src, dst)
        self.stderr_path = os.path.join(self.workdir, ".stderr")
        # Recovery journals go to the session's own state folder, never the user's.
        self.state_home = os.path.join(self.workdir, ".state")
        self._spawn(before_exec, os.O_TRUNC)

    def _spawn(self, before_exec=None, stderr_mode=os.O_APPEND):
        self._out, self._mark, self._closed, self.status = b"", 0, False, None
        self._cond = threading.Condition()
        env = dict(os.environ, DISPLAY=self.display, TERM="dumb", INPUTRC="/dev/null", XDG_STATE_HOME=self.state_home)
        env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        env.update(self.env)
        env = {k: v for k, v in env.items() if v is not None}
        err = os.open(self.stderr_path, os.O_WRONLY | os.O_CREAT | stderr_mode, 0o644)
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            try:
                os.chdir(self.cwd)
                os.dup2(err, 2)
                if before_exec:
                    before_exec(self)  # in the child: its input, its signal dispositions, the display
                os.execve(self.program, [self.program] + self.args, env)
            finally:
                os._exit(127)
        os.close(err)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def restart(self, sig=signal.SIGKILL):
        """Ends the program with sig (unless it has ended) and starts it again in the same folder and display."""
        if self.status is None:
            os.kill(self.pid, sig)
            self.wait_exit()
        self._reader.join(DEADLINE)  # the ended program's output is all read before the next one's
        os.close(self.fd)
        self.__dict__.pop("_window", None)  # the new program opens a window of its own
        self._spawn()

    def _read(self):
        data = True
        while data:
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                data = b""
            with self._cond:
                self._closed = not data
                self._out += data
                self._cond.notify_all()

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def type(self, text):
        """Types text; later expectations look only at output after it."""
        with self._cond:
            self._mark = len(self._out)
        os.write(self.fd, text.encode())

    def send(self, line):
        self.type(line + "\n")

    def expect(self, text, timeout=DEADLINE):
        """Waits for text (a string or regex) in the plain output since the last line typed; returns that output."""
        end = time.monotonic() + timeout
        with self._cond:
            while True:
                seen = _BLANKED.sub(b"", _ANSI.sub(b"", self._out[self._mark:]).replace(b"\r\n", b"\n"))
                seen = seen.decode("utf-8", "replace")
                if text.search(seen) if hasattr(text, "search") else text in seen:
                    return seen
                if time.monotonic() >= end or self._closed:
                    raise AssertionError("did not see %r; output since the last line:\n%s\nstderr:\n%s"
                                         % (text, seen, self.stderr()))
                self._cond.wait(0.5)

    def command(self, line):
        """Runs a line and returns what it printed before the next prompt (without its echo)."""
        self.send(line)
        return self.expect(re.compile(r"\n>\s*$")).split("\n", 1)[1].rstrip(" ")[:-1]

    def quietly(self, *lines):
        """Runs lines that must print nothing."""
        for line in lines:
            out = self.command(line)
            if out:
                raise AssertionError("%r printed %r" % (line, out))

    def wait_until(self, predicate, what, timeout=DEADLINE):
        result = poll(predicate, timeout)
        if not result:
            raise AssertionError("timed out waiting for " + what)
        return result

    def wait_stderr(self, text):
        self.wait_until(lambda: text in self.stderr(), "%r on standard error:\n%s" % (text, self.stderr()))

    def wait_file(self, name):
        path = os.path.join(self.workdir, name)
        return self.wait_until(lambda: os.path.exists(path) and path, "file " + name)

    def ended(self):
        """Whether the program has ended; its wait status is then in status."""
        if self.status is None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            self.status = status if pid else None
        return self.status is not None

    def wait_exit(self):
        self.wait_until(self.ended, "the program to end")
        return self.status

    def x(self, *args):
        return subprocess.run(list(args), env=dict(os.environ, DISPLAY=self.display), capture_output=True,
                              text=True, check=True, timeout=DEADLINE)

    def window(self):
        if not hasattr(self, "_window"):
            self._window = self.x("xdotool", "search", "--sync", "--onlyvisible", "--name", "^Daubry$").stdout.split()[0]
        return self._window

    def key(self, *keys):
        self.x("xdotool", "key", "--window", self.window(), *keys)

    def screenshot(self):
        """The window as (width, height, RGB bytes of rows from the top)."""
        return ppm(["import", "-display", self.display, "-window", self.window()])

    def settled(self):
        """The window once two screenshots in a row agree, after a frame showing what the console changed."""
        self.frames(1)
        shots = [self.screenshot()]

        def same():
            shots.append(self.screenshot())
            return shots[-1][2] == shots[-2][2]
        self.wait_until(same, "the window to settle")
        return shots[-1]

    def frames(self, count):
        """Waits until the window has drawn count frames after this call (a screenshot waits for a frame of its own)."""
        for _ in range(count):
            out = self.command("save screenshot .frame.bmp")
            if not out.startswith("saved screenshot"):
                raise AssertionError("no frame: " + out)

    def drag(self, points, button=1):
        """Drags through points; each move (which must change the picture) goes out once the window shows the last."""
        w = self.window()
        before = self.settled()  # whatever the console changed before is drawn and shown
        x, y = points[0]
        self.x("xdotool", "mousemove", "--window", w, str(x), str(y), "mousedown", str(button))
        for x, y in points[1:]:
            self.x("xdotool", "mousemove", "--window", w, str(x), str(y))
            before = self.wait_for_pixels(lambda shot, last=before: differs(shot, last, 1))
        self.x("xdotool", "mouseup", str(button))

    def brush_only(self):
        """The first picture that shows the brush (many colours), before any model."""
        return self.wait_for_pixels(lambda shot: len(colours(shot, step=5)) > 10)

    def wait_for_pixels(self, predicate):
        """Takes screenshots until predicate(shot) holds; returns that shot."""
        shots = []

        def check():
            shots[:] = [self.screenshot()]
            return predicate(shots[0])
        self.wait_until(check, "the window to show what was expected")
        return shots[0]

    def close(self):
        """Ends the program and its display (once); returns its standard error."""
        if not hasattr(self, "errors"):
            if self.status is None:
                os.kill(self.pid, signal.SIGKILL)
                os.waitpid(self.pid, 0)
            os.close(self.fd)
            self.xvfb.terminate()
            self.xvfb.wait(10)
            self.errors = self.stderr()
            shutil.rmtree(self.workdir, ignore_errors=True)
        return self.errors


def ppm(command):
    """(width, height, RGB bytes of rows from the top) of the picture an ImageMagick command writes."""
    data = subprocess.run(command + ["-depth", "8", "ppm:-"], capture_output=True, check=True, timeout=DEADLINE).stdout
    magic, w, h, _, rgb = data.split(maxsplit=4)
    assert magic == b"P6"
    return int(w), int(h), rgb


def how_ended(status):
    """The name of the signal that ended a process, or its exit status as "exit N"."""
    return signal.Signals(os.WTERMSIG(status)).name if os.WIFSIGNALED(status) else "exit %d" % os.WEXITSTATUS(status)


def poll(predicate, timeout=DEADLINE):
    """predicate's first true result within timeout seconds, or None."""
    end = time.monotonic() + timeout
    while True:
        result = predicate()
        if result or time.monotonic() >= end:
            return result or None
        time.sleep(0.05)


def difference(a, b, shown=5):
    """"" when a and b (both bytes, or both read_bmp pictures) are equal, else their sizes and first differences."""
    if isinstance(a, tuple):
        if a[:2] != b[:2]:
            return "sizes %dx%d and %dx%d" % (a[:2] + b[:2])
        size = "%dx%d texels" % a[:2]
        cells = [("(%d, %d)" % (x, y), p, q) for y, (row_a, row_b) in enumerate(zip(a[2], b[2]))
                 for x, (p, q) in enumerate(zip(row_a, row_b)) if p != q]
    else:
        size = "%d bytes" % len(a) if len(a) == len(b) else "sizes %d and %d bytes" % (len(a), len(b))
        cells = [] if a == b else [(str(i), "0x%02x" % p, "0x%02x" % q) for i, (p, q) in enumerate(zip(a, b)) if p != q]
    if not cells and len(a) == len(b):
        return ""
    return "%s, %d differ%s" % (size, len(cells), "".join(", at %s: %s != %s" % c for c in cells[:shown]))


def pixel(shot, x, y):
    i = (y * shot[0] + x) * 3
    return tuple(shot[2][i:i + 3])


def changed_in(a, b, x0=0, y0=0, x1=None, y1=None):
    """How many pixels of the rectangle [x0, x1) x [y0, y1) (the whole window by default) differ."""
    return sum(1 for y in range(y0, a[1] if y1 is None else y1) for x in range(x0, a[0] if x1 is None else x1)
               if pixel(a, x, y) != pixel(b, x, y))


def colours(shot, x0=0, y0=0, x1=None, y1=None, step=2):
    """The distinct colours of a rectangle of the window (the whole window by default), every step pixels."""
    return {pixel(shot, x, y) for y in range(y0, y1 or shot[1], step) for x in range(x0, x1 or shot[0], step)}


def differs(a, b, min_pixels=50):
    return changed_in(a, b) >= min_pixels


def value_of(s, name):
    """The current model's attribute as `get` prints it."""
    out = s.command("get " + name)
    m = re.fullmatch(r"  %s: (-?\d+\.\d{6})\n" % re.escape(name), out)
    if not m:
        raise AssertionError("unexpected get output %r" % out)
    return float(m.group(1))


def new_box(s, name):
    """Creates a Boxlet, waits for its first draw; returns its texture names."""
    s.send("new model Boxlet " + name)
    out = s.expect(re.compile(r"texCoords: <[^>]*>\n"))
    return [int(n) for n in re.search(r"textures: <(\d+),(\d+)>", out).groups()]


def read_bmp(path):
    """(width, height, rows of (r, g, b)), rows in file order (bottom first)."""
    with open(path, "rb") as f:
        data = f.read()
    offset, (width, height) = struct.unpack_from("<I", data, 10)[0], struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    return width, height, [[tuple(data[offset + y * stride + 3 * x:offset + y * stride + 3 * x + 3][::-1])
                            for x in range(width)] for y in range(height)]


class Sessions(unittest.TestCase):
    """Tests starting their own programs, each closed afterwards; a sanitizer report on its standard error fails."""

    def session(self, **kwargs):
        s = Session(**kwargs)
        self.addCleanup(lambda: self.assertEqual([m for m in SANITIZERS if m in s.close()], []))
        return s

    def assertSame(self, a, b, what):
        """a and b (bytes or pictures) are equal; a failure shows sizes and first differences, not the contents."""
        d = difference(a, b)
        if d:
            self.fail("%s: %s" % (what, d))

    def assertDiffer(self, a, b, what):
        if not difference(a, b):
            self.fail("%s: both are the same %d bytes" % (what, len(a)) if isinstance(a, bytes) else what + ": equal")


class SessionTest(Sessions):
    """A fresh program per test, at its prompt."""

    def setUp(self):
        self.s = self.session()
        self.s.expect(">")
