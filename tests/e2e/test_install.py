"""The program started from a directory that holds none of its files: installed under a prefix with
cmake --install, and straight from its build folder. It finds its classes and the cube's textures beside
itself; the working directory may hold textures of its own, but its libraries are never loaded as classes.
The installation also gives desktops an entry, MIME types and an icon, and man a manual page."""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from velmora_harness import BOXLET, BUILD_DIR, DEADLINE, Session, changed_in, difference

TESTPLUGINS = os.path.join(BUILD_DIR, "testplugins")


def started_in(cwd, program):
    """What Session runs in the child before its own start: the program from cwd instead."""
    def start(s):
        env = dict(os.environ, DISPLAY=s.display, TERM="dumb", INPUTRC="/dev/null", XDG_STATE_HOME=s.state_home)
        env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        os.chdir(cwd)
        os.execve(program, [program], env)
    return start


def exported_data(program):
    """The variables the program lets plug-ins reach: its dynamic data symbols but the linker's markers and the
    classes' type information (V), which plug-ins derive from."""
    out = subprocess.run(["nm", "-D", "--defined-only", program], check=True, capture_output=True, text=True).stdout
    return sorted(f[2] for f in map(str.split, out.splitlines())
                  if f[1] in "BDGRSu" and not re.match(r"__|_IO_stdin_used$|_edata$|_end$", f[2]))


