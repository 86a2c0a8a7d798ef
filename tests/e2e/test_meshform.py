"""Models read through Assimp take paint from the console, and `save skins` keeps it where the next run finds it:
in the texture file a model names (an OBJ's BMP, a glTF's PNG), inside a binary glTF, or in a PNG beside a model
whose picture cannot be written back into it (FBX). A fresh program reading each model again shows the paint. A
cached animated model lists its animation among its scripts, and playing it moves the picture."""

import os
import re
import shutil
import struct

from velmora_harness import SessionTest, changed_in, read_bmp

QUAD = ("mtllib quad.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl skin\nf 1/1 2/2 3/3 4/4\n")
CACHE = os.environ.get("VELMORA_MESH_CACHE") or os.path.expanduser("~/.cache/velmora/meshes")


def grey_bmp(size, value):
    """A plain 24-bit BMP of one grey."""
    row = bytes([value] * 3 * size) + bytes((4 - 3 * size % 4) % 4)
    pixels = row * size
    return (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
            struct.pack("<iiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) + pixels)


# The box's picture is a palette PNG without the red painted on it.
UNFIT = r"%s: \d+ colours? do(es)? not fit its palette; saved as 24-bit\n"
# (folder, model, what `save skins` prints, as a pattern); the quad is written here, the others come from the
# mesh cache.
MODELS = (
    ("quad", "quad.obj", r"saving image: quad/quad\.bmp\n"),
    ("gltf-box", "BoxTextured.gltf",
     r"saving image: gltf-box/CesiumLogoFlat\.png\n" + UNFIT % r"gltf-box/CesiumLogoFlat\.png"),
    ("glb-box", "BoxTextured.glb",
     r"saving embedded texture 0 into glb-box/BoxTextured\.glb\n" + UNFIT % r"glb-box/BoxTextured\.glb"),
    ("fbx-box-embedded", "box.FBX",
     r"saving embedded texture 0 of fbx-box-embedded/box\.FBX as fbx-box-embedded/box\.png\n"),
)


class Meshform(SessionTest):
    def load(self, model):
        self.s.send("new model Meshform " + model)
        return int(self.s.expect(re.compile(r"skins: <[\d,]+>\n")).rsplit("skins: <", 1)[1].split(">")[0].split(",")[0])

    def place(self, folder):
        """Copies a model's folder into the session's; False when the cache does not hold it."""
        target = os.path.join(self.s.workdir, folder)
        if folder == "quad":
            os.mkdir(target)
            for name, data in (("quad.obj", QUAD.encode()), ("quad.mtl", b"newmtl skin\nmap_Kd quad.bmp\n"),
                               ("quad.bmp", grey_bmp(16, 128))):
                with open(os.path.join(target, name), "wb") as f:
                    f.write(data)
            return True
        if not os.path.isdir(os.path.join(CACHE, folder)):
            return False
        shutil.copytree(os.path.join(CACHE, folder), target)
        return True

    def test_paint_saved_with_save_skins_is_what_the_next_run_shows(self):
        placed = [m for m in MODELS if self.place(m[0])]
        # A brush around the origin reaches every face of each model, which is centred there and 4 units across.
        self.s.quietly("select model brush", "set green 0", "set blue 0", "set opacity 1", "set x 0", "set y 0",
                       "set z 0", "set dim1 3", "set solid_dim1 3")
        for folder, name, saving in placed:
            with self.subTest(model=name):
                model = folder + "/" + name
                skin = self.load(model)
                self.s.quietly("save skin %d %s.before.bmp" % (skin, folder), "paint " + model,
                               "select model " + model, "save skin %d %s.painted.bmp" % (skin, folder))
                self.assertRegex(self.s.command("save skins"), "^" + saving + "$")
                self.s.quietly("select model brush")
                self.assertDiffer(read_bmp(self.s.wait_file(folder + ".before.bmp")),
                                  read_bmp(self.s.wait_file(folder + ".painted.bmp")), "the paint")
        self.s.restart()
        self.s.expect(">")
        for folder, name, _ in placed:
            with self.subTest(model=name):
                model = folder + "/" + name
                self.s.quietly("save skin %d %s.again.bmp" % (self.load(model), folder))
                self.assertSame(read_bmp(self.s.wait_file(folder + ".painted.bmp")),
                                read_bmp(self.s.wait_file(folder + ".again.bmp")), "the skin read back")

    def test_an_animation_of_a_cached_model_is_a_script_that_moves_the_picture(self):
        if not self.place("b3d-ninja"):
            self.skipTest("no b3d-ninja in %s; scripts/fetch-models.sh fetches it" % CACHE)
        self.load("b3d-ninja/ninja.b3d")
        self.assertIn("  anim1\n", self.s.command("list scripts"))
        still = self.s.settled()
        self.assertEqual(self.s.command("animate anim1"), "")
        self.s.wait_for_pixels(lambda shot: changed_in(shot, still) > 200)
