"""Undo and redo of painting in the real program: a `paint` command and a painting drag are one step each, undo
brings back the window's pixels and a skin saved byte for byte as it was, redo puts the paint back."""

import os
import re
import unittest

from velmora_harness import BOXLET, SessionTest, new_box

EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "paint-undo-screenshot.txt")


def file_bytes(session, name):
    with open(session.wait_file(name), "rb") as f:
        return f.read()


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class PaintUndo(SessionTest):
    def setUp(self):
        super().setUp()
        _, self.skin = new_box(self.s, "box")
        # The brush sits on the middle of the z = +1 face, which faces the camera and shows the second skin.
        self.s.quietly("select model brush", "set z 1", "set dim1 0.4", "set solid_dim1 0.3", "set green 0",
                       "set blue 0", "select model box", "save skin %d before.bmp" % self.skin)

    def saved(self, name):
        self.s.quietly("save skin %d %s" % (self.skin, name))
        return file_bytes(self.s, name)

    def test_a_paint_command_is_undone_and_redone_on_screen_and_in_the_skin(self):
        clean = self.s.settled()
        self.assertEqual(self.s.command("paint"), "")
        painted = self.s.wait_for_pixels(lambda shot: shot[2] != clean[2])
        painted_skin = self.saved("painted.bmp")
        self.assertDiffer(painted_skin, file_bytes(self.s, "before.bmp"), "the painted skin")
        step = "paint stroke on model 'box', skin %d\n" % self.skin
        for _ in range(2):  # back and forth twice: each way is repeatable
            self.assertEqual(self.s.command("undo"), "undo: " + step)
            self.s.wait_for_pixels(lambda shot: shot[2] == clean[2])
            self.assertSame(self.saved("undone.bmp"), file_bytes(self.s, "before.bmp"), "the undone skin")
            self.assertEqual(self.s.command("undo"), "nothing to undo\n")
            self.assertEqual(self.s.command("redo"), "redo: " + step)
            self.s.wait_for_pixels(lambda shot: shot[2] == painted[2])
            self.assertSame(self.saved("redone.bmp"), painted_skin, "the redone skin")
            self.assertEqual(self.s.command("redo"), "nothing to redo\n")

    def test_a_painting_drag_is_one_step_and_a_deleted_model_takes_its_steps(self):
        self.assertEqual(self.s.command("toggle painting"), "paint mode enabled\n")
        self.s.drag([(250, 250), (260, 250), (275, 250), (290, 250), (300, 250)])
        dragged = self.saved("dragged.bmp")
        self.assertDiffer(dragged, file_bytes(self.s, "before.bmp"), "the skin after a painting drag")

        self.assertEqual(self.s.command("undo"), "undo: paint stroke on model 'box', skin %d\n" % self.skin)
        self.assertSame(self.saved("undone.bmp"), file_bytes(self.s, "before.bmp"), "the undone skin")
        self.assertEqual(self.s.command("undo"), "nothing to undo\n")
        self.assertEqual(self.s.command("redo"), "redo: paint stroke on model 'box', skin %d\n" % self.skin)
        self.assertSame(self.saved("redone.bmp"), dragged, "the redone skin")
        self.s.quietly("delete box")
        self.assertEqual(self.s.command("undo"), "nothing to undo\n")


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class ExampleFile(SessionTest):
    def test_the_example_command_file_paints_undoes_redoes_and_records_each_stage(self):
        out = self.s.command("exec " + os.path.abspath(EXAMPLE))
        steps = re.findall(r"^(undo|redo): paint stroke on model 'box', skin \d+$", out, re.M)
        self.assertEqual(steps, ["undo", "redo"], out)
        shot = {name: file_bytes(self.s, name + ".png") for name in ("cube", "painted", "undone", "redone")}
        self.assertDiffer(shot["painted"], shot["undone"], "the painted and undone screenshots")
        self.assertSame(shot["painted"], shot["redone"], "the painted and redone screenshots")


if __name__ == "__main__":
    unittest.main()
