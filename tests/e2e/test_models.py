"""Plug-in models in the real program: hostile files, model names, saved paint of Assimp models."""

import os
import re
import shutil
import struct
import subprocess
import unittest

from velmora_harness import BOXLET, MESH_CACHE, SessionTest, read_bmp


def md2_naming(skins, frame=""):
    """An MD2 file of one triangle in one frame (named frame) that names skins."""
    ofs_st = 68 + 64 * len(skins)
    end = ofs_st + 76
    return (struct.pack("<17i", 0x32504449, 8, 8, 8, 52, len(skins), 3, 3, 1, 0, 1, 68, ofs_st, ofs_st + 12,
                        ofs_st + 24, end, end)
            + b"".join(name.encode().ljust(64, b"\0") for name in skins)
            + struct.pack("<12h", 0, 0, 8, 0, 0, 8, 0, 1, 2, 0, 1, 2)
            + struct.pack("<6f", 1, 1, 1, 0, 0, 0) + frame.encode().ljust(16, b"\0") + bytes([0, 0, 0, 5, 8, 0, 0, 5, 0, 8, 0, 5]))


def make_files(workdir, files):
    """Files of workdir by their paths: bytes, or a callable that makes the file at its path."""
    for name, what in files.items():
        path = os.path.join(workdir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if callable(what):
            what(path)
        else:
            with open(path, "wb") as f:
                f.write(what)


# Files that never end, never open or would fill memory: their line, what the console says, what standard error says.
HOSTILE = [
    ({"zeroskin/tris.md2": md2_naming(["skin.pcx"]), "zeroskin/skin.pcx": b"", "zeroskin/skin.bmp":
      lambda path: os.symlink("/dev/zero", path)},
     "new model Keyform zeroskin", r"cannot read skin 'zeroskin/skin.bmp': not a regular file\n>?skins: <>\n", ""),
    ({"fifomd2/tris.md2": os.mkfifo}, "new model Keyform fifomd2",
     r"cannot read MD2 model 'fifomd2/tris.md2': not a regular file\n", ""),
    ({"pipe": os.mkfifo}, "exec pipe", r"exec: cannot run 'pipe': not a regular file\n", ""),
    ({"pipe.xml": os.mkfifo}, "load attributes pipe.xml", r"not a regular file: 'pipe.xml'\n", ""),
    # 64 names of one 4096 x 4096 picture: the file is read once and four copies fit.
    ({"greedy/tris.md2": md2_naming(["big.png"] * 64),
      "greedy/big.png": lambda path: subprocess.run(["convert", "-size", "4096x4096", "xc:gray", path], check=True)},
     "new model Keyform greedy", r"skins: <\d+,\d+,\d+,\d+>\n",
     "60 skins left out of greedy (big.png): a model holds at most 32 skins and 67108864 pixels of them\n"),
]


class HostileFiles(SessionTest):
    def test_each_is_refused_with_its_reason_and_the_program_goes_on(self):
        for files, line, said, errors in HOSTILE:
            with self.subTest(line):
                make_files(self.s.workdir, files)
                self.s.send(line)
                self.s.expect(re.compile(said, re.S))
                if errors:  # the rows with nothing for standard error say it all on the console
                    self.s.wait_stderr(errors)
                self.s.send("list models")  # the console answers
                self.s.expect("  brush\n")


# Short and path names side by side, skins numbered per model: a line and its exact output (or a pattern).
NAMING = [
    ("new model Keyform pack/ogro", re.compile(r"skins: <1,2>\n")),
    ("new model Keyform ogro pack/ogro/", re.compile(r"skins: <1,2>\n")),
    ("new model Boxlet box", re.compile(r"textures: <1,2>\ntexCoords")),
    ("list models", "  box\n  brush\n  ogro\n  pack/ogro\n"),
    ("select model ogro", ""),
    ("list skins", "  1: pack/ogro/a.bmp\n  2: pack/ogro/b.bmp\n"),
    ("animate ogro:run pack/ogro:run", ""),
]


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class ModelNames(SessionTest):
    def test_short_names_and_skins_numbered_per_model(self):
        with open(os.path.join(self.s.workdir, "tiles.bmp"), "rb") as f:
            tiles = f.read()
        make_files(self.s.workdir, {"pack/ogro/tris.md2": md2_naming(["models/ogro/a.pcx", "b.bmp"], "run1"),
                                    "pack/ogro/a.bmp": tiles, "pack/ogro/b.bmp": tiles})
        for line, said in NAMING:
            with self.subTest(line):
                if isinstance(said, str):
                    self.assertEqual(self.s.command(line), said)
                else:
                    self.s.send(line)
                    self.s.expect(said)
        # Which file stands in for the skin the model file names, by the name the model is listed under.
        self.s.wait_stderr("ogro: using a.bmp for models/ogro/a.pcx\n")
        self.assertNotIn("error running script", self.s.stderr())


QUAD = ("mtllib quad.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl skin\nf 1/1 2/2 3/3 4/4\n")


# The box's picture is a palette PNG without the red painted on it.
UNFIT = r"%s: \d+ colours? do(es)? not fit its palette; saved as 24-bit\n"
# (folder, model, what `save skins` prints, as a pattern); the quad is written here, the others are cached.
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
        if folder == "quad":
            with open(os.path.join(self.s.workdir, "tiles.bmp"), "rb") as f:
                make_files(self.s.workdir, {"quad/quad.obj": QUAD.encode(), "quad/quad.bmp": f.read(),
                                            "quad/quad.mtl": b"newmtl skin\nmap_Kd quad.bmp\n"})
            return True
        if not os.path.isdir(os.path.join(MESH_CACHE, folder)):
            return False
        shutil.copytree(os.path.join(MESH_CACHE, folder), os.path.join(self.s.workdir, folder))
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


if __name__ == "__main__":
    unittest.main()