def colours(shot, x0, y0, x1, y1):
    w, _, rgb = shot
    return {bytes(rgb[(y * w + x) * 3:(y * w + x) * 3 + 3]) for y in range(y0, y1, 2) for x in range(x0, x1, 2)}


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class RunFromElsewhere(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = os.path.realpath(tempfile.mkdtemp(prefix="velmora-prefix-"))
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", cls.prefix], check=True,
                       capture_output=True, timeout=DEADLINE)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def setUp(self):
        self.cwd = tempfile.mkdtemp(prefix="velmora-elsewhere-")
        self.s = None

    def tearDown(self):
        errors = self.s.close() if self.s else ""
        shutil.rmtree(self.cwd, ignore_errors=True)
        for marker in ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer"):
            self.assertNotIn(marker, errors)

    def start(self, program):
        self.s = Session(before_exec=started_in(self.cwd, program))
        self.s.expect(">")
        return self.s

    def shows_a_textured_cube(self, program, cottage):
        s = self.start(program)
        brush_only = s.wait_for_pixels(lambda shot: len(colours(shot, 0, 0, 500, 500)) > 10)
        s.type("new model B\t")  # the class is offered though no library is in the working directory
        s.expect("new model Boxlet ")
        s.send("box")
        out = s.expect(re.compile(r"texCoords: <[^>]*>\n"))
        self.assertNotIn("not found", out)
        self.assertRegex(out, r"textures: <\d+,\d+>\n")
        s.wait_for_pixels(lambda shot: changed_in(shot, brush_only, 220, 220, 280, 280) > 1800
                          and len(colours(shot, 200, 200, 300, 300)) > 3)
        self.assertEqual(s.command("list classes"), "  Boxlet (loaded)\n  Keyform\n  Meshform\n")
        # The other class is found the same way; its sample model is named by its folder.
        # Its skins are listed by the window thread at its first draw, which may come after the prompt.
        s.send("new model Keyform " + cottage)
        out = s.expect(re.compile(r"skins: <\d+>\n"))
        self.assertNotIn("cannot", out)
        self.assertNotIn("not found", out)
        self.assertEqual(os.listdir(self.cwd), [])  # nothing was needed from, or left in, the working directory

    def test_installed_program_started_elsewhere(self):
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
            with open(os.path.join(self.prefix, png), "rb") as f:
                header = f.read(24)
            self.assertEqual(struct.unpack(">II", header[16:24]), (48, 48))
        self.assertEqual(exported_data(os.path.join(self.prefix, "bin", "velmora")), ["current_model", "model_classes"])
        self.shows_a_textured_cube(os.path.join(self.prefix, "bin", "velmora"),
                                   os.path.join(self.prefix, "share", "velmora", "cottage"))

    def test_desktop_entry_and_manual_page(self):
        entry = os.path.join(self.prefix, "share", "applications", "velmora.desktop")
        if shutil.which("desktop-file-validate"):
            check = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
            self.assertEqual((check.returncode, check.stdout + check.stderr), (0, ""))
        # Every type the entry claims is one the system's MIME database or the installed one defines.
        ns = "{http://www.freedesktop.org/standards/shared-mime-info}"
        known = {"inode/directory"}
        for packages in ("/usr/share/mime/packages", os.path.join(self.prefix, "share", "mime", "packages")):
            for name in os.listdir(packages) if os.path.isdir(packages) else []:
                for t in ElementTree.parse(os.path.join(packages, name)).getroot().iter(ns + "mime-type"):
                    known.add(t.get("type"))
                    known.update(a.get("type") for a in t.iter(ns + "alias"))
        with open(entry) as f:
            claimed = re.search(r"^MimeType=(.*);$", f.read(), re.M).group(1).split(";")
        self.assertIn("model/x-md2", claimed)
        self.assertEqual(sorted(set(claimed) - known), [])
        # The page renders without a warning, alone and as man finds it under the prefix.
        env = dict(os.environ, MANWIDTH="80", MANPAGER="cat")
        env.pop("MAN_KEEP_FORMATTING", None)
        page = os.path.join(self.prefix, "share", "man", "man1", "velmora.1")
        alone = subprocess.run(["man", "--warnings", "-l", page], capture_output=True, text=True, env=env,
                               timeout=DEADLINE)
        self.assertEqual((alone.returncode, alone.stderr), (0, ""))
        name = re.search(r"^NAME\n +(\S+) - ", alone.stdout, re.M)
        self.assertEqual(name.group(1) if name else alone.stdout[:160], "velmora")
        self.assertEqual([s for s in ("SYNOPSIS", "OPTIONS", "COMMANDS", "MOUSE AND KEYS", "FILES", "EXIT STATUS",
                                      "ENVIRONMENT", "SEE ALSO") if "\n%s\n" % s not in alone.stdout], [])
        found = subprocess.run(["man", "velmora"], capture_output=True, text=True, timeout=DEADLINE,
                               env=dict(env, MANPATH=os.path.join(self.prefix, "share", "man")))
        self.assertEqual(difference(found.stdout.encode(), alone.stdout.encode()), "", found.stderr)

    def test_build_folders_program_started_elsewhere(self):
        self.shows_a_textured_cube(os.path.join(BUILD_DIR, "velmora"), os.path.join(BUILD_DIR, "cottage"))

    @unittest.skipUnless(os.path.exists(os.path.join(TESTPLUGINS, "Chameleon.so")), "needs the test plug-ins")
    def test_libraries_in_the_working_directory_are_not_loaded(self):
        # A downloaded folder holding libraries named like a class, which would register Boxlet but make no model,
        # is passed over for the installed class; a class nobody has is reported with the last place tried and
        # the installed classes, the working directory's planted ones left out.
        os.mkdir(os.path.join(self.cwd, "models"))
        for planted in ("models/Boxlet.so", "Boxlet.so"):
            shutil.copy(os.path.join(TESTPLUGINS, "Chameleon.so"), os.path.join(self.cwd, planted))
        s = self.start(os.path.join(self.prefix, "bin", "velmora"))
        s.send("new model Boxlet b")
        self.assertRegex(s.expect(re.compile(r"textures: <\d+,\d+>\n|not found.*\n")), r"textures: <\d+,\d+>\n")
        last = os.path.join(self.prefix, "bin", "models", "Nobody.so")
        self.assertEqual(s.command("new model Nobody n"), "model not found 'Nobody': %s: cannot open shared "
                         "object file: No such file or directory\n"
                         "available classes: Boxlet (loaded), Keyform, Meshform\n" % last)


if __name__ == "__main__":
    unittest.main()
