"""Runs the ThreadSanitizer build (from VELMORA_BUILD_DIR) typing random commands against random window input, killing
and recovering it now and then. Fails on any ThreadSanitizer report, a crash, an unrecoverable journal, or a console or
window that stops answering. The printed seed replays the same commands and input, not their interleaving."""

import argparse
import glob
import os
import random
import re
import signal
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_ROOT, "tests", "e2e"))

DEADLINE = 120.0  # no answer from the console, or no new frame, for this long counts as stopped
PROBE_EVERY = 10.0
KILL_EVERY = 30.0
os.environ["LP_NUM_THREADS"] = "0"  # Mesa's own workers hand off work in ways ThreadSanitizer cannot see
os.environ["TSAN_OPTIONS"] = "halt_on_error=0:history_size=7:second_deadlock_stack=1"
os.environ.setdefault("VELMORA_E2E_DEADLINE", str(DEADLINE))

from velmora_harness import Session, differs, how_ended, poll  # noqa: E402

BOXES = ["box0", "box1", "box2"]
KEYFORMS = ["cottage", "./cottage"]
MODELS = BOXES + KEYFORMS + ["brush", "nosuch"]
POSES = ["p0", "p1", "p2"]
SCRIPTS = ["s0", "s1", "s2"]
ATTRS = ["x", "y", "z", "red", "green", "blue", "dim1", "solid_dim1", "opacity", "diffuse1_red", "nosuch"]
SKIN_FILES = ["tiles.bmp", "tiles2.bmp", "cottage/skin.bmp", "scratch/s0.bmp", "scratch/s1.bmp", "scratch/none.bmp"]
XML_FILES = ["scratch/a.xml", "scratch/b.xml", "scratch/none.xml"]
LISTS = ["models", "classes", "params", "scripts", "poses", "controls", "commands"]
TOGGLES = ["handles", "gamemode", "fps", "pos", "painting"]
TSAN_REPORT = re.compile(r"^={18}\nWARNING: ThreadSanitizer:.*?^={18}$\n?", re.M | re.S)


class Commands:
    """Random console lines, weighted towards what makes the threads meet: models, animations and painting."""

    def __init__(self, rng):
        self.r = rng
        c = rng.choice
        num = self.number
        self.forms = [
            (6, lambda: "new model Boxlet " + c(BOXES)),
            (2, lambda: "new model Keyform " + c(KEYFORMS)),
            (4, lambda: "delete " + c(MODELS)),
            (10, lambda: "select model " + c(MODELS)),
            (10, lambda: "set %s %s" % (c(ATTRS), num(-3, 3))),
            (4, lambda: "get " + c(ATTRS + ["all"])),
            (2, lambda: "set control_step " + num(0.1, 2)),
            (2, lambda: "set %s %s %s %s" % (c(["background_color", "handle_color"]), num(0, 1), num(0, 1),
                                             num(0, 255))),
            (4, lambda: "new pose " + c(POSES)),
            (2, lambda: "new script " + c(SCRIPTS)),
            (2, lambda: "select script " + c(SCRIPTS)),
            (4, lambda: "add %s %d %s" % (c(POSES), self.r.randint(1, 40), c(["", "linear", "sin"]))),
            (4, lambda: "animate " + c(SCRIPTS)),
            (2, lambda: "animate %s:%s %s:%s" % (c(MODELS), c(SCRIPTS), c(MODELS), c(SCRIPTS))),
            (3, lambda: "animate %s %d %s" % (c(POSES), self.r.randint(1, 60), c(["", "sin"]))),
            (2, lambda: "speed_control %s x y z %s %s" % (c(SCRIPTS), num(0, 0.5), num(0, 0.5))),
            (4, lambda: "toggle " + c(TOGGLES)),
            (4, lambda: "paint " + c(["", c(MODELS)])),
            (2, lambda: "load skin %d %s" % (self.r.randint(0, 3), c(SKIN_FILES))),
            (2, lambda: "save skin %d %s" % (self.r.randint(0, 3), c(SKIN_FILES[3:]))),
            (1, lambda: "save skins"),
            (2, lambda: "load attributes %s%s" % (c(["", c(MODELS) + ":"]), c(XML_FILES))),
            (2, lambda: "save attributes " + c(XML_FILES[:2])),
            (3, lambda: "list " + c(LISTS)),
            (1, lambda: "new binding %s %s" % (c("rtfgvbn"), c(ATTRS))),
            (1, lambda: "select control Default"),
            (1, lambda: "help"),
            (1, lambda: "loadclass ./models/Boxlet.so"),
            (1, lambda: "exec scratch/cmds.txt"),
            (1, lambda: c(["recover", "recover discard"])),
            (3, self.playable_script),
            # Brings the brush back to the middle of the scene, where the window's drags look for it.
            (2, lambda: "select model brush\nset x 0\nset y 0\nset z %s\nselect model %s" % (num(0.8, 1.2),
                                                                                        c(BOXES))),
        ]

    def playable_script(self):
        """A script the current model can play and re-time: poses along a path, three steps, then either."""
        r, num, name = self.r, self.number, self.r.choice(SCRIPTS)
        lines = ["set %s %s\nnew pose %s" % (a, num(-3, 3), p) for a, p in zip("xyz", POSES)]
        lines += ["new script " + name] + ["add %s %d %s" % (p, r.randint(5, 40), r.choice(["", "sin"])) for p in POSES]
        lines.append(r.choice(["animate " + name, "speed_control %s x y z %s %s" % (name, num(0, 0.5), num(0, 0.5))]))
        return "\n".join(lines)

    def number(self, lo, hi):
        return "%.2f" % self.r.uniform(lo, hi)

    def line(self):
        return self.r.choices([make for _, make in self.forms], [weight for weight, _ in self.forms])[0]()


