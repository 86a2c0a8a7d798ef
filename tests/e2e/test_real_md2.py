"""Real MD2 models from the model cache: each shown, figures standing; a shipped folder keeps its paint in its skin."""

import glob
import os
import re
import shutil
import tempfile
import unittest

from velmora_harness import MODEL_CACHE, Sessions, SessionTest, changed_in, pixel, ppm

FIGURES = ["sydney", "faerie"]  # standing figures with a skin the program reads
# Shipped folders, the skin found in each (an 8-bit BMP; a JPEG for a missing PCX), a z that shows the model whole,
# and a brush radius that reaches the surface all round its middle.
SHIPPED = [("sydney", "sydney.bmp", -60.0, 13.7), ("gun", "gun.jpg", -15.0, 5.9)]


def changed_box(shot, base):
    """The smallest rectangle (x0, y0, x1, y1) holding every pixel that differs from base (there must be some)."""
    points = [(x, y) for y in range(0, shot[1], 2) for x in range(0, shot[0], 2) if pixel(shot, x, y) != pixel(base, x, y)]
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


class RealFigures(SessionTest):
    def setUp(self):
        super().setUp()
        self.names = sorted(os.path.basename(os.path.dirname(p)) for p in glob.glob(MODEL_CACHE + "/*/tris.md2"))
        if not self.names:
            self.skipTest("no MD2 models in %s; scripts/fetch-models.sh fetches them" % MODEL_CACHE)
        self.brush_only = self.s.brush_only()

    def show(self, name):
        """Adds the cached model (a copy) and waits for it to be drawn."""
        shutil.copytree(os.path.join(MODEL_CACHE, name), os.path.join(self.s.workdir, name))
        self.s.send("new model Keyform " + name)
        self.s.expect(re.compile(r"skins: <[\d,]*>\n"))
        self.s.wait_for_pixels(lambda shot: changed_in(shot, self.brush_only) > 1000)

    def test_each_model_shows_and_a_figure_stands_whole_and_upright_in_the_middle_at_first_sight(self):
        for name in self.names:
            with self.subTest(name):
                self.show(name)
                if name in FIGURES:
                    shot = self.s.settled()
                    x0, y0, x1, y1 = changed_box(shot, self.brush_only)
                    w, h = shot[0], shot[1]
                    # Whole and away from the edges, standing; framed for every frame, lying ones included, so
                    # standing it takes a fifth to two thirds of the window's height.
                    self.assertTrue(w * 0.1 < x0 < x1 < w * 0.9 and h * 0.1 < y0 < y1 < h * 0.9, (x0, y0, x1, y1))
                    self.assertTrue(h * 0.2 < y1 - y0 < h * 0.65, (x0, y0, x1, y1))
                    self.assertGreater(y1 - y0, 1.5 * (x1 - x0))
                self.assertEqual(self.s.command("delete " + name), "")
                self.s.wait_for_pixels(lambda shot: shot[2] == self.brush_only[2])


def texels(path):
    """The picture in a skin file as RGB triples, as ImageMagick decodes it."""
    rgb = ppm(["convert", path])[2]
    return [tuple(rgb[i:i + 3]) for i in range(0, len(rgb), 3)]


class ShippedFolders(Sessions):
    def start(self, folder):
        """A program whose working folder holds a copy of folder."""
        s = self.session()
        s.expect(">")
        shutil.copytree(folder, os.path.join(s.workdir, os.path.basename(folder)))
        return s

    def show(self, s, name, away):
        """Adds the model and waits until it shows textured; returns that screenshot."""
        brush_only = s.brush_only()
        s.send("new model Keyform " + name)
        s.expect(re.compile(r"skins: <[\d,]*>\n"))
        s.quietly("set scale 1", "set z %f" % away)  # upright at its own size, centred on x, y and moved away
        w, h = brush_only[0], brush_only[1]
        region = []

        def textured(shot):
            region[:] = [(x, y) for y in range(0, h, 2) for x in range(0, w, 2)
                         if pixel(shot, x, y) != pixel(brush_only, x, y)]
            # Drawn where it was moved to (not filling the window as it does at first), with its skin's colours
            # (not shades of grey, as a lit white model is).
            coloured = {p for p in (pixel(shot, x, y) for x, y in region) if max(p) - min(p) > 2}
            return 1000 < len(region) < w * h / 8 and len(coloured) > 20
        return s.wait_for_pixels(textured)

    def test_a_shipped_folder_shows_textured_and_keeps_its_paint_across_a_restart(self):
        found = [m for m in SHIPPED if os.path.isfile(os.path.join(MODEL_CACHE, m[0], m[1]))]
        if not found:
            self.skipTest("no %s in %s" % (" or ".join(m[0] for m in SHIPPED), MODEL_CACHE))
        for name, skin, away, radius in found:
            with self.subTest(name):
                shipped = texels(os.path.join(MODEL_CACHE, name, skin))
                s = self.start(os.path.join(MODEL_CACHE, name))
                before = self.show(s, name, away)
                s.quietly("select model brush", "set green 0", "set blue 0", "set opacity 1", "set x 0", "set y 0",
                          "set z %f" % away, "set dim1 %f" % radius, "set solid_dim1 %f" % radius, "paint " + name,
                          "select model " + name)
                out = s.command("save skins")
                self.assertIn("saving image: %s/%s\n" % (name, skin), out)
                # Saved, the skin holds nothing its file does not (a failed save would leave it to save again).
                self.assertEqual(s.command("save skins"), "unchanged, not saved: %s/%s\n" % (name, skin))
                painted = texels(os.path.join(s.workdir, name, skin))
                self.assertEqual(len(painted), len(shipped))
                changed = [(a, b) for a, b in zip(shipped, painted) if a != b]
                self.assertGreater(len(changed), 50)
                # The changed texels moved towards the red paint, whatever the file's format rounds it to.
                redness = lambda t: t[0] - (t[1] + t[2]) / 2
                self.assertGreater(sum(redness(b) - redness(a) for a, b in changed) / len(changed), 50)
                kept = tempfile.mkdtemp(prefix="velmora-painted-")
                self.addCleanup(shutil.rmtree, kept, True)
                shutil.copytree(os.path.join(s.workdir, name), os.path.join(kept, name))
                after = self.show(self.start(os.path.join(kept, name)), name, away)
                self.assertGreater(changed_in(after, before), 50)


if __name__ == "__main__":
    unittest.main()
