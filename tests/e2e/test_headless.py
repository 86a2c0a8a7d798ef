"""Rendering without a window: one command file run in the GLUT window under Xvfb and run with no display at all
(--headless) saves the same screenshot, pixel for pixel, with the freeglut drawings in it: the brush's wire
sphere, handles and the overlay text, over a turned cube and a skinned MD2 figure."""

import os
import shutil
import unittest

from velmora_harness import BOXLET, Session, difference, read_bmp

SYDNEY = os.path.join(os.environ.get("VELMORA_MODEL_CACHE") or os.path.expanduser("~/.cache/velmora/models"), "sydney")
COMMANDS = ["new model Keyform sydney", "new model Boxlet box", "set rotation_x 30", "set rotation_y 45", "set x 4",
            "toggle handles", "select model brush", "toggle handles", "toggle pos", "save screenshot shot.bmp"]


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
@unittest.skipUnless(os.path.isfile(os.path.join(SYDNEY, "tris.md2")), "sydney is not in the model cache")
class Headless(unittest.TestCase):
    def shot(self, env, args=()):
        s = Session(env=env, args=args)
        try:
            s.expect(">")
            shutil.copytree(SYDNEY, os.path.join(s.workdir, "sydney"))
            with open(os.path.join(s.workdir, "commands.txt"), "w") as f:
                f.write("\n".join(COMMANDS) + "\n")
            self.assertIn("saved screenshot 'shot.bmp' (500x500)\n", s.command("exec commands.txt"))
            return read_bmp(os.path.join(s.workdir, "shot.bmp"))
        finally:
            errors = s.close()
            for marker in ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer", "no overlay text"):
                self.assertNotIn(marker, errors)

    def test_the_window_and_no_display_save_the_same_pixels(self):
        window = self.shot({})
        headless = self.shot({"DISPLAY": None}, ["--headless"])
        # Not a blank frame: the figure, the cube and the text are all there in many colours.
        self.assertGreater(len({p for row in window[2] for p in row}), 200)
        d = difference(window, headless)
        if d:
            self.fail("the headless screenshot differs from the window's: " + d)
