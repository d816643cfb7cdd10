"""The real program on a desktop: an X server with openbox (scripts/with-xvfb --wm), the probe
preloaded to count and hold frames and to make a frame's error check fail."""
import configparser
import glob
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import Program, TITLE, difference, geometry, prop, read_image, screenshot, x
from harness import wait_until, windows_named

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "frame1.png")
FAILING_FRAME = 3


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


class Window(Run):
    def test_titled_700_square_centred_and_escape_ends_it_with_no_further_frame(self):
        program = self.start(hold_idle=True)
        window = program.window()
        program.wait_swaps(1)
        self.assertEqual(prop(window, "WM_NAME"), f'"{TITLE}"')
        # The window manager puts the frame where the program asked: 50, 100 on 800 x 900.
        left, _, top, _ = map(int, prop(window, "_NET_FRAME_EXTENTS").split(", "))
        px, py, width, height = geometry(window)
        self.assertEqual((px - left, py - top, width, height), (50, 100, 700, 700))

        frames = program.wait_quiet()
        self.key(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual(program.swaps(), frames)


class Frames(Run):
    def test_frame_1_is_the_reference_in_every_run_and_a_later_frame_differs(self):
        first = self.held_frame(1)
        self.assertIsNone(difference(read_image(REFERENCE), first))
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
    def start_failing(self, *arguments):
        """The program with an error at its third frame, once the notice is up; returns it and
        the notice."""
        program = self.start(*arguments, error_at=FAILING_FRAME)
        program.window()
        notices = wait_until(lambda: program.alive() and windows_named("ERROR"), "the notice")
        self.assertEqual(len(notices), 1)
        self.assertEqual(prop(notices[0], "WM_NAME"), '"ERROR"')
        time.sleep(0.5)
        program.alive()
        # The frames before the failing one were shown; the failing one and none after it.
        self.assertEqual(program.swaps(), FAILING_FRAME - 1)
        return program, notices[0]

    def assert_ends_with_1(self, program):
        self.assertEqual(program.wait_exit(), 1)
        self.assertEqual(program.swaps(), FAILING_FRAME - 1)

    def test_each_key_that_dismisses_the_notice_ends_the_program_with_1(self):
        for key in ("Return", "KP_Enter", "Escape", "space"):
            with self.subTest(key=key):
                program, notice = self.start_failing()
                self.key(notice, key)
                self.assert_ends_with_1(program)

    def test_a_click_on_ok_or_closing_the_notice_ends_the_program_with_1(self):
        program, notice = self.start_failing()
        # The button is the lowest thing drawn in the notice's middle column: click inside it.
        image = screenshot(notice)
        column = image.width // 2
        bottom = max(y for y in range(image.height) if max(image.pixel(column, y)) < 128)
        x("xdotool", "mousemove", "--window", str(notice), str(column), str(bottom - 5),
          "click", "1")
        self.assert_ends_with_1(program)

        program, notice = self.start_failing()
        self.key(notice, "alt+F4")
        self.assert_ends_with_1(program)

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


@unittest.skipUnless(os.environ.get("VORLANE_PACKAGE_DIR"), "sanitizer builds make no package")
class Package(Run):
    def test_the_package_installs_the_program_its_entry_icons_and_manual_page(self):
        root = tempfile.mkdtemp(prefix="vorlane-root-")
        self.addCleanup(shutil.rmtree, root)
        package, = glob.glob(os.path.join(os.environ["VORLANE_PACKAGE_DIR"], "vorlane_*.deb"))
        subprocess.run(["dpkg-deb", "-x", package, root], check=True)
        for path in ["bin/vorlane", "share/applications/vorlane.desktop",
                     "share/man/man6/vorlane.6.gz", "share/doc/vorlane/copyright",
                     *(f"share/icons/hicolor/{n}x{n}/apps/vorlane.png" for n in (48, 128, 256))]:
            self.assertTrue(os.path.isfile(os.path.join(root, "usr", path)), path)
        entry = configparser.ConfigParser(interpolation=None)
        entry.read(os.path.join(root, "usr/share/applications/vorlane.desktop"))
        self.assertEqual(entry["Desktop Entry"]["Exec"], "vorlane")

        program = self.start(program=os.path.join(root, "usr/bin/vorlane"))
        window = program.window()
        program.wait_swaps(3)
        self.key(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