class WindowInput(threading.Thread):
    """Random keys, left drags (from the brush in the middle, the empty sides, anywhere) and right clicks."""

    KEYS = list("qQwWeEaAsSdDrRtT1") + ["comma"]

    def __init__(self, session, rng):
        super().__init__(daemon=True)
        self.s, self.r = session, rng
        self.stop = threading.Event()
        self.running = threading.Event()  # cleared while the program is being killed and started again
        self.running.set()
        self.idle = threading.Event()  # set while paused between actions
        self.lock = threading.Lock()
        self.shift = {"x": 0, "y": 0, "z": 0}  # scene moves sent, to send back now and then
        self.actions = 0
        self.error = None

    def scene_keys(self, keys):
        with self.lock:
            for k in keys:
                self.shift[k.lower()] += 1 if k.isupper() else -1
        self.s.key(*keys)

    def drag(self, start, steps):
        w = self.s.window()
        x, y = start
        args = ["xdotool", "mousemove", "--window", w, str(x), str(y), "mousedown", "1"]
        for _ in range(steps):
            x += self.r.randint(-25, 25)
            y += self.r.randint(-25, 25)
            args += ["mousemove", "--window", w, str(min(max(x, 1), 498)), str(min(max(y, 1), 498))]
        self.s.x(*args, "mouseup", "1")

    def act(self):
        r = self.r
        what = r.random()
        if what < 0.35:
            self.s.key(*[r.choice(self.KEYS) for _ in range(r.randint(1, 3))])
        elif what < 0.5:
            self.scene_keys([r.choice("xXyYzZ") for _ in range(r.randint(1, 3))])
        elif what < 0.75:
            self.drag((250 + r.randint(-6, 6), 250 + r.randint(-6, 6)), r.randint(2, 8))
        elif what < 0.82:
            self.drag((r.choice([r.randint(5, 60), r.randint(440, 495)]), r.randint(5, 495)), r.randint(2, 8))
        elif what < 0.87:  # anywhere: now and then on a handle
            self.drag((r.randint(100, 400), r.randint(100, 400)), r.randint(2, 8))
        elif what < 0.95:
            self.s.x("xdotool", "mousemove", "--window", self.s.window(), str(r.randint(1, 498)),
                     str(r.randint(1, 498)), "click", "3")
        else:
            with self.lock:
                back = [(k.upper() if n < 0 else k) for k, n in self.shift.items() for _ in range(abs(n))]
            if back:
                self.scene_keys(back)

    def run(self):
        try:
            while not self.stop.is_set():
                if not self.running.is_set():
                    self.idle.set()
                    self.running.wait(0.1)
                    continue
                self.idle.clear()
                self.act()
                self.actions += 1
                time.sleep(self.r.uniform(0, 0.08))  # jitter, not a wait: nothing is expected to have happened
        except Exception as e:  # the window went away or xdotool hung: the main thread reports it
            self.error = e


