"""Handles in the real window, with real X mouse events: a figure from the model cache shows its handles in the
handle colour, its move handle drags it after the cursor, and the brush's outer radius handle sizes the brush.
The cache is filled by scripts/fetch-models.sh; nothing is downloaded here."""

import os
import re
import shutil
import unittest

from velmora_harness import SessionTest, pixel, value_of

FIGURE = "sydney"
CENTRE = 250  # the scene's origin, where a new figure and the brush stand, is the middle of the 500-pixel window


def cached(name):
    cache = os.environ.get("VELMORA_MODEL_CACHE") or os.environ.get("HOME", "") + "/.cache/velmora/models"
    return os.path.join(cache, name)


def blue(p):
    return p[2] > 150 and p[0] < 60 and p[1] < 60


def new_blue(shot, base, x0, y0, x1, y1):
    """How many pixels of the rectangle are pure blue in shot and were not in base."""
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if blue(pixel(shot, x, y)) and not blue(pixel(base, x, y)))


class Handles(SessionTest):
    def test_a_figure_shows_its_handles_and_follows_its_move_handle_and_the_brush_grows_by_its_radius_handle(self):
        if not os.path.isfile(os.path.join(cached(FIGURE), "tris.md2")):
            self.skipTest("%s is not in the model cache; scripts/fetch-models.sh fetches it" % FIGURE)
        shutil.copytree(cached(FIGURE), os.path.join(self.s.workdir, FIGURE))
        self.s.send("new model Keyform " + FIGURE)
        self.s.expect(re.compile(r"skins: <[\d,]*>\n"))
        self.s.quietly("set handle_color 0 0 1")
        hidden = self.s.settled()

        # The move handle at the figure's origin shows in the handle colour, over the figure's body.
        self.assertEqual(self.s.command("toggle handles"), "handles enabled\n")
        box = (CENTRE - 20, CENTRE - 20, CENTRE + 20, CENTRE + 20)
        self.s.wait_for_pixels(lambda shot: new_blue(shot, hidden, *box) > 200)

        # Dragged right and up, the figure goes right and up; the brush it was picked through stays.
        self.s.drag([(CENTRE, CENTRE), (CENTRE + 10, CENTRE - 6), (CENTRE + 20, CENTRE - 12), (CENTRE + 30, CENTRE - 18)])
        x, y = value_of(self.s, "x"), value_of(self.s, "y")
        self.assertTrue(0.3 < x < 0.7 and 0.15 < y < 0.45 and x > y, (x, y))
        self.assertEqual(self.s.command("toggle handles"), "handles disabled\n")

        # The brush's outer radius handle sits on +x of its centre, a unit (62 pixels) to the right.
        self.s.quietly("select model brush")
        self.assertEqual(self.s.command("toggle handles"), "handles enabled\n")
        outer = CENTRE + 62
        self.s.drag([(outer, CENTRE), (outer + 10, CENTRE), (outer + 20, CENTRE), (outer + 30, CENTRE)])
        radius, solid, moved = value_of(self.s, "dim1"), value_of(self.s, "solid_dim1"), value_of(self.s, "x")
        self.assertTrue(1.3 < radius < 1.7 and solid == 0.6 and moved == 0.0, (radius, solid, moved))


if __name__ == "__main__":
    unittest.main()
