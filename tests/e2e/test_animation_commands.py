"""Poses, scripts, animation, speed control, settings, display flags and
painting from the console of the real program."""

import math
import os
import re
import time
import unittest

from velmora_harness import BOXLET, DEADLINE, SessionTest, new_box, pixel, read_bmp, value_of

TICK = 0.02  # seconds per timer tick
FPS_AREA = (20, 5, 320, 60)  # the frame-rate text, near the top left


def sample_until(s, name, final, timeout=DEADLINE):
    """Readings (time sent, time answered, value) of the attribute, as fast as the console answers, up to final."""
    samples = []
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        sent = time.monotonic()
        v = value_of(s, name)
        samples.append((sent, time.monotonic(), v))
        if abs(v - final) < 5e-7:
            return samples
    raise AssertionError("%s never reached %f; last readings %r" % (name, final, samples[-5:]))


def green_pixels(shot, x0, y0, x1, y1):
    """How many pixels of the overlay text's green the rectangle holds."""
    colours = (pixel(shot, x, y) for y in range(y0, y1) for x in range(x0, x1))
    return sum(1 for r, g, b in colours if g > 60 and r < g // 3 and b < g // 3)


class Scripts(SessionTest):
    def test_three_step_linear_script_moves_tick_by_tick_to_its_last_pose(self):
        # Steps of 40 ticks: 0 -> 5 and 5 -> 10 by 0.125 a tick, 10 -> 20 by 0.25.
        self.s.quietly("set x 5", "new pose p1", "set x 10", "new pose p2", "set x 20", "new pose p3", "set x 0",
                    "new script walk", "add p1 40", "add p2 40 linear", "add p3 40")
        started = time.monotonic()
        self.assertEqual(self.s.command("animate walk"), "")
        samples = sample_until(self.s, "x", 20.0)
        values = [v for _, _, v in samples]
        self.assertEqual(values, sorted(values), "x went back")
        for v in values:
            self.assertAlmostEqual(v / 0.125, round(v / 0.125), places=4, msg="%f is between ticks" % v)
        self.assertGreater(len(set(values)), 10, "the model jumped instead of moving tick by tick")
        self.assertGreaterEqual(samples[-1][1] - started, 120 * TICK * 0.95)  # no faster than the timer
        self.s.frames(5)
        self.assertEqual(self.s.command("get x"), "  x: 20.000000\n")  # the script has ended there

    def test_sine_move_reaches_half_way_at_half_time(self):
        self.s.quietly("set y 10", "new pose up", "set y 0")
        started = time.monotonic()
        self.assertEqual(self.s.command("animate up 200 sin"), "")
        samples = sample_until(self.s, "y", 10.0)
        finished = samples[-1][1]
        # Each reading lies on y(k) = 10 (1 - cos(pi k / 200)) / 2 for a whole tick k.
        readings = [(math.acos(1 - 2 * v / 10) * 200 / math.pi, (sent + got) / 2) for sent, got, v in samples
                    if 0.3 < v < 9.7]
        for k, _ in readings:
            self.assertAlmostEqual(k, round(k), delta=0.01, msg="tick %f is no whole tick of the curve" % k)
        readings = [(round(k), at) for k, at in readings]
        k, at = min(readings, key=lambda r: abs(r[0] - 100))
        self.assertLess(abs(k - 100), 20, "no reading near half-way")
        self.assertAlmostEqual((at - started) / (finished - started), k / 200, delta=0.15)

    def test_speed_control_prints_its_tables_and_retimes_the_steps(self):
        self.s.quietly("new pose a", "set x 1", "new pose b", "set x 2", "new pose c", "set x 0",
                    "new script walk", "add a 10", "add b 10", "add c 10")
        lines = self.s.command("speed_control walk x y z 0.25 0.25").split("\n")
        # 201 samples of the path along x, then the plan of 30 frames.
        self.assertEqual(lines[0], "0.00 0.000000 0.000000 0.000000 0.000000")
        self.assertEqual(lines[200], "2.00 2.000000 0.000000 0.000000 2.000000")
        self.assertEqual(lines[201:203], ["frame count: 30", "top speed: 1.333333"])
        self.assertRegex(lines[232], r"^ +29 +\d\.\d{6} +2\.000000$")
        self.assertEqual(lines[233:], ["1", "14", "15", "frames: 14", "frames: 15", ""])
        # The new timings are the script's own: a saved attribute file carries them.
        self.assertEqual(self.s.command("save attributes walk.xml"), "")
        with open(os.path.join(self.s.workdir, "walk.xml")) as f:
            self.assertEqual(re.findall(r'<pose timing="(\d+)"', f.read()), ["10", "14", "15"])

    def test_exec_file_builds_and_plays_a_script(self):
        with open(os.path.join(self.s.workdir, "wave.txt"), "w") as f:
            f.write("set z 3\nnew pose out\nset z 0\nnew script wave\nadd out 15 sin\nadd nowhere 5\nanimate wave\n")
        self.assertEqual(self.s.command("exec wave.txt"), "pose 'nowhere' not found\n")
        self.assertEqual(self.s.command("list poses"), "  out\n")
        sample_until(self.s, "z", 3.0)
        self.assertEqual(self.s.command("get z"), "  z: 3.000000\n")


class Settings(SessionTest):
    def test_window_size_title_and_background_colour_in_bytes(self):
        info = self.s.x("xwininfo", "-id", self.s.window()).stdout  # found by its title
        self.assertRegex(info, r"Width: 500\n.*Height: 500\n")
        self.s.wait_for_pixels(lambda shot: pixel(shot, 5, 5) == (0, 0, 0) and pixel(shot, 5, 250) == (0, 0, 0))
        self.assertEqual(self.s.command("set background_color 255 128 0"), "")

        orange = lambda shot, x, y: pixel(shot, x, y)[::2] == (255, 0) and abs(pixel(shot, x, y)[1] - 128) <= 1
        shot = self.s.wait_for_pixels(lambda shot: orange(shot, 5, 5))
        w, h, _ = shot
        for x, y in ((w - 5, 5), (5, h // 2), (w - 5, h - 5)):
            self.assertTrue(orange(shot, x, y), (x, y, pixel(shot, x, y)))

    def test_fps_text_appears_and_goes(self):
        self.s.wait_for_pixels(lambda shot: not green_pixels(shot, *FPS_AREA))
        self.assertEqual(self.s.command("toggle fps"), "fps enabled\n")
        self.s.wait_for_pixels(lambda shot: green_pixels(shot, *FPS_AREA) > 50)
        self.assertEqual(self.s.command("toggle fps"), "fps disabled\n")
        self.s.wait_for_pixels(lambda shot: not green_pixels(shot, *FPS_AREA))


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class BoxletScenes(SessionTest):
    def test_two_models_start_their_scripts_from_one_line(self):
        new_box(self.s, "m1")
        self.s.quietly("set x 3", "new pose m1far", "set x 0", "new script walk", "add m1far 50")
        new_box(self.s, "m2")
        self.s.quietly("set y 2", "new pose m2up", "set y 0", "new script run", "add m2up 50", "select model brush",
                       "animate m1:walk m2:run plain nobody:walk", "select model m1")
        self.assertLess(value_of(self.s, "x"), 3.0)
        self.s.quietly("select model m2")
        sample_until(self.s, "y", 2.0)
        self.s.quietly("select model m1")
        self.assertEqual(self.s.command("get x"), "  x: 3.000000\n")
        self.assertNotIn("error running script", self.s.stderr())

    def test_paint_on_a_face_changes_exactly_the_texels_the_brush_reaches(self):
        first, second = new_box(self.s, "box")
        # A red brush of radius 0.5 at full strength, centred on the z = +1 face.
        self.s.quietly("save skin %d first-before.bmp" % first, "save skin %d second-before.bmp" % second,
                       "select model brush", "set green 0", "set blue 0", "set opacity 1", "set dim1 0.5",
                       "set solid_dim1 0.5", "set z 1", "paint box", "select model box",
                       "save skin %d first-after.bmp" % first, "save skin %d second-after.bmp" % second)
        skin = lambda name: read_bmp(self.s.wait_file(name))
        self.assertEqual(skin("first-after.bmp"), skin("first-before.bmp"))  # none of its faces is in reach
        w, h, before = skin("second-before.bmp")
        after = skin("second-after.bmp")[2]
        # The face shows s = (1 - x) / 4, t = (y + 1) / 4 of the second skin, and
        # texel (i, j) covers s in [i, i + 1) / (w - 1), t in [j, j + 1) / (h - 1):
        # the brush reaches the disc of radius 0.125 about (0.25, 0.25).
        def span(k, n):  # nearest and farthest distance of the texel's s or t from 0.25
            lo, hi = k / (n - 1) - 0.25, (k + 1) / (n - 1) - 0.25
            return 0.0 if lo <= 0 <= hi else min(abs(lo), abs(hi)), max(abs(lo), abs(hi))
        for j in range(h):
            for i in range(w):
                (ns, fs), (nt, ft) = span(i, w), span(j, h)
                if math.hypot(fs, ft) < 0.125 - 1e-4:
                    self.assertEqual(after[j][i], (255, 0, 0), "left unpainted: %r" % ((i, j),))
                elif after[j][i] != before[j][i]:
                    self.assertLess(math.hypot(ns, nt), 0.125 + 1e-4, "out of reach: %r" % ((i, j),))
                    self.assertEqual(after[j][i], (255, 0, 0))


if __name__ == "__main__":
    unittest.main()
