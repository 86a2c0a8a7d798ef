"""Undo and redo of paint on screen; unsaved paint journaled, recovered or discarded after a kill."""

import glob
import os
import re
import signal
import unittest

from velmora_harness import BOXLET, SessionTest, how_ended, new_box

EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "paint-undo-screenshot.txt")

NOTICE = ("unsaved paint of 1 skin on 1 model was left by a run that did not end normally; type 'recover' to "
          "restore it or 'recover discard' to drop it\n")


def journals(s):
    return sorted(glob.glob(os.path.join(s.state_home, "velmora", "recovery", "run-*", "*.vpj")))


def file_bytes(session, name):
    with open(session.wait_file(name), "rb") as f:
        return f.read()


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class PaintRecovery(SessionTest):
    def brush_on_box(self):
        _, self.skin = new_box(self.s, "box")
        # The brush sits on the z = +1 face, which faces the camera and shows the second skin.
        self.s.quietly("select model brush", "set z 1", "set dim1 0.4", "set solid_dim1 0.3", "set green 0",
                       "set blue 0", "select model box")

    def saved(self, name):
        self.s.quietly("save skin %d %s" % (self.skin, name))
        return file_bytes(self.s, name)

    def test_the_example_command_file_paints_undoes_redoes_and_records_each_stage(self):
        out = self.s.command("exec " + os.path.abspath(EXAMPLE))
        self.assertEqual(re.findall(r"^(undo|redo): paint stroke on model 'box', skin \d+$", out, re.M),
                         ["undo", "redo"], out)
        shot = {name: file_bytes(self.s, name + ".png") for name in ("unpainted", "painted", "undone", "redone")}
        self.assertDiffer(shot["painted"], shot["unpainted"], "the painted and unpainted screenshots")
        self.assertSame(shot["unpainted"], shot["undone"], "the unpainted and undone screenshots")
        self.assertSame(shot["painted"], shot["redone"], "the painted and redone screenshots")

    def test_paint_left_by_a_killed_run_is_recovered_undone_and_discarded(self):
        self.brush_on_box()
        clean = self.saved("clean.bmp")
        self.assertEqual(self.s.command("paint"), "")
        first = self.s.wait_until(lambda: journals(self.s), "the journal on disk")
        written = [os.stat(f).st_mtime_ns for f in first]
        journaled = self.saved("journaled.bmp")
        self.assertDiffer(journaled, clean, "the painted skin")
        self.s.quietly("select model brush", "set x 0.3", "select model box", "paint")
        later = self.saved("later.bmp")
        self.assertDiffer(later, journaled, "the skin painted again")
        self.s.restart()
        # The second paint is back only if the journal was written again before the kill.
        again = [os.stat(f).st_mtime_ns for f in journals(self.s)] != written
        self.assertIn(NOTICE, self.s.expect(">"))

        out = self.s.command("recover")
        self.assertIn("Boxlet model 'box', skin %d (%s, " % (self.skin, os.path.realpath(
            os.path.join(self.s.workdir, "tiles2.bmp"))), out)
        self.assertIn("restored unsaved paint of 1 skin on 1 model as one step ('undo' takes it back)\n", out)
        self.assertSame(self.saved("recovered.bmp"), later if again else journaled, "the recovered skin")
        self.assertEqual(self.s.command("undo"), "undo: paint stroke on model 'box', skin %d\n" % self.skin)
        self.assertSame(self.saved("undone.bmp"), clean, "the skin after undo")
        self.assertEqual(self.s.command("recover"), "no unsaved paint to recover\n")

        # The recovered paint was this run's to keep: a killed run leaves it again, and discarding drops it.
        self.s.restart()
        self.assertIn(NOTICE, self.s.expect(">"))
        self.assertEqual(self.s.command("recover discard"), "dropped unsaved paint of 1 skin\n")
        self.assertEqual(self.s.command("recover"), "no unsaved paint to recover\n")

        # A save takes the journal away; SIGTERM writes it before the process ends by the signal.
        self.brush_on_box()
        self.s.quietly("paint")
        self.s.wait_until(lambda: journals(self.s), "the journal on disk")
        self.s.command("save skins")
        self.s.wait_until(lambda: not journals(self.s), "the journal to go after the save")
        self.s.quietly("paint")
        os.kill(self.s.pid, signal.SIGTERM)
        self.assertEqual(how_ended(self.s.wait_exit()), "SIGTERM")
        self.assertEqual(len(journals(self.s)), 1)

        # A normal quit leaves no journal of its own.
        self.s.restart()
        self.s.expect(">")
        self.assertEqual(self.s.command("recover discard"), "dropped unsaved paint of 1 skin\n")
        self.s.send("quit")
        self.s.wait_exit()
        self.assertEqual(glob.glob(os.path.join(self.s.state_home, "velmora", "recovery", "run-*")), [])


if __name__ == "__main__":
    unittest.main()
