"""The animation runs while the window can be seen and pauses while it cannot: unmapped, or
fully covered by another window. Frames are counted by the probe's swap log."""
import subprocess
import time
import unittest

from harness import EVENT_TIMEOUT, WindowTestCase

# Enough frames to tell "running" from a stray repaint.
ADVANCING = 10
# A paused program must stay paused this long.
PAUSE_SECONDS = 1.0


class Animation(WindowTestCase):

    def assert_advances(self, program):
        before = program.swaps()
        program.wait_for_swaps(before + ADVANCING)

    def assert_paused(self, program, clears_before):
        """The program must remove its idle callback, and then draw nothing."""
        program.wait_for_line("idle clear", clears_before + 1)
        paused_at = program.wait_quiet()
        time.sleep(PAUSE_SECONDS)
        self.assertEqual(program.swaps(), paused_at, "frames while the window cannot be seen")
        program.check_alive()

    def test_runs_while_visible_pauses_while_hidden_or_covered(self):
        program, window = self.start_shown()
        self.assert_advances(program)

        clears, sets = program.count("idle clear"), program.count("idle set")
        self.server.xdotool("windowunmap", "--sync", str(window))
        self.assert_paused(program, clears)
        self.server.xdotool("windowmap", "--sync", str(window))
        program.wait_for_line("idle set", sets + 1)
        self.assert_advances(program)

        clears, sets = program.count("idle clear"), program.count("idle set")
        width, height = self.server.width, self.server.height
        cover = subprocess.Popen(["xlogo", "-geometry", f"{width}x{height}+0+0"],
                                 env=self.server.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            self.assert_paused(program, clears)
        finally:
            cover.terminate()
            cover.wait(timeout=EVENT_TIMEOUT)
        program.wait_for_line("idle set", sets + 1)
        self.assert_advances(program)


if __name__ == "__main__":
    unittest.main(verbosity=2)
