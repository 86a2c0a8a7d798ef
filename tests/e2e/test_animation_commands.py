"""Poses, scripts, animation, speed control, settings and display flags from the console of the real program."""

import os
import re
import unittest

from velmora_harness import BOXLET, SessionTest, new_box, pixel, value_of

FPS_AREA = (20, 5, 320, 60)  # the frame-rate text, near the top left


def sample_until(s, name, final):
    """Readings of the attribute, as fast as the console answers, up to final."""
    samples = []
    s.wait_until(lambda: samples.append(value_of(s, name)) or abs(samples[-1] - final) < 5e-7,
                 "%s to reach %f" % (name, final))
    return samples


def green_pixels(shot, x0, y0, x1, y1):
    """How many pixels of the overlay text's green the rectangle holds."""
    colours = (pixel(shot, x, y) for y in range(y0, y1) for x in range(x0, x1))
    return sum(1 for r, g, b in colours if g > 60 and r < g // 3 and b < g // 3)


class Scripts(SessionTest):
    def test_three_step_linear_script_moves_tick_by_tick_to_its_last_pose(self):
        # Steps of 40 ticks: 0 -> 5 and 5 -> 10 by 0.125 a tick, 10 -> 20 by 0.25.
        self.s.quietly("set x 5", "new pose p1", "set x 10", "new pose p2", "set x 20", "new pose p3", "set x 0",
                    "new script walk", "add p1 40", "add p2 40 linear", "add p3 40")
        self.assertEqual(self.s.command("animate walk"), "")
        values = sample_until(self.s, "x", 20.0)
        self.assertEqual(values, sorted(values), "x went back")
        for v in values:
            self.assertAlmostEqual(v / 0.125, round(v / 0.125), places=4, msg="%f is between ticks" % v)
        self.assertGreater(len(set(values)), 10, "the model jumped instead of moving tick by tick")
        self.s.frames(5)
        self.assertEqual(self.s.command("get x"), "  x: 20.000000\n")  # the script has ended there

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


if __name__ == "__main__":
    unittest.main()