class Stress:
    def __init__(self, seconds, seed):
        self.seconds, self.seed = seconds, seed
        self.sent = []
        self.pings = 0
        self.kills = self.recovered = 0
        self.pos_shown = False
        self.s = Session()
        os.mkdir(os.path.join(self.s.workdir, "scratch"))
        cmds = Commands(random.Random(seed ^ 0x5eed))
        lines = [cmds.line() for _ in range(12)]
        with open(os.path.join(self.s.workdir, "scratch", "cmds.txt"), "w") as f:
            f.write("\n".join(x for x in lines if not x.startswith("exec")) + "\n")
        self.commands = Commands(random.Random(seed))
        self.input = WindowInput(self.s, random.Random(seed + 1))

    def run_line(self, line):
        """Types a line and waits until the console has run it: a marker command after it must answer."""
        self.pings += 1
        marker = "command not found: ping%d\n" % self.pings
        self.sent.append(line)
        self.s.type("%s\nping%d\n" % (line, self.pings))
        out = self.s.expect(marker, timeout=DEADLINE)
        if "pos enabled" in out or "pos disabled" in out:
            self.pos_shown = out.rfind("pos enabled") > out.rfind("pos disabled")
        return out

    def kill_and_restart(self):
        """SIGKILL (mostly after the journal caught up), restart and `recover`: whatever a kill leaves must recover."""
        journals = os.path.join(self.s.state_home, "velmora", "recovery", "run-*", "*.vpj")
        self.run_line("paint")
        if self.commands.r.random() < 0.7:
            poll(lambda: glob.glob(journals), 8.0)  # none when the brush was away from every paintable model
            self.run_line("paint")
        self.input.running.clear()
        poll(lambda: self.input.idle.is_set() or self.input.error, DEADLINE)
        self.sent.append("(SIGKILL and restart)")
        self.kills += 1
        self.s.restart(signal.SIGKILL)
        start = self.s.expect(">", timeout=DEADLINE)
        if "recover" in start:
            out = self.run_line("recover")
            if "damaged" in out or "could not" in out:
                raise AssertionError("paint left by a kill was not recovered:\n" + out)
            self.recovered += 1
        self.pos_shown = False
        self.run_line("select model brush")
        self.input.running.set()

    def probe_window(self):
        """The window still draws: with the position text shown, moving the scene changes the picture."""
        if not self.pos_shown:
            self.run_line("toggle pos")
        before = self.s.screenshot()
        self.input.scene_keys(["X"])
        self.s.wait_until(lambda: differs(self.s.screenshot(), before, 1), "the window to draw a new frame",
                          timeout=DEADLINE)

    def drive(self):
        self.run_line("select model brush")
        self.input.start()
        end = next_probe = next_kill = time.monotonic()
        end += self.seconds
        next_kill += KILL_EVERY * self.commands.r.uniform(0.5, 1.5)
        while time.monotonic() < end:
            self.run_line(self.commands.line())
            if self.input.error:
                raise AssertionError("window input failed: %s" % self.input.error)
            if time.monotonic() >= next_kill and time.monotonic() + PROBE_EVERY < end:
                self.kill_and_restart()
                next_kill = time.monotonic() + KILL_EVERY * self.commands.r.uniform(0.5, 1.5)
            if time.monotonic() >= next_probe:
                self.probe_window()
                next_probe = time.monotonic() + PROBE_EVERY
        self.probe_window()

    def finish(self):
        """Quits while the window is still busy with input; the program must end as quit always ends it."""
        self.s.type("quit\n")
        poll(self.s.ended, DEADLINE)
        self.input.stop.set()
        self.input.join(DEADLINE)
        if not self.s.ended():
            raise AssertionError("the program did not end after quit")
        self.check_status()

    def check_status(self):
        if how_ended(self.s.status) not in ("SIGINT", "exit 0"):
            raise AssertionError("the program ended by " + how_ended(self.s.status))

    def stacks(self):
        """Every thread's stack of a program that stopped answering, for the report."""
        try:
            return subprocess.run(["gdb", "-batch", "-p", str(self.s.pid), "-ex", "thread apply all bt"],
                                  capture_output=True, text=True, timeout=60).stdout
        except Exception as e:
            return "(no stacks: %s)" % e


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("seconds", nargs="?", type=float, default=60.0)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1 << 32)
    print("stress: seed %d, %g seconds (replay with --seed %d)" % (seed, args.seconds, seed), flush=True)

    run = Stress(args.seconds, seed)
    problem, started = None, time.monotonic()
    try:
        run.s.expect(">", timeout=DEADLINE)
        run.drive()
        run.finish()
    except Exception as e:  # a missed answer, a failed xdotool or screenshot: the program is looked at
        what = str(e).split("\nstderr:\n")[0]
        if not poll(run.s.ended, 5.0):
            problem = "stopped answering: %s\nthread stacks:\n%s" % (what, run.stacks())
        else:
            try:
                run.check_status()
                problem = "ended early: %s" % what
            except AssertionError as ended:
                problem = "crashed (%s): %s" % (ended, what)
    finally:
        run.input.stop.set()
        errors = run.s.close()

    failing = TSAN_REPORT.findall(errors)
    print("stress: %d console lines, %d window actions, %d kills (%d with paint recovered) in %.0f s" % (
        len(run.sent), run.input.actions, run.kills, run.recovered, time.monotonic() - started))
    for report in failing:
        print(report, end="")
    if not problem and any(word in errors for word in ("ERROR: ThreadSanitizer", "FATAL: ThreadSanitizer",
                                                       "ThreadSanitizer: CHECK failed")):
        problem = "was stopped by ThreadSanitizer"
    if problem:
        print("stress: the program " + problem)
        other = [line for line in TSAN_REPORT.sub("", errors).splitlines() if line.strip()]
        print("stress: standard error besides the reports (last lines):\n  " + "\n  ".join(other[-30:]))
        print("stress: last console lines:\n  " + "\n  ".join(run.sent[-15:]))
    if failing or problem:
        print("stress: FAILED (%d race report(s) to fix); replay with --seed %d" % (len(failing), seed))
        return 1
    print("stress: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
