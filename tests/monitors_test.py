"""Where the window and its notice go with several monitors, with no window manager to move them:
two side by side, laid out in turn by xrandr (scripts/with-xvfb --two-monitors), and Xinerama's
heads where RandR is missing (--xinerama)."""
import os, re, subprocess, unittest

from harness import ProgramTest, geometry, x

LAYOUTS = {  # xrandr's arguments, each from the one before; the server starts with the right primary
    "primary right": [],
    "primary left": ["--output", "DUMMY0", "--primary"],
    "none primary, so the first": ["--noprimary"],
    "a smaller primary right": ["--output", "DUMMY1", "--mode", "1280x1024", "--primary"],
}


def margins(inner, outer):  # left, right, top, bottom of inner (x, y, width, height) in outer
    (ix, iy, iw, ih), (ox, oy, ow, oh) = inner, outer
    return ix - ox, ox + ow - ix - iw, iy - oy, oy + oh - iy - ih


class Monitors(ProgramTest):
    def start_then_fail(self, *arguments, move=None, env=None):  # the window, then its notice
        program = self.start(*arguments, hold_idle=True, error_at=2, env=env)
        window = program.window(swaps=1)
        if move:
            x("xdotool", "windowmove", "--sync", str(window), *map(str, move))
        x("xdotool", "windowfocus", str(window), "key", "a")  # the frame whose check fails
        places = geometry(window), geometry(program.notice())
        program.stop()  # so that the next notice is the only one
        return places

    def check_centred(self, monitor, *arguments, **options):  # the window there, the notice over it
        window, notice = self.start_then_fail(*arguments, **options)
        for inner, outer, what in ((window, monitor, "the window"), (notice, monitor, "the notice"),
                                   (notice, window, "the notice over the window")):
            left, right, top, bottom = margins(inner, outer)
            self.assertTrue(min(left, right, top, bottom) >= 0 and abs(left - right) <= 1 and
                            abs(top - bottom) <= 1, f"{what}: margins {left, right, top, bottom}")


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
                self.check_centred(self.primary())

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
        self.check_centred(self.primary(), "-display", os.environ["DISPLAY"], env=env)


class Xinerama(Monitors):  # in tests/
    def test_with_no_randr_the_window_and_its_notice_are_centred_on_the_first_head(self):
        heads = re.findall(r"head #\d+: (\d+)x(\d+) @ (\d+),(\d+)", x("xdpyinfo", "-ext", "XINERAMA"))
        self.assertEqual(len(heads), 2, "two heads")
        width, height, hx, hy = map(int, heads[0])
        self.check_centred((hx, hy, width, height))


if __name__ == "__main__":
    unittest.main(verbosity=2)
