#!/usr/bin/env python3
"""Times Velmora without a window against Velmora in a GLUT window under Xvfb, the same build both ways:
  start-up: from starting the program to its first prompt (the first frame is drawn before the prompt);
  command file: a file that turns a cube and a figure and saves a screenshot after each turn, run by `exec`.
Each is measured `runs` times a way; the medians and their ratio (window / headless) are printed.
usage: bench/headless.py [build-folder] [runs] [screenshots]"""

import os
import re
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
if len(sys.argv) > 1:
    os.environ["VELMORA_BUILD_DIR"] = os.path.abspath(sys.argv[1])
import velmora_harness  # noqa: E402 (reads VELMORA_BUILD_DIR when imported)

RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
SHOTS = int(sys.argv[3]) if len(sys.argv) > 3 else 40
CACHE = os.environ.get("VELMORA_MODEL_CACHE") or os.path.expanduser("~/.cache/velmora/models")
HEADLESS = ({"DISPLAY": None}, ["--headless"])
WINDOW = ({}, [])


class TimedSession(velmora_harness.Session):
    """A session that notes when the program itself was started, after its Xvfb is up."""

    def _spawn(self, *args, **kwargs):
        self.started = time.monotonic()
        super()._spawn(*args, **kwargs)


def command_file(figure):
    lines = ["new model Boxlet box", "set x 4"] + (["new model Keyform sydney"] if figure else [])
    for i in range(SHOTS):
        lines += ["set rotation_y %d" % (i * 9 % 360), "save screenshot shot%d.bmp" % i]
    return "\n".join(lines) + "\n"


def one_run(way):
    s = TimedSession(env=way[0], args=way[1])
    try:
        s.expect(">")
        start_up = time.monotonic() - s.started
        figure = os.path.isfile(os.path.join(CACHE, "sydney", "tris.md2"))
        if figure:
            shutil.copytree(os.path.join(CACHE, "sydney"), os.path.join(s.workdir, "sydney"))
        with open(os.path.join(s.workdir, "commands.txt"), "w") as f:
            f.write(command_file(figure))
        began = time.monotonic()
        out = s.command("exec commands.txt")
        commands = time.monotonic() - began
        if len(re.findall(r"saved screenshot", out)) != SHOTS:
            raise SystemExit("the command file did not save %d screenshots:\n%s" % (SHOTS, out[-400:]))
        return start_up, commands
    finally:
        s.close()


def main():
    results = {}
    for name, way in (("window", WINDOW), ("headless", HEADLESS)):
        runs = [one_run(way) for _ in range(RUNS)]
        results[name] = [statistics.median(r[i] for r in runs) for i in range(2)]
    for i, what in enumerate(("start-up to first prompt", "command file, %d screenshots" % SHOTS)):
        w, h = results["window"][i], results["headless"][i]
        print("%-32s window %7.1f ms   headless %7.1f ms   window/headless %.2f" % (what, w * 1000, h * 1000, w / h))


if __name__ == "__main__":
    main()
