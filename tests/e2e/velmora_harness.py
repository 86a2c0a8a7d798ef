"""Runs the real velmora program for end-to-end tests.

Each session gets its own Xvfb display, its own working directory laid out
like the build folder, a pseudo-terminal for the console (standard input and
output) and a file for standard error. Tests type lines, wait for the text
they expect, send X events with xdotool and read the window back as pixels.
"""

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
DEADLINE = float(os.environ.get("VELMORA_E2E_DEADLINE", "60"))

_ANSI = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[=>]")


def clean(data):
    """Terminal output as plain text: escape sequences dropped, CR LF as LF."""
    data = _ANSI.sub(b"", data)
    return data.replace(b"\r\n", b"\n").decode("utf-8", "replace")


class Xvfb:
    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as f:
            while not number.endswith(b"\n"):
                chunk = f.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.display = ":" + number.decode().strip()

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def lay_out_runtime(workdir):
    """Copies the runtime files of the build folder (program, plug-ins,
    textures, sample models) into workdir."""
    os.symlink(os.path.abspath(os.path.join(BUILD_DIR, "velmora")), os.path.join(workdir, "velmora"))
    models = os.path.join(BUILD_DIR, "models")
    if os.path.isdir(models):
        shutil.copytree(models, os.path.join(workdir, "models"))
    manifest = os.path.join(BUILD_DIR, "runtime-files.txt")
    if os.path.exists(manifest):
        with open(manifest) as f:
            for name in f.read().split():
                src = os.path.join(BUILD_DIR, name)
                dst = os.path.join(workdir, name)
                if os.path.isdir(src):
                    shutil.copytree(src, dst)
                elif os.path.exists(src):
                    shutil.copy(src, dst)


