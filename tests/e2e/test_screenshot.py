"""`save screenshot` writes exactly the window's pixels, the same ones headless; refusals; a window that never draws."""

import os
import shutil
import unittest

from velmora_harness import BOXLET, DEADLINE, MODEL_CACHE, Sessions, SessionTest, how_ended, new_box, pixel, ppm, \
    read_bmp

BACKGROUND = (51, 102, 153)  # background_color 0.2 0.4 0.6
SYDNEY = os.path.join(MODEL_CACHE, "sydney")
# The freeglut drawings (the brush's wire sphere, handles, the overlay text) over a turned cube and a skinned figure.
SCENE = ["new model Keyform sydney", "new model Boxlet box", "set rotation_x 30", "set rotation_y 45", "set x 4",
         "toggle handles", "select model brush", "toggle handles", "toggle pos", "save screenshot shot.bmp"]


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class Screenshots(SessionTest):
    def path(self, name):
        return os.path.join(self.s.workdir, name)

    def test_both_formats_hold_the_window_pixel_for_pixel(self):
        new_box(self.s, "box")
        self.s.quietly("set background_color 0.2 0.4 0.6")
        self.s.wait_for_pixels(lambda shot: pixel(shot, 0, 0) == BACKGROUND)
        self.assertEqual(self.s.command("save screenshot a.png"), "saved screenshot 'a.png' (500x500)\n")
        self.assertEqual(self.s.command("save screenshot b.BMP"), "saved screenshot 'b.BMP' (500x500)\n")
        window = self.s.screenshot()
        # The cube is in the middle, the background round it: a blank or partial frame would not match.
        self.assertNotEqual(pixel(window, 250, 250), BACKGROUND)
        for name in ("a.png", "b.BMP"):
            shot = ppm(["convert", self.path(name)])
            self.assertEqual(shot[:2], window[:2], name)
            self.assertSame(shot[2], window[2], name + " against the window")

    def test_what_cannot_be_written_is_refused_with_its_reason(self):
        with open(self.path("real.png"), "w") as f:
            f.write("old")
        os.symlink("real.png", self.path("link.png"))
        os.mkdir(self.path("dir.png"))
        cases = [
            ("save screenshot", "usage: save screenshot <file.png|file.bmp>\n"),
            ("save screenshot a.jpg",
             "cannot save screenshot as 'a.jpg': unsupported extension '.jpg' (supported: .png, .bmp)\n"),
            ("save screenshot missing/a/b.png",
             "cannot save screenshot 'missing/a/b.png': missing/a: No such file or directory\n"),
            ("save screenshot dir.png", "cannot save screenshot 'dir.png': Is a directory\n"),
        ]
        for line, expected in cases:
            self.assertEqual(self.s.command(line), expected, line)
        self.assertFalse(os.path.exists(self.path("a.jpg")))
        # Through a link, the file it points to is written and the link stays.
        self.assertEqual(self.s.command("save screenshot link.png"), "saved screenshot 'link.png' (500x500)\n")
        self.assertTrue(os.path.islink(self.path("link.png")))
        self.assertEqual(ppm(["convert", self.path("real.png")])[:2], (500, 500))

    def test_a_window_that_draws_nothing_times_out_and_quit_still_ends_the_program(self):
        self.s.x("xdotool", "windowunmap", "--sync", self.s.window())
        self.s.send("save screenshot a.png")
        self.s.send("quit")
        self.s.expect("screenshot not taken: the window drew no frame within 10 seconds\n", timeout=DEADLINE)
        self.assertEqual(how_ended(self.s.wait_exit()), "SIGINT")  # as quit always ends the program
        self.assertFalse(os.path.exists(self.path("a.png")))


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
@unittest.skipUnless(os.path.isfile(os.path.join(SYDNEY, "tris.md2")), "sydney is not in the model cache")
class Headless(Sessions):
    def shot(self, env, args=()):
        s = self.session(env=env, args=args)
        s.expect(">")
        shutil.copytree(SYDNEY, os.path.join(s.workdir, "sydney"))
        with open(os.path.join(s.workdir, "commands.txt"), "w") as f:
            f.write("\n".join(SCENE) + "\n")
        self.assertIn("saved screenshot 'shot.bmp' (500x500)\n", s.command("exec commands.txt"))
        self.assertNotIn("no overlay text", s.stderr())
        return read_bmp(os.path.join(s.workdir, "shot.bmp"))

    def test_the_window_and_no_display_save_the_same_pixels(self):
        window = self.shot({})
        headless = self.shot({"DISPLAY": None}, ["--headless"])
        self.assertGreater(len({p for row in window[2] for p in row}), 200)  # not a blank frame: many colours
        self.assertSame(window, headless, "the headless screenshot against the window's")


if __name__ == "__main__":
    unittest.main()
