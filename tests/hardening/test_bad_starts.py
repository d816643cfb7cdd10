"""Bad starts and ends: options GLUT cannot use, and the window closed by a window manager.
Each must end promptly with GLUT's own message and status, or run normally where GLUT ignores
the option; never a crash and never a hang. (No display at all, and -display naming a server
that is not there, are covered by the window suite's BadStart.)"""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
import harness  # noqa: E402

# Refusals happen in glutInit, before any window: a second is plenty even on a loaded machine.
PROMPT_SECONDS = 5.0


class BadOptions(harness.WindowTestCase):

    def run_refused(self, *arguments):
        """Runs the program with a good display and bad options; returns status and message."""
        began = time.monotonic()
        result = subprocess.run([harness.PROGRAM, *arguments], env=self.server.env,
                                capture_output=True, text=True, stdin=subprocess.DEVNULL,
                                timeout=harness.EVENT_TIMEOUT)
        self.assertLess(time.monotonic() - began, PROMPT_SECONDS)
        return result.returncode, result.stderr

    def test_an_option_without_its_value_is_refused_by_glut(self):
        for option, message in (
                ("-geometry", "-geometry parameter must be followed by window geometry settings"),
                ("-display", "-display parameter must be followed by display name")):
            with self.subTest(option=option):
                status, errors = self.run_refused(option)
                self.assertEqual(status, 1, errors)
                self.assertIn(f"freeglut ({harness.PROGRAM}): {message}", errors)

    def test_a_malformed_geometry_is_ignored_and_the_window_is_as_always(self):
        # GLUT ignores what it cannot parse, and the program sets its own size and centred
        # place after GLUT has read its options, so even a well-formed one changes nothing.
        for geometry in ("banana", "0x0", "x-+", "100000x100000-99999-99999", "10x10+5+5"):
            with self.subTest(geometry=geometry):
                program = self.start(arguments=["-geometry", geometry])
                window = program.window()
                program.wait_for_swaps(1)
                self.assertEqual(self.server.geometry(window), (50, 100, 700, 700))
                self.server.key(window, "Escape")
                self.assertEqual(program.wait_exit(), 0, program.errors())


class CloseRequest(harness.WindowTestCase):

    def test_the_window_managers_close_request_ends_the_program_with_status_0(self):
        program = self.start()
        window = program.window()
        program.wait_for_swaps(3)
        began = time.monotonic()
        self.server.request_close(window)
        self.assertEqual(program.wait_exit(), 0, program.errors())
        self.assertLess(time.monotonic() - began, PROMPT_SECONDS)
        # GLUT ends it quietly: no message, and no error notice from the program.
        self.assertEqual(program.errors(), "")
        self.assertEqual(self.server.windows_named("ERROR"), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