class Session:
    """One running velmora with its own display and working directory."""

    def __init__(self, stdin_devnull=False, extra_args=()):
        self.xvfb = Xvfb()
        self.workdir = tempfile.mkdtemp(prefix="velmora-e2e-")
        lay_out_runtime(self.workdir)
        self.stderr_path = os.path.join(self.workdir, ".stderr")
        self._out = b""
        self._mark = 0
        self._cond = threading.Condition()
        self.status = None
        env = dict(os.environ)
        env["DISPLAY"] = self.xvfb.display
        env["TERM"] = os.environ.get("VELMORA_E2E_TERM", "dumb")
        env["INPUTRC"] = "/dev/null"
        env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        argv = ["./velmora", *extra_args]
        err = os.open(self.stderr_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        pid, fd = pty.fork()
        if pid == 0:
            try:
                os.chdir(self.workdir)
                os.dup2(err, 2)
                if stdin_devnull:
                    devnull = os.open(os.devnull, os.O_RDONLY)
                    os.dup2(devnull, 0)
                os.execve(argv[0], argv, env)
            finally:
                os._exit(127)
        os.close(err)
        self.pid, self.fd = pid, fd
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    # --- console -----------------------------------------------------------
    def _read(self):
        while True:
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                data = b""
            with self._cond:
                if not data:
                    self._closed = True
                    self._cond.notify_all()
                    return
                self._out += data
                self._cond.notify_all()

    @property
    def output(self):
        with self._cond:
            return clean(self._out)

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def send(self, line):
        """Types a line; later expectations look only at output after it."""
        with self._cond:
            self._mark = len(self._out)
        os.write(self.fd, line.encode() + b"\n")

    def type(self, text):
        with self._cond:
            self._mark = len(self._out)
        os.write(self.fd, text.encode())

    def expect(self, text, timeout=DEADLINE):
        """Waits until text (a string or compiled regex) appears after the
        last send; returns the output since then."""
        end = time.monotonic() + timeout
        with self._cond:
            while True:
                seen = clean(self._out[self._mark:])
                if (text.search(seen) if hasattr(text, "search") else text in seen):
                    return seen
                left = end - time.monotonic()
                if left <= 0 or getattr(self, "_closed", False):
                    raise AssertionError("did not see %r; output since the last line:\n%s\nstderr:\n%s"
                                         % (text, seen, self.stderr()))
                self._cond.wait(min(left, 0.5))

    def command(self, line, until=">"):
        """Runs a line and waits for the next prompt; returns what it printed
        (without the echoed line and the prompt)."""
        self.send(line)
        out = self.expect(re.compile(r"\n>$|\n>\s*$" if until == ">" else re.escape(until)))
        body = out.split("\n", 1)[1] if "\n" in out else ""
        if until == ">" and body.endswith(">"):
            body = body[:-1]
        return body

    def wait_stderr(self, text, timeout=DEADLINE):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if text in self.stderr():
                return
            time.sleep(0.05)
        raise AssertionError("did not see %r on standard error:\n%s" % (text, self.stderr()))

    def wait_file(self, path, timeout=DEADLINE):
        full = os.path.join(self.workdir, path)
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if os.path.exists(full):
                return full
            time.sleep(0.05)
        raise AssertionError("file %s did not appear" % path)

    def wait_exit(self, timeout=DEADLINE):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = status
                return status
            time.sleep(0.05)
        raise AssertionError("the program did not end")

    # --- window ------------------------------------------------------------
    def x(self, *args, check=True):
        env = dict(os.environ, DISPLAY=self.xvfb.display)
        return subprocess.run(list(args), env=env, capture_output=True, text=True, check=check, timeout=DEADLINE)

    def window(self):
        if not hasattr(self, "_window"):
            out = self.x("xdotool", "search", "--sync", "--onlyvisible", "--name", "^Daubry$").stdout.split()
            self._window = out[0]
        return self._window

    def geometry(self):
        out = self.x("xwininfo", "-id", self.window()).stdout
        def field(name):
            return int(re.search(name + r":\s+(-?\d+)", out).group(1))
        return field("Width"), field("Height")

    def screenshot(self):
        """The window's pixels as (width, height, bytes of RGB rows from the top)."""
        data = subprocess.run(["import", "-display", self.xvfb.display, "-window", self.window(),
                               "-depth", "8", "ppm:-"], capture_output=True, check=True, timeout=DEADLINE).stdout
        return parse_ppm(data)

    def pixel(self, shot, x, y):
        w, _, rgb = shot
        i = (y * w + x) * 3
        return tuple(rgb[i:i + 3])

    def wait_for_pixels(self, predicate, timeout=DEADLINE):
        """Takes screenshots until predicate(shot) holds; returns that shot."""
        end = time.monotonic() + timeout
        shot = None
        while time.monotonic() < end:
            shot = self.screenshot()
            if predicate(shot):
                return shot
            time.sleep(0.1)
        raise AssertionError("the window never showed what was expected")

    def key(self, *keys):
        self.x("xdotool", "key", "--window", self.window(), *keys)

    # --- end ---------------------------------------------------------------
    def close(self):
        if self.status is None:
            try:
                os.kill(self.pid, signal.SIGKILL)
                os.waitpid(self.pid, 0)
            except (ProcessLookupError, ChildProcessError):
                pass
        try:
            os.close(self.fd)
        except OSError:
            pass
        self.xvfb.stop()
        errors = self.stderr()
        shutil.rmtree(self.workdir, ignore_errors=True)
        return errors


def value_of(s, name):
    """The current model's attribute as `get` prints it."""
    out = s.command("get " + name)
    m = re.fullmatch(r"  %s: (-?\d+\.\d{6})\n" % re.escape(name), out)
    if not m:
        raise AssertionError("unexpected get output %r" % out)
    return float(m.group(1))


def new_box(s, name):
    """Creates a Boxlet and waits for its first draw; returns its two texture names."""
    s.send("new model Boxlet " + name)
    out = s.expect(re.compile(r"texCoords: <[^>]*>\n"))
    return [int(n) for n in re.search(r"textures: <(\d+),(\d+)>", out).groups()]


def read_bmp(path):
    """(width, height, rows of (r, g, b)), rows in file order (t = 0 first)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"BM"
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        base = offset + y * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x]) for x in range(width)])
    return width, height, rows


def differs(a, b, min_pixels=50):
    """True when at least min_pixels pixels differ between two screenshots."""
    if a[:2] != b[:2]:
        return True
    changed = 0
    ra, rb = a[2], b[2]
    for i in range(0, len(ra), 3):
        if ra[i:i + 3] != rb[i:i + 3]:
            changed += 1
            if changed >= min_pixels:
                return True
    return False


def parse_ppm(data):
    parts = []
    pos = 0
    while len(parts) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        parts.append(data[start:pos])
    assert parts[0] == b"P6", parts[0]
    w, h = int(parts[1]), int(parts[2])
    rgb = data[pos + 1:pos + 1 + w * h * 3]
    return w, h, rgb


class SessionTest(unittest.TestCase):
    """A test case with a fresh program per test; fails the test if the
    sanitizers reported anything on standard error."""

    session_args = {}

    def setUp(self):
        self.s = Session(**self.session_args)
        self.s.expect(">")

    def tearDown(self):
        errors = self.s.close()
        for marker in ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer"):
            self.assertNotIn(marker, errors)
