"""vorlane.exe under Wine, in the X server of scripts/with-xvfb: its titled 700 x 700 window
shows the shape, which turns, and Escape ends the program with status 0."""
import os
import subprocess
import unittest

from harness import TITLE, geometry, screenshot, wait_until, windows_named, x


class UnderWine(unittest.TestCase):
    def test_the_window_shows_the_shape_turning_and_escape_ends_it_with_0(self):
        program = subprocess.Popen(["wine", os.environ["VORLANE_PROGRAM"]],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(program.kill)
        # Wine makes its window before it maps it; the first start in a prefix takes a while.
        window = wait_until(lambda: windows_named(TITLE), "the window", 60)[0]
        self.assertEqual(geometry(window)[2:], (700, 700))
        # The shape, lit, in the middle of the black background; later, turned.
        first = wait_until(lambda: max((shot := screenshot(window)).pixel(350, 350)) > 40 and shot,
                           "a frame")
        self.assertEqual([first.pixel(p, q) for p in (0, 699) for q in (0, 699)], [(0, 0, 0)] * 4)
        wait_until(lambda: screenshot(window).rgb != first.rgb, "the shape to turn")

        # With no window manager, Wine may still be taking the focus when the first key comes.
        def escape_ends_it():
            x("xdotool", "windowfocus", str(window))
            x("xdotool", "key", "Escape")
            try:
                return program.wait(timeout=5) is not None
            except subprocess.TimeoutExpired:
                return False
        wait_until(escape_ends_it, "Escape to end the program", 30)
        self.assertEqual(program.returncode, 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
