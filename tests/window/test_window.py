"""The window as a user meets it: its title, size and place, how it follows a resize, and
what happens when there is no display to open it on."""
import os
import subprocess
import tempfile
import time
import unittest

import harness
import pixels
from harness import TITLE, WINDOW_SIZE, WindowTestCase

RESIZED = (1000, 500)
BAD_START_LIMIT = 1.0


class OnSmallScreen(WindowTestCase):
    screen = (800, 900)

    def test_titled_700_by_700_and_centred(self):
        _, window = self.start_shown(hold_idle=True)
        self.assertEqual(self.server.window_name(window), TITLE)
        self.assertEqual(self.server.geometry(window), (50, 100, WINDOW_SIZE, WINDOW_SIZE))


class OnFullHdScreen(WindowTestCase):
    # Wide enough to hold the window resized to 1000 pixels, so all of it can be read back.
    screen = (1920, 1080)

    def test_centred(self):
        _, window = self.start_shown(hold_idle=True)
        self.assertEqual(self.server.geometry(window), (610, 190, WINDOW_SIZE, WINDOW_SIZE))

    def test_resize_sets_viewport_and_aspect_and_keeps_proportions(self):
        # Frames only on expose, so the shape turns at most a few half-degree steps between
        # the two screenshots.
        program, window = self.start_shown(hold_idle=True)
        program.wait_quiet()
        square = self.server.screenshot(window)
        viewports = len(program.records("viewport"))

        self.server.xdotool("windowsize", "--sync", str(window), *map(str, RESIZED))
        harness.wait_until(lambda: len(program.records("viewport")) > viewports,
                           harness.EVENT_TIMEOUT, "a viewport for the new size")
        program.wait_for_frame_after("viewport")
        program.wait_quiet()

        wide = self.server.screenshot(window)
        self.assertEqual((wide.width, wide.height), RESIZED)
        # Proportions, not position: every expose may have turned the shape half a degree.
        self.assertIsNone(pixels.proportions_problem(square, wide))
        # What a projection left at aspect 1 would show: the shape stretched sideways.
        self.assertIsNotNone(pixels.proportions_problem(square, pixels.stretched(wide, 2.0)))

        self.assertEqual(program.records("viewport")[-1], ["0", "0", "1000", "500"])
        fovy, aspect, near, far = map(float, program.records("perspective")[-1])
        self.assertEqual((fovy, aspect, near, far), (60.0, 2.0, 1.0, 300.0))


class BadStart(unittest.TestCase):
    """No reachable display: GLUT says why on standard error and the program ends at once."""

    def setUp(self):
        harness.require_program()
        self.folder = tempfile.TemporaryDirectory(prefix="vorlane-bad-start-")
        self.addCleanup(self.folder.cleanup)
        # A socket path nobody listens on: nothing else on the machine can take it.
        self.dead_display = os.path.join(self.folder.name, "no-server") + ":0"

    def run_without_display(self, environment, arguments=()):
        env = {name: value for name, value in os.environ.items()
               if name not in ("DISPLAY", "LD_PRELOAD")}
        env.update(environment, MESA_SHADER_CACHE_DIR=os.path.join(self.folder.name, "mesa"))
        began = time.monotonic()
        try:
            result = subprocess.run([harness.PROGRAM, *arguments], env=env, capture_output=True,
                                    text=True, stdin=subprocess.DEVNULL,
                                    timeout=harness.EVENT_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.fail(f"still running after {harness.EVENT_TIMEOUT} s")
        return result, time.monotonic() - began

    def check_refused(self, result, seconds):
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("failed to open display", result.stderr)
        self.assertLess(seconds, BAD_START_LIMIT)

    def test_no_display_set(self):
        self.check_refused(*self.run_without_display({}))

    def test_display_not_answering(self):
        self.check_refused(*self.run_without_display({"DISPLAY": self.dead_display}))

    def test_display_option_goes_to_glut(self):
        # A good server in DISPLAY, a dead one on the command line: GLUT must take the option.
        server = harness.XServer()
        self.addCleanup(server.stop)
        self.check_refused(*self.run_without_display({"DISPLAY": server.display},
                                                     ["-display", self.dead_display]))


if __name__ == "__main__":
    unittest.main(verbosity=2)
