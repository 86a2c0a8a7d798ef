"""A textured OBJ read through Assimp: it shows with its skin, takes paint from the console, `save skins` writes the
paint into the model's own BMP, and a fresh program reading the model again holds the painted skin. A cached
animated model lists its animation among its scripts, and playing it moves the picture."""

import os
import re
import shutil
import struct

from velmora_harness import SessionTest, changed_in, read_bmp

QUAD = ("mtllib quad.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl skin\nf 1/1 2/2 3/3 4/4\n")


def grey_bmp(size, value):
    """A plain 24-bit BMP of one grey."""
    row = bytes([value] * 3 * size) + bytes((4 - 3 * size % 4) % 4)
    pixels = row * size
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
            struct.pack("<iiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) + pixels)


class Meshform(SessionTest):
    def load(self, name="quad.obj"):
        self.s.send("new model Meshform " + name)
        return int(self.s.expect(re.compile(r"skins: <[\d,]+>\n")).rsplit("skins: <", 1)[1].split(">")[0].split(",")[0])

    def test_paint_on_a_textured_obj_is_saved_to_its_skin_and_read_back_by_the_next_run(self):
        for name, data in (("quad.obj", QUAD.encode()), ("quad.mtl", b"newmtl skin\nmap_Kd quad.bmp\n"),
                           ("quad.bmp", grey_bmp(16, 128))):
            with open(os.path.join(self.s.workdir, name), "wb") as f:
                f.write(data)
        self.load()
        self.s.quietly("select model brush", "set green 0", "set blue 0", "set opacity 1", "set x 0", "set y 0",
                       "set z 0", "set dim1 0.5", "set solid_dim1 0.5", "paint quad.obj", "select model quad.obj")
        self.assertEqual(self.s.command("save skins"), "saving image: quad.bmp\n")
        _, _, rows = read_bmp(os.path.join(self.s.workdir, "quad.bmp"))
        painted = [t for row in rows for t in row if t != (128, 128, 128)]
        self.assertGreater(len(painted), 4, "texels the brush changed")
        self.assertTrue(all(r > g and r > b for r, g, b in painted), painted[:5])
        self.s.restart()
        self.s.expect(">")
        skin = self.load()
        self.s.quietly("save skin %d again.bmp" % skin)
        self.assertSame(read_bmp(self.s.wait_file("again.bmp")), read_bmp(os.path.join(self.s.workdir, "quad.bmp")),
                        "the skin read back")

    def test_an_animation_of_a_cached_model_is_a_script_that_moves_the_picture(self):
        cache = os.environ.get("VELMORA_MESH_CACHE") or os.environ.get("HOME", "") + "/.cache/velmora/meshes"
        folder = os.path.join(cache, "b3d-ninja")
        if not os.path.isfile(os.path.join(folder, "ninja.b3d")):
            self.skipTest("no %s/ninja.b3d; scripts/fetch-models.sh fetches it" % folder)
        for name in os.listdir(folder):
            shutil.copy(os.path.join(folder, name), self.s.workdir)
        self.load("ninja.b3d")
        self.assertIn("  anim1\n", self.s.command("list scripts"))
        still = self.s.settled()
        self.assertEqual(self.s.command("animate anim1"), "")
        self.s.wait_for_pixels(lambda shot: changed_in(shot, still) > 200)
