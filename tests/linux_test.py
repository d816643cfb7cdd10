"""The real program on Linux. Each class runs in the X server of one scripts/with-xvfb option:
Desktop with openbox (--wm); Wayland in a headless Weston with XWayland (--weston); TwoMonitors
side by side in Xorg (--two-monitors) and Xinerama's heads where RandR is missing (--xinerama)."""
import os, pathlib, re, signal, socket, subprocess, time, unittest

from harness import TITLE, ProgramTest, geometry, prop, read_image, screenshot, wait_until, \
    windows_named, x


class Desktop(ProgramTest):  # in tests/
    def key(self, window, name):  # as a person does: activate the window, then press
        x("xdotool", "windowactivate", "--sync", str(window), "key", name)

    def test_titled_700_square_placed_recognised_frame_1_is_the_reference_and_escape_ends_it(self):
        program = self.start(stop_after=1, hold_idle=True)
        window = program.window(swaps=1)
        self.assertIsNone(read_image("frame1.png").difference(screenshot(window)))
        program.process.send_signal(signal.SIGCONT)
        # What taskbars match to the desktop entry, and "force quit" dialogs use.
        entry = pathlib.Path("../data/vorlane.desktop").read_text()
        wanted = {"WM_NAME": f'"{TITLE}"', "_NET_WM_PID": str(program.process.pid),
                  "WM_CLASS": f'"vorlane", "{re.search(r"^StartupWMClass=(.*)$", entry, re.M)[1]}"',
                  "WM_CLIENT_MACHINE": f'"{socket.gethostname()}"'}
        self.assertEqual({name: prop(window, name) for name in wanted}, wanted)
        # The window manager puts the frame where the program asked: 50, 100 on 800 x 900.
        left, _, top, _ = map(int, prop(window, "_NET_FRAME_EXTENTS").split(", "))
        px, py, width, height = geometry(window)
        self.assertEqual((px - left, py - top, width, height), (50, 100, 700, 700))
        frames = program.wait_quiet()
        self.key(window, "Escape")
        self.assertEqual((program.wait_exit(), program.swaps()), (0, frames))

    def test_closed_by_the_window_manager_it_ends_with_0(self):
        program = self.start(hold_idle=True)
        window = program.window(swaps=1)

        def closed():  # an openbox that has just started may not have bound alt+F4 yet
            x("xdotool", "windowactivate", "--sync", str(window), "key", "alt+F4", check=False)
            time.sleep(1)
            return program.process.poll() is not None
        wait_until(closed, "alt+F4 to close the window")
        self.assertEqual(program.wait_exit(), 0)

    def test_minimised_it_draws_nothing_and_restored_it_draws_again(self):
        program = self.start()
        window = program.window(swaps=3)
        turning = screenshot(window)
        x("xdotool", "windowminimize", "--sync", str(window))
        paused = program.wait_quiet(seconds=1)
        x("xdotool", "windowactivate", "--sync", str(window))
        program.wait_swaps(paused + 10)
        self.assertNotEqual(screenshot(window).rgb, turning.rgb, "the picture does not change")

    def test_one_notice_holds_the_program_and_each_way_to_dismiss_it_ends_it_with_1(self):
        for way in ("Return", "KP_Enter", "Escape", "space", "alt+F4", "click on OK"):
            with self.subTest(way=way):
                program = self.start(error_at=3)
                notice = program.notice()
                time.sleep(0.5)
                self.assertEqual((prop(notice, "WM_NAME"), len(windows_named("ERROR")),
                                  program.alive(), program.swaps()), ('"ERROR"', 1, True, 2))
                if way == "click on OK":  # the lowest thing drawn in the notice's middle column
                    image = screenshot(notice)
                    column = image.width // 2
                    y = max(y for y in range(image.height) if max(image.pixel(column, y)) < 128)
                    x("xdotool", "mousemove", "--window", str(notice), str(column), str(y - 5),
                      "click", "1")
                else:
                    self.key(notice, way)
                self.assertEqual((program.wait_exit(), program.swaps()), (1, 2))

    def test_the_notice_is_a_modal_dialog_that_stays_on_top_and_leaves_no_trail(self):
        program = self.start(hold_idle=True, error_at=2)
        window = program.window(swaps=1)
        program.wait_quiet()
        shown = screenshot(window)
        self.key(window, "a")  # a frame whose error check fails
        notice = program.notice()
        self.assertIn(hex(window), prop(notice, "WM_TRANSIENT_FOR"))
        for state in ("_NET_WM_STATE_MODAL", "_NET_WM_STATE_SKIP_TASKBAR"):
            self.assertIn(state, prop(notice, "_NET_WM_STATE"))
        # A click on the program's window leaves the notice on top.
        x("xdotool", "mousemove", "120", "820", "click", "1")
        time.sleep(0.3)
        stacking = prop("root", "_NET_CLIENT_LIST_STACKING").replace(",", "").split()
        self.assertLess(stacking.index(hex(window)), stacking.index(hex(notice)))
        # Dragged by its title bar across the window and off its bottom edge, it leaves no trail.
        nx, ny, _, _ = geometry(notice)
        x("xdotool", "mousemove", str(nx + 30), str(ny - 8), "mousedown", "1",
          *(word for step in range(1, 9) for word in
            ("mousemove", str(nx + 30 - 20 * step), str(ny - 8 + 60 * step), "sleep", "0.05")),
          "mouseup", "1")
        self.assertGreater(geometry(notice)[1] - 30, sum(geometry(window)[1::2]))
        self.assertEqual(screenshot(window).rgb, shown.rgb, "the notice left a trail")

    def test_with_no_display_for_the_notice_the_text_goes_to_standard_error(self):
        # The program reaches the server through a second name for its socket, which is gone
        # by the time the notice would open a connection of its own.
        number = next(n for n in range(500, 600) if not os.path.exists(f"/tmp/.X11-unix/X{n}"))
        alias = f"/tmp/.X11-unix/X{number}"
        os.symlink("/tmp/.X11-unix/X" + os.environ["DISPLAY"].lstrip(":"), alias)
        self.addCleanup(lambda: os.path.lexists(alias) and os.remove(alias))
        program = self.start("-display", f":{number}", error_at=100)
        program.window()
        os.remove(alias)
        self.assertEqual(program.wait_exit(), 1)
        self.assertIn("ERROR: invalid operation\n", program.stderr())


