"""Mouse and keyboard in the real window, with real X events."""

import re
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


def value_of(s, name):
    out = s.command("get " + name)
    m = re.fullmatch(r"  %s: (-?\d+\.\d{6})\n" % re.escape(name), out)
    if not m:
        raise AssertionError("unexpected get output %r" % out)
    return m.group(1)


def count_differences(a, b):
    ra, rb = a[2], b[2]
    return sum(1 for i in range(0, len(ra), 3) if ra[i:i + 3] != rb[i:i + 3])


class Keys(SessionTest):
    def wait_value(self, name, expected):
        for _ in range(200):
            if value_of(self.s, name) == expected:
                return
        self.assertEqual(value_of(self.s, name), expected)

    def test_bound_keys_drive_the_current_model(self):
        # The brush is current; Q raises x by the step, q lowers it.
        self.s.key("Q")
        self.wait_value("x", "4.000000")
        self.s.key("q", "q")
        self.wait_value("x", "-4.000000")
        # The step goes through single precision: 0.1f, not 0.1.
        self.s.command("set control_step 0.1")
        self.s.key("E")
        self.wait_value("z", "0.100000")
        # A key without a binding changes nothing.
        self.s.key("r")
        self.assertEqual(value_of(self.s, "x"), "-4.000000")

    def test_X_three_times_moves_the_scene_three_units(self):
        start = self.s.wait_for_pixels(lambda shot: shot[0] == 500)
        self.s.key("X", "X", "X")
        moved = self.s.wait_for_pixels(lambda shot: differs(shot, start))
        # Moving the scene 3 units along x looks like moving the brush there.
        self.s.key("x", "x", "x")
        self.s.wait_for_pixels(lambda shot: not differs(shot, start, 1))
        self.s.command("set x 3")
        brush_moved = self.s.wait_for_pixels(lambda shot: differs(shot, start))
        self.assertLess(count_differences(moved, brush_moved), 20)

        # The position overlay follows the keys.
        self.s.command("set x 0")
        self.assertEqual(self.s.command("toggle pos"), "pos enabled\n")
        with_pos = self.s.wait_for_pixels(lambda shot: differs(shot, start))
        self.s.key("X", "X", "X")
        self.s.wait_for_pixels(lambda shot: differs(shot, with_pos))
        text_region = [with_pos[2][(y * 500 + x) * 3:(y * 500 + x) * 3 + 3] for y in range(380, 500) for x in range(0, 250)]
        shot = self.s.screenshot()
        now_region = [shot[2][(y * 500 + x) * 3:(y * 500 + x) * 3 + 3] for y in range(380, 500) for x in range(0, 250)]
        self.assertNotEqual(text_region, now_region)


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
