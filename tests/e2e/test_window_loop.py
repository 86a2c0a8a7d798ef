"""The window loop in the real program: a resting window draws nothing until something changes, and the
overlay texts keep their green whatever was drawn before them. (The frame-rate number's arithmetic, rests
included, is FrameRateMeterTest's: it takes a clock, which here would only measure how busy the machine is.)"""

import unittest

from velmora_harness import BOXLET, SessionTest, changed_in, differs, new_box, pixel

# x0, y0, x1, y1 of the two texts in the 500 x 500 window.
FPS_TEXT = (20, 0, 420, 60)
POS_TEXT = (20, 440, 420, 498)
BLACK = (0, 0, 0)


def region(shot, box):
    x0, y0, x1, y1 = box
    return [pixel(shot, x, y) for y in range(y0, y1) for x in range(x0, x1)]


def text_columns(shot, box):
    """The first and last column of box holding text (anything not background); None without text."""
    x0, y0, x1, y1 = box
    xs = [x for x in range(x0, x1) for y in range(y0, y1) if pixel(shot, x, y) != BLACK]
    return (min(xs), max(xs)) if xs else None


class Resting(SessionTest):
    def test_a_resting_window_draws_nothing_and_a_command_shows_at_once(self):
        self.assertEqual(self.s.command("toggle fps"), "fps enabled\n")
        shown = self.s.wait_for_pixels(lambda shot: text_columns(shot, FPS_TEXT))
        # Every frame would count towards the number and redraw it: ten readings of the window see the same.
        for _ in range(10):
            self.assertEqual(changed_in(self.s.screenshot(), shown, *FPS_TEXT), 0)
        self.s.quietly("set x 3")
        self.s.wait_for_pixels(lambda shot: differs(shot, shown))


@unittest.skipUnless(__import__("os").path.exists(BOXLET), "needs the Boxlet plug-in")
class WithACube(SessionTest):
    def test_the_texts_stay_green_after_a_textured_model_was_drawn(self):
        self.assertEqual(self.s.command("toggle pos"), "pos enabled\n")
        self.assertEqual(self.s.command("toggle fps"), "fps enabled\n")
        fresh = self.s.wait_for_pixels(lambda shot: text_columns(shot, POS_TEXT) and text_columns(shot, FPS_TEXT))
        new_box(self.s, "box")
        with_cube = self.s.wait_for_pixels(lambda shot: differs(shot, fresh))
        # The next frame draws the texts after the textured cube of this one.
        self.s.quietly("select model brush", "set x 3")
        after = self.s.wait_for_pixels(lambda shot: differs(shot, with_cube))
        self.assertEqual(changed_in(after, fresh, *POS_TEXT), 0)
        self.assertEqual(set(region(after, FPS_TEXT)), set(region(fresh, FPS_TEXT)))
        self.assertEqual(len(set(region(fresh, FPS_TEXT))), 2)  # the background and one green


if __name__ == "__main__":
    unittest.main()
