"""Where the window and its notice go with several monitors, with no window manager to move them:
two side by side, laid out in turn by xrandr (scripts/with-xvfb --two-monitors), and Xinerama's
heads where RandR is missing (--xinerama)."""
import os, re, subprocess, unittest

from harness import Program, geometry, wait_until, windows_named, x

LAYOUTS = {  # xrandr's arguments, each from the one before; the server starts with the right primary
    "primary right": [],
    "primary left": ["--output", "DUMMY0", "--primary"],
    "none primary, so the first": ["--noprimary"],
    "a smaller primary right": ["--output", "DUMMY1", "--mode", "1280x1024", "--primary"],
}


def margins(inner, outer):  # left, right, top, bottom of inner (x, y, width, height) in outer
    (ix, iy, iw, ih), (ox, oy, ow, oh) = inner, outer
    return ix - ox, ox + ow - ix - iw, iy - oy, oy + oh - iy - ih


class Monitors(unittest.TestCase):
    def check_centred(self, inner, outer, what):
        left, right, top, bottom = margins(inner, outer)
        self.assertTrue(min(left, right, top, bottom) >= 0 and abs(left - right) <= 1 and
                        abs(top - bottom) <= 1, f"{what}: margins {left}, {right}, {top}, {bottom}")

    def start_then_fail(self, *arguments, move=None, env=None):  # the window, then its notice
        program = Program(*arguments, hold_idle=True, error_at=2, env=env)
        try:
            window = program.window()
            program.wait_swaps(1)
            if move:
                x("xdotool", "windowmove", "--sync", str(window), *map(str, move))
            x("xdotool", "windowfocus", str(window), "key", "a")  # the frame whose check fails
            notice = wait_until(lambda: program.alive() and windows_named("ERROR"), "the notice")
            return geometry(window), geometry(notice[0])
        finally:
            program.stop()


class TwoMonitors(Monitors):  # in tests/
    def primary(self):
        monitors = re.findall(r"\d+: \+(\*?)\S+ (\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)",
                              x("xrandr", "--listmonitors"))
        mw, mh, mx, my = map(int, max(monitors, key=lambda m: m[0] == "*")[1:])
        return mx, my, mw, mh

    def test_the_window_and_its_notice_lie_on_the_primary_monitor_centred_there(self):
        x("xrandr", "--addmode", "DUMMY1", "1280x1024")
        for layout, arguments in LAYOUTS.items():
            with self.subTest(layout=layout):
                x("xrandr", *arguments)
                monitor = self.primary()
                window, notice = self.start_then_fail()
                self.check_centred(window, monitor, "the window")
                self.check_centred(notice, monitor, "the notice")
                self.check_centred(notice, window, "the notice over the window")

    def test_over_a_window_partly_off_its_monitor_the_notice_stays_wholly_on_it(self):
        x("xrandr", "--output", "DUMMY0", "--primary")  # the left one: the right is another monitor
        monitor = self.primary()
        for corner in ((1500, 700), (-300, -300)):
            with self.subTest(window_at=corner):
                _, notice = self.start_then_fail(move=corner)
                self.assertGreaterEqual(min(margins(notice, monitor)), 0, f"the notice at {notice}")

    def test_the_monitors_are_those_of_the_display_option_not_of_DISPLAY(self):
        # DISPLAY names another server, a plain one-monitor Xvfb, for as long as this test runs.
        other = subprocess.Popen(["../scripts/with-xvfb", "sh", "-c", "echo $DISPLAY; cat"],
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.addCleanup(other.wait)
        self.addCleanup(other.stdin.close)
        env = dict(os.environ, DISPLAY=other.stdout.readline().strip())
        window, _ = self.start_then_fail("-display", os.environ["DISPLAY"], env=env)
        self.check_centred(window, self.primary(), "the window")


class Xinerama(Monitors):  # in tests/
    def test_with_no_randr_the_window_and_its_notice_are_centred_on_the_first_head(self):
        heads = re.findall(r"head #\d+: (\d+)x(\d+) @ (\d+),(\d+)", x("xdpyinfo", "-ext", "XINERAMA"))
        self.assertEqual(len(heads), 2, "two heads")
        width, height, hx, hy = map(int, heads[0])
        window, notice = self.start_then_fail()
        self.check_centred(window, (hx, hy, width, height), "the window")
        self.check_centred(notice, window, "the notice over the window")


if __name__ == "__main__":
    unittest.main(verbosity=2)
