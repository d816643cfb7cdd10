"""The real program on a desktop: an X server with openbox (scripts/with-xvfb --wm), the probe
preloaded to count and hold frames and to make a frame's error check fail."""
import os
import re
import socket
import time
import unittest

from harness import TITLE, Program, geometry, prop, read_image, screenshot, wait_until, x
from harness import windows_named

HERE = os.path.dirname(os.path.abspath(__file__))


class Run(unittest.TestCase):
    def start(self, *arguments, **probe):
        program = Program(*arguments, **probe)
        self.addCleanup(program.stop)
        return program

    def key(self, window, name):
        """Types a key into a window the way a person does: activate it, then press."""
        x("xdotool", "windowactivate", "--sync", str(window))
        x("xdotool", "key", name)

    def held_frame(self, frame):
        program = self.start(stop_after=frame)
        window = program.window()
        program.wait_stopped()
        self.assertEqual(program.swaps(), frame)
        return screenshot(window)

    def notice(self, program):
        """The program's notice, once it is shown."""
        return wait_until(lambda: program.alive() and windows_named("ERROR"), "the notice")[0]


class Window(Run):
    def test_titled_700_square_centred_recognised_and_escape_ends_it_with_no_further_frame(self):
        program = self.start(hold_idle=True)
        window = program.window()
        program.wait_swaps(1)
        self.assertEqual(prop(window, "WM_NAME"), f'"{TITLE}"')
        # What taskbars match to the desktop entry, and "force quit" dialogs use.
        with open(os.path.join(HERE, "..", "data", "vorlane.desktop")) as entry:
            wm_class = re.search(r"^StartupWMClass=(.*)$", entry.read(), re.M)[1]
        self.assertEqual(prop(window, "WM_CLASS"), f'"vorlane", "{wm_class}"')
        self.assertEqual(prop(window, "_NET_WM_PID"), str(program.process.pid))
        self.assertEqual(prop(window, "WM_CLIENT_MACHINE"), f'"{socket.gethostname()}"')
        # The window manager puts the frame where the program asked: 50, 100 on 800 x 900.
        left, _, top, _ = map(int, prop(window, "_NET_FRAME_EXTENTS").split(", "))
        px, py, width, height = geometry(window)
        self.assertEqual((px - left, py - top, width, height), (50, 100, 700, 700))
        frames = program.wait_quiet()
        self.key(window, "Escape")
        self.assertEqual((program.wait_exit(), program.swaps()), (0, frames))


class Frames(Run):
    def test_frame_1_is_the_reference_in_every_run_and_a_later_frame_differs(self):
        first = self.held_frame(1)
        self.assertIsNone(read_image(os.path.join(HERE, "frame1.png")).difference(first))
        self.assertEqual(self.held_frame(1).rgb, first.rgb)
        self.assertNotEqual(self.held_frame(60).rgb, first.rgb)

    def test_minimised_it_draws_nothing_and_restored_it_draws_again(self):
        program = self.start()
        window = program.window()
        program.wait_swaps(3)
        x("xdotool", "windowminimize", "--sync", str(window))
        paused = program.wait_quiet()
        time.sleep(0.5)
        self.assertEqual(program.swaps(), paused)
        x("xdotool", "windowactivate", "--sync", str(window))
        program.wait_swaps(paused + 10)


class Notice(Run):
    def test_one_notice_holds_the_program_and_each_way_to_dismiss_it_ends_it_with_1(self):
        for way in ("Return", "KP_Enter", "Escape", "space", "alt+F4", "click on OK"):
            with self.subTest(way=way):
                program = self.start(error_at=3)
                program.window()
                notice = self.notice(program)
                self.assertEqual(prop(notice, "WM_NAME"), '"ERROR"')
                time.sleep(0.5)
                # The frames before the failing one were shown, and no more.
                self.assertEqual((program.alive(), program.swaps(), len(windows_named("ERROR"))),
                                 (True, 2, 1))
                if way == "click on OK":
                    # The button is the lowest thing drawn in the notice's middle column.
                    image = screenshot(notice)
                    column = image.width // 2
                    bottom = max(y for y in range(image.height)
                                 if max(image.pixel(column, y)) < 128)
                    x("xdotool", "mousemove", "--window", str(notice), str(column),
                      str(bottom - 5), "click", "1")
                else:
                    self.key(notice, way)
                self.assertEqual((program.wait_exit(), program.swaps()), (1, 2))

    def test_the_notice_is_a_modal_dialog_that_stays_on_top_and_leaves_no_trail(self):
        program = self.start(hold_idle=True, error_at=2)
        window = program.window()
        program.wait_swaps(1)
        program.wait_quiet()
        shown = screenshot(window)
        self.key(window, "a")  # a frame whose error check fails
        notice = self.notice(program)
        self.assertIn(hex(window), prop(notice, "WM_TRANSIENT_FOR"))
        for state in ("_NET_WM_STATE_MODAL", "_NET_WM_STATE_SKIP_TASKBAR"):
            self.assertIn(state, prop(notice, "_NET_WM_STATE"))
        # A click on the program's window leaves the notice on top, and with the keyboard.
        x("xdotool", "mousemove", "120", "820", "click", "1")
        time.sleep(0.3)
        stacking = prop("root", "_NET_CLIENT_LIST_STACKING").replace(",", "").split()
        self.assertLess(stacking.index(hex(window)), stacking.index(hex(notice)))
        # Dragged across the window by its title bar, the notice leaves nothing behind.
        nx, ny, _, _ = geometry(notice)
        x("xdotool", "mousemove", str(nx + 30), str(ny - 8), "mousedown", "1",
          *(word for step in range(1, 9) for word in
            ("mousemove", str(nx + 30 - 25 * step), str(ny - 8 + 45 * step), "sleep", "0.05")),
          "mouseup", "1")
        wx, wy, _, _ = geometry(window)
        left, right, top, bottom = map(int, prop(notice, "_NET_FRAME_EXTENTS").split(", "))
        nx, ny, nw, nh = geometry(notice)
        covered = range(nx - left - wx, nx + nw + right - wx), range(ny - top - wy, ny + nh - wy)
        after = screenshot(window)
        trail = [(px, py) for px in range(0, 700, 3) for py in range(0, 700, 3)
                 if (px not in covered[0] or py not in covered[1])
                 and after.pixel(px, py) != shown.pixel(px, py)]
        self.assertFalse(trail, f"{len(trail)} pixels changed, such as {trail[:3]}")
        self.key(notice, "Return")
        self.assertEqual(program.wait_exit(), 1)

    def test_with_no_display_for_the_notice_the_text_goes_to_standard_error(self):
        # The program reaches the server through a second name for its socket, which is gone
        # by the time the notice would open a connection of its own.
        sockets = "/tmp/.X11-unix/X"
        number = next(n for n in range(500, 600) if not os.path.exists(f"{sockets}{n}"))
        os.symlink(sockets + os.environ["DISPLAY"].lstrip(":"), f"{sockets}{number}")
        try:
            program = self.start("-display", f":{number}", error_at=100)
            program.window()
        finally:
            os.remove(f"{sockets}{number}")
        self.assertEqual(program.wait_exit(), 1)
        program.errors.seek(0)
        self.assertIn("ERROR: invalid operation\n", program.errors.read())


if __name__ == "__main__":
    unittest.main(verbosity=2)
