"""The window on two monitors side by side, laid out in turn by xrandr, with no window manager to
move it (scripts/with-xvfb --two-monitors)."""
import re, unittest

from harness import ProgramTest, geometry, x

LAYOUTS = {  # xrandr's arguments, each from the one before; the server starts with the right primary
    "primary right": [],
    "primary left": ["--output", "DUMMY0", "--primary"],
    "none primary, so the first": ["--noprimary"],
    "a smaller primary right": ["--output", "DUMMY1", "--mode", "1280x1024", "--primary"],
}


class TwoMonitors(ProgramTest):  # in tests/
    def test_the_window_lies_wholly_on_the_primary_monitor_centred_there(self):
        x("xrandr", "--addmode", "DUMMY1", "1280x1024")
        for layout, arguments in LAYOUTS.items():
            with self.subTest(layout=layout):
                x("xrandr", *arguments)
                monitors = re.findall(r"\d+: \+(\*?)\S+ (\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)",
                                      x("xrandr", "--listmonitors"))
                mw, mh, mx, my = map(int, max(monitors, key=lambda m: m[0] == "*")[1:])
                wx, wy, width, height = geometry(self.start(hold_idle=True).window())
                left, right, top, bottom = wx - mx, mx + mw - wx - width, wy - my, my + mh - wy - height
                self.assertTrue(min(left, right, top, bottom) >= 0 and abs(left - right) <= 1 and
                                abs(top - bottom) <= 1, f"margins {left}, {right}, {top}, {bottom}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
