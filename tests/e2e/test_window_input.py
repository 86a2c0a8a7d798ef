"""The real window: mouse and keyboard as real X events, and the overlay texts."""

import os
import re
import unittest

from velmora_harness import BOXLET, SessionTest, changed_in, colours, differs, new_box, pixel, value_of

# x0, y0, x1, y1 of the two texts in the 500 x 500 window.
FPS_TEXT = (20, 0, 420, 60)
POS_TEXT = (20, 440, 420, 498)


class Keys(SessionTest):
    def test_X_three_times_moves_the_scene_as_the_bound_Q_moves_the_brush_by_a_step_of_3(self):
        start = self.s.wait_for_pixels(lambda shot: shot[0] == 500)
        self.s.key("X", "X", "X")
        moved = self.s.wait_for_pixels(lambda shot: differs(shot, start))
        self.s.key("x", "x", "x")
        self.s.wait_for_pixels(lambda shot: not differs(shot, start, 1))
        self.s.quietly("set control_step 3")
        self.s.key("Q")
        self.s.wait_until(lambda: value_of(self.s, "x") == 3, "Q to raise the brush's x by the step")
        brush_moved = self.s.wait_for_pixels(lambda shot: differs(shot, start))
        self.assertFalse(differs(moved, brush_moved, 20))

        # The position text follows the keys.
        self.s.command("set x 0")
        self.assertEqual(self.s.command("toggle pos"), "pos enabled\n")
        with_pos = self.s.wait_for_pixels(lambda shot: changed_in(shot, start, *POS_TEXT))
        self.s.key("X", "X", "X")
        self.s.wait_for_pixels(lambda shot: changed_in(shot, with_pos, *POS_TEXT))


class Rotation(SessionTest):
    def test_left_drag_rotates_and_right_click_restores(self):
        start = self.s.wait_for_pixels(lambda shot: shot[0] == 500)
        # From empty space near the left edge across to the right: a turn about y.
        self.s.drag([(60, 400), (120, 380), (200, 360), (300, 350)])
        self.s.wait_for_pixels(lambda shot: differs(shot, start))
        self.s.x("xdotool", "mousemove", "--window", self.s.window(), "450", "450", "click", "3")
        self.s.wait_for_pixels(lambda shot: not differs(shot, start, 1))  # every pixel as before


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class BrushDrag(SessionTest):
    def test_a_drag_from_a_turned_box_keeps_the_brush_on_its_faces_and_the_wheel_moves_the_scene_or_sizes_it(self):
        new_box(self.s, "box")
        # Turned 45 degrees about y, the box shows two faces meeting in an edge down the middle of the window;
        # the brush is out of the way, so the press lands on the box.
        self.s.quietly("select model brush", "set x 10", "set dim1 0.2", "set solid_dim1 0.1",
                       "select model box", "set rotation_y 45")
        self.assertEqual(self.s.command("toggle painting"), "paint mode enabled\n")
        self.s.drag([(200, 250), (225, 250), (250, 250), (275, 250), (300, 250)])
        self.assertRegex(self.s.command("undo"), r"^undo: paint stroke on model 'box', skin 1; model 'box', skin 2\n$")
        self.assertEqual(self.s.command("undo"), "nothing to undo\n")  # the drag over both faces was one step
        # On either visible face z + |x| is the front edge's distance, sqrt(2), as the faces fall away.
        self.s.quietly("select model brush")
        x, y, z = (value_of(self.s, name) for name in "xyz")
        self.assertTrue(x > 0.3 and abs(y) < 0.05 and abs(z + abs(x) - 2 ** 0.5) < 0.02, (x, y, z))
        # Shift+click takes the colour under the cursor on the current model.
        self.s.quietly("select model box")
        w = self.s.window()
        self.s.x("xdotool", "mousemove", "--window", w, "230", "240", "keydown", "shift", "click", "1", "keyup", "shift")
        self.s.expect(re.compile(r"picked \d\.\d{3} \d\.\d{3} \d\.\d{3}\n"))

        # The wheel moves the scene nearer and back; with Ctrl it sizes the brush by a tenth a notch.
        start = self.s.settled()
        self.s.x("xdotool", "mousemove", "--window", w, "450", "450", "click", "4", "click", "4")
        self.s.wait_for_pixels(lambda shot: differs(shot, start))
        self.s.x("xdotool", "click", "5", "click", "5")
        self.s.wait_for_pixels(lambda shot: not differs(shot, start, 1))
        self.s.quietly("select model brush")
        self.s.x("xdotool", "keydown", "ctrl", "click", "4", "keyup", "ctrl")
        self.s.wait_until(lambda: value_of(self.s, "dim1") == 0.22, "the brush to grow")
        self.assertEqual(value_of(self.s, "solid_dim1"), 0.11)


def has_text(shot, box):
    """Whether box holds anything but the black background."""
    x0, y0, x1, y1 = box
    return any(pixel(shot, x, y) != (0, 0, 0) for x in range(x0, x1) for y in range(y0, y1))


@unittest.skipUnless(os.path.exists(BOXLET), "needs the Boxlet plug-in")
class Overlay(SessionTest):
    def test_a_resting_window_draws_nothing_and_the_texts_stay_green_over_a_textured_model(self):
        self.assertEqual(self.s.command("toggle pos"), "pos enabled\n")
        self.assertEqual(self.s.command("toggle fps"), "fps enabled\n")
        fresh = self.s.settled()
        self.assertTrue(has_text(fresh, POS_TEXT) and has_text(fresh, FPS_TEXT))
        # Every frame would count towards the number and redraw it: ten readings of the window see the same.
        for _ in range(10):
            self.assertEqual(changed_in(self.s.screenshot(), fresh, *FPS_TEXT), 0)
        new_box(self.s, "box")
        with_cube = self.s.wait_for_pixels(lambda shot: differs(shot, fresh))
        # The next frame draws the texts after the textured cube of this one.
        self.s.quietly("select model brush", "set x 3")
        after = self.s.wait_for_pixels(lambda shot: differs(shot, with_cube))
        self.assertEqual(changed_in(after, fresh, *POS_TEXT), 0)
        green = colours(fresh, *FPS_TEXT, step=1)
        self.assertEqual((colours(after, *FPS_TEXT, step=1), len(green)), (green, 2))  # the background and one green
        self.assertEqual(self.s.command("toggle fps"), "fps disabled\n")
        self.s.wait_for_pixels(lambda shot: not has_text(shot, FPS_TEXT))


if __name__ == "__main__":
    unittest.main()
