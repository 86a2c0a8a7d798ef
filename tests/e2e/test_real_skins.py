"""Real MD2 model folders as their packages ship them, from the model cache: each shows textured, takes
paint from the console, `save skins` writes the paint into the model's own skin file in its own format,
and a fresh program on the same folder shows the paint. The cache is filled by scripts/fetch-models.sh;
nothing is downloaded here."""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest

from velmora_harness import Session, changed_in, pixel

# Folders of the cache and the skin file each one ships: an 8-bit BMP found as the folder's own picture
# (the model names no skin), and a JPEG found for a model whose named PCX skin is not there.
MODELS = [("sydney", "sydney.bmp"), ("gun", "gun.jpg")]
CONVERT = "/usr/bin/convert"  # the distribution's ImageMagick decodes the skins independently
# Each model's z: far enough in front of the camera to be seen whole, near enough to cover a good part of it.
AWAY = {"sydney": -60.0, "gun": -15.0}
SANITIZERS = ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer")


def model_cache():
    return os.environ.get("VELMORA_MODEL_CACHE") or os.environ.get("HOME", "") + "/.cache/velmora/models"


def centre_and_size(md2_path):
    """The centre of the first frame's bounding box and its largest side, in model units."""
    with open(md2_path, "rb") as f:
        data = f.read()
    header = struct.unpack_from("<17i", data, 0)
    num_xyz, frames = header[6], header[14]
    scale, translate = struct.unpack_from("<3f", data, frames), struct.unpack_from("<3f", data, frames + 12)
    points = [[data[frames + 40 + 4 * i + k] * scale[k] + translate[k] for k in range(3)] for i in range(num_xyz)]
    low = [min(p[k] for p in points) for k in range(3)]
    high = [max(p[k] for p in points) for k in range(3)]
    return [(lo + hi) / 2 for lo, hi in zip(low, high)], max(hi - lo for lo, hi in zip(low, high))


def texels(path):
    """The picture in a skin file as RGB triples, top row first, as ImageMagick decodes it."""
    ppm = subprocess.run([CONVERT, path, "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
    magic, w, h, _, rgb = ppm.split(maxsplit=4)
    assert magic == b"P6"
    return [tuple(rgb[i:i + 3]) for i in range(0, int(w) * int(h) * 3, 3)]


def coloured(shot, region):
    """The distinct colours of the region's pixels that are not a shade of grey (a lit white model is)."""
    return {pixel(shot, x, y) for x, y in region if max(pixel(shot, x, y)) - min(pixel(shot, x, y)) > 2}


class RealSkins(unittest.TestCase):
    def start(self, folder):
        """A program whose working folder holds a copy of folder; the session is closed after the test."""
        s = Session()
        self.addCleanup(self.close, s)
        s.expect(">")
        shutil.copytree(folder, os.path.join(s.workdir, os.path.basename(folder)))
        return s

    def close(self, s):
        errors = s.close()
        for marker in SANITIZERS:
            self.assertNotIn(marker, errors)

    def show(self, s, name):
        """Adds the model and waits until it shows textured; returns the screenshot and the model's pixels."""
        brush_only = s.wait_for_pixels(lambda shot: len({pixel(shot, x, y) for x in range(0, 500, 5)
                                                         for y in range(0, 500, 5)}) > 10)
        s.send("new model Keyform " + name)
        s.expect(re.compile(r"skins: <[\d,]*>\n"))
        # Upright at its own size, centred on x, y and moved away.
        s.quietly("set scale 1", "set z %f" % AWAY[name])
        w, h = brush_only[0], brush_only[1]
        region = []

        def textured(shot):
            region[:] = [(x, y) for y in range(0, h, 2) for x in range(0, w, 2)
                         if pixel(shot, x, y) != pixel(brush_only, x, y)]
            # Drawn where it was moved to (not filling the window as it does at first), with its skin's colours.
            return 1000 < len(region) < w * h / 8 and len(coloured(shot, region)) > 20
        return s.wait_for_pixels(textured), region

    def paint_and_save(self, s, name, skin):
        _, size = centre_and_size(os.path.join(s.workdir, name, "tris.md2"))
        radius = size / 4  # reaches the surface all round the middle of the model
        s.quietly("select model brush", "set green 0", "set blue 0", "set opacity 1",
                  "set x 0", "set y 0", "set z %f" % AWAY[name],
                  "set dim1 %f" % radius, "set solid_dim1 %f" % radius, "paint " + name, "select model " + name)
        out = s.command("save skins")
        self.assertIn("saving image: %s/%s\n" % (name, skin), out)
        self.assertNotIn("error saving textures", out)
        # Saved, the skin holds nothing its file does not.
        self.assertEqual(s.command("save skins"), "unchanged, not saved: %s/%s\n" % (name, skin))

    def test_a_shipped_folder_shows_textured_and_keeps_its_paint_across_a_restart(self):
        cache = model_cache()
        found = [(n, f) for n, f in MODELS if os.path.isfile(os.path.join(cache, n, f))]
        if not found:
            self.skipTest("no %s in %s; scripts/fetch-models.sh fetches them" % (
                " or ".join(n for n, _ in MODELS), cache))
        for name, skin in found:
            with self.subTest(name):
                shipped = texels(os.path.join(cache, name, skin))
                s = self.start(os.path.join(cache, name))
                before, region = self.show(s, name)
                self.paint_and_save(s, name, skin)
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
                fresh = self.start(os.path.join(kept, name))
                after, _ = self.show(fresh, name)
                self.assertGreater(changed_in(after, before), 50)


if __name__ == "__main__":
    unittest.main()
