"""The installed and the build folder's program take classes and textures from beside them; the installed files."""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from velmora_harness import BOXLET, BUILD_DIR, DEADLINE, Sessions, changed_in, colours

TESTPLUGINS = os.path.join(BUILD_DIR, "testplugins")
MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class RunFromElsewhere(Sessions):
    @classmethod
    def setUpClass(cls):
        cls.prefix = os.path.realpath(tempfile.mkdtemp(prefix="velmora-prefix-"))
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", cls.prefix], check=True,
                       capture_output=True, timeout=DEADLINE)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def installed(self, *path):
        return os.path.join(self.prefix, *path)

    def start(self, program, planted=()):
        """The program started in an empty folder, or one holding copies of the planted test plug-in."""
        cwd = tempfile.mkdtemp(prefix="velmora-elsewhere-")
        self.addCleanup(shutil.rmtree, cwd, True)
        for name in planted:
            os.makedirs(os.path.dirname(os.path.join(cwd, name)), exist_ok=True)
            shutil.copy(os.path.join(TESTPLUGINS, "Chameleon.so"), os.path.join(cwd, name))
        s = self.session(program=program, cwd=cwd)
        s.expect(">")
        return s, cwd

    def test_the_installed_files_symbols_desktop_entry_and_manual_page(self):
        found = sorted(os.path.relpath(os.path.join(d, f), self.prefix) for d, _, files in os.walk(self.prefix)
                       for f in files)
        # The 48-pixel icon is drawn only where the build found a program to draw it with.
        drawn = ["share/icons/hicolor/48x48/apps/velmora.png"] if shutil.which("rsvg-convert") or shutil.which(
            "convert") else []
        self.assertEqual(found, sorted(["bin/velmora", "lib/velmora/models/Boxlet.so", "lib/velmora/models/Keyform.so",
                                        "lib/velmora/models/Meshform.so", "share/velmora/cottage/skin.bmp",
                                        "share/velmora/cottage/tris.md2", "share/velmora/tiles.bmp",
                                        "share/velmora/tiles2.bmp", "share/applications/velmora.desktop",
                                        "share/mime/packages/velmora.xml", "share/man/man1/velmora.1",
                                        "share/icons/hicolor/scalable/apps/velmora.svg"] + drawn))
        for png in drawn:
            with open(self.installed(png), "rb") as f:
                self.assertEqual(struct.unpack(">II", f.read(24)[16:24]), (48, 48))
        # The data symbols plug-ins can reach, without the linker's markers and type information (V).
        nm = subprocess.run(["nm", "-D", "--defined-only", self.installed("bin", "velmora")], check=True,
                            capture_output=True, text=True).stdout
        self.assertEqual(sorted(f[2] for f in map(str.split, nm.splitlines()) if f[1] in "BDGRSu" and not re.match(
            r"__|_IO_stdin_used$|_edata$|_end$", f[2])), ["current_model", "model_classes"])

        entry = self.installed("share", "applications", "velmora.desktop")
        if shutil.which("desktop-file-validate"):
            check = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
            self.assertEqual((check.returncode, check.stdout + check.stderr), (0, ""))
        # Every type the entry claims is one the system's MIME database or the installed one defines.
        known = {"inode/directory"}
        for packages in ("/usr/share/mime/packages", self.installed("share", "mime", "packages")):
            for name in os.listdir(packages) if os.path.isdir(packages) else []:
                for t in ElementTree.parse(os.path.join(packages, name)).getroot().iter(MIME_NS + "mime-type"):
                    known.add(t.get("type"))
                    known.update(a.get("type") for a in t.iter(MIME_NS + "alias"))
        with open(entry) as f:
            claimed = re.search(r"^MimeType=(.*);$", f.read(), re.M).group(1).split(";")
        self.assertIn("model/x-md2", claimed)
        self.assertEqual(sorted(set(claimed) - known), [])

        # The page renders without a warning, alone and as man finds it under the prefix.
        env = dict(os.environ, MANWIDTH="80", MANPAGER="cat")
        env.pop("MAN_KEEP_FORMATTING", None)
        alone = subprocess.run(["man", "--warnings", "-l", self.installed("share", "man", "man1", "velmora.1")],
                               capture_output=True, text=True, env=env, timeout=DEADLINE)
        self.assertEqual((alone.returncode, alone.stderr), (0, ""))
        name = re.search(r"^NAME\n +(\S+) - ", alone.stdout, re.M)
        self.assertEqual(name.group(1) if name else alone.stdout[:160], "velmora")
        self.assertEqual([s for s in ("SYNOPSIS", "OPTIONS", "COMMANDS", "MOUSE AND KEYS", "FILES", "EXIT STATUS",
                                      "ENVIRONMENT", "SEE ALSO") if "\n%s\n" % s not in alone.stdout], [])
        found = subprocess.run(["man", "velmora"], capture_output=True, text=True, timeout=DEADLINE,
                               env=dict(env, MANPATH=self.installed("share", "man")))
        self.assertSame(found.stdout.encode(), alone.stdout.encode(), "the page man finds: " + found.stderr)

    def test_the_installed_and_the_build_folders_program_show_a_textured_cube_and_the_sample(self):
        for program, cottage in ((self.installed("bin", "velmora"), self.installed("share", "velmora", "cottage")),
                                 (os.path.join(BUILD_DIR, "velmora"), os.path.join(BUILD_DIR, "cottage"))):
            with self.subTest(program):
                s, cwd = self.start(program)
                brush_only = s.brush_only()
                s.type("new model B\t")  # the class is offered though no library is in the working directory
                s.expect("new model Boxlet ")
                s.send("box")
                out = s.expect(re.compile(r"texCoords: <[^>]*>\n"))
                self.assertNotIn("not found", out)
                self.assertRegex(out, r"textures: <\d+,\d+>\n")
                shot = s.wait_for_pixels(lambda shot: changed_in(shot, brush_only, 220, 220, 280, 280) > 1800
                                         and len(colours(shot, 200, 200, 300, 300)) > 3)
                self.assertNotIn((0, 0, 0), colours(shot, 220, 220, 280, 280))  # the face towards us, lit
                self.assertEqual(s.command("list classes"), "  Boxlet (loaded)\n  Keyform\n  Meshform\n")
                # The other class is found the same way; its skins are listed at its first draw.
                s.send("new model Keyform " + cottage)
                out = s.expect(re.compile(r"skins: <\d+>\n"))
                self.assertNotIn("cannot", out)
                self.assertNotIn("not found", out)
                self.assertEqual(os.listdir(cwd), [])  # nothing was needed from, or left in, the working directory

    @unittest.skipUnless(os.path.exists(os.path.join(TESTPLUGINS, "Chameleon.so")), "needs the test plug-ins")
    def test_libraries_in_the_working_directory_are_not_loaded(self):
        # Libraries named like a class in the working directory are passed over, and never listed as classes.
        s, _ = self.start(self.installed("bin", "velmora"), planted=("models/Boxlet.so", "Boxlet.so"))
        s.send("new model Boxlet b")
        self.assertRegex(s.expect(re.compile(r"textures: <\d+,\d+>\n|not found.*\n")), r"textures: <\d+,\d+>\n")
        self.assertEqual(s.command("new model Nobody n"), "model not found 'Nobody': %s: cannot open shared "
                         "object file: No such file or directory\n"
                         "available classes: Boxlet (loaded), Keyform, Meshform\n" % self.installed("bin", "models",
                                                                                                     "Nobody.so"))


if __name__ == "__main__":
    unittest.main()
