"""Mouse and keyboard in the real window, with real X events."""

import unittest

from velmora_harness import SessionTest


def differs(a, b, min_pixels=50):
    """True when at least min_pixels pixels differ between two shots."""
    if a[:2] != b[:2]:
        return True
    changed = 0
    ra, rb = a[2], b[2]
    for i in range(0, len(ra), 3):
        if ra[i:i + 3] != rb[i:i + 3]:
            changed += 1
            if changed >= min_pixels:
                return True
    return False


class Rotation(SessionTest):
    def drag(self, button, points):
        w = self.s.window()
        x0, y0 = points[0]
        args = ["xdotool", "mousemove", "--window", w, str(x0), str(y0), "mousedown", str(button)]
        for x, y in points[1:]:
            args += ["mousemove", "--window", w, str(x), str(y)]
        args += ["mouseup", str(button)]
        self.s.x(*args)

    def test_left_drag_rotates_and_right_click_restores(self):
        start = self.s.wait_for_pixels(lambda shot: shot[0] == 500)
        # From empty space near the left edge across to the right: a turn about y.
        self.drag(1, [(60, 400), (120, 380), (200, 360), (300, 350)])
        turned = self.s.wait_for_pixels(lambda shot: differs(shot, start))
        self.assertTrue(differs(turned, start))
        self.s.x("xdotool", "mousemove", "--window", self.s.window(), "450", "450", "click", "3")
        restored = self.s.wait_for_pixels(lambda shot: not differs(shot, start, 1))
        self.assertEqual(restored[2], start[2])


if __name__ == "__main__":
    unittest.main()