class Wayland(ProgramTest):  # in tests/; headless Weston has no seat, so keys go to the window
    def test_titled_700_square_frame_1_is_the_reference_and_escape_ends_it_with_0(self):
        program = self.start(stop_after=1)
        window = program.window(swaps=1)
        self.assertEqual((prop(window, "WM_NAME"), geometry(window)[2:]), (f'"{TITLE}"', (700, 700)))
        self.assertIsNone(read_image("frame1.png").difference(screenshot(window)))
        program.process.send_signal(signal.SIGCONT)
        x("xdotool", "keydown", "--window", str(window), "Escape")
        self.assertEqual(program.wait_exit(), 0)

    def test_an_error_shows_the_notice_as_the_windows_dialog_and_dismissing_it_ends_it_with_1(self):
        program = self.start(error_at=3)
        window, notice = program.window(), program.notice()
        # A dialog of the window, which the compositor keeps over it.
        self.assertIn(hex(window), prop(notice, "WM_TRANSIENT_FOR"))
        x("xdotool", "keydown", "--window", str(notice), "Return")
        self.assertEqual((program.wait_exit(), program.swaps()), (1, 2))


LAYOUTS = {  # xrandr's arguments, each from the one before; the server starts with the right primary
    "primary right": [],
    "primary left": ["--output", "DUMMY0", "--primary"],
    "none primary, so the first": ["--noprimary"],
    "a smaller primary right": ["--output", "DUMMY1", "--mode", "1280x1024", "--primary"],
}


def margins(inner, outer):  # left, right, top, bottom of inner (x, y, width, height) in outer
    (ix, iy, iw, ih), (ox, oy, ow, oh) = inner, outer
    return ix - ox, ox + ow - ix - iw, iy - oy, oy + oh - iy - ih


class Monitors(ProgramTest):  # with no window manager to move the window or its notice
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
        self.addCleanup(lambda: other.stdin.close() or other.wait())
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
