"""An event storm: three rounds of 200 resizes down to 1 x 1, 60 unmap/map pairs, 60 full
covers by another window and 400 keys. After each burst the program must still be drawing;
no OpenGL error may ever be reported; Escape must still end it with status 0."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
import harness  # noqa: E402

ROUNDS = 3
RESIZES = 200
MAP_PAIRS = 60
COVERS = 60
KEYS = 400
# Every character key but Escape draws a frame; the special keys do nothing. Escape is left out.
KEY_NAMES = ["a", "z", "q", "5", "space", "Return", "Tab", "BackSpace", "Delete", "comma",
             "Left", "Up", "F1", "F12", "Home", "Shift_L"]
# Frames that must follow a burst to call the program still drawing.
DRAWING = 5
WINDOW_SIZE = 700


def resize_sizes():
    """200 sizes from 700 x 700 down to 1 x 1, through tall, wide and one-pixel shapes."""
    sizes = []
    for step in range(RESIZES - 1):
        side = max(1, WINDOW_SIZE - step * WINDOW_SIZE // (RESIZES - 2))
        other = [side, 1, max(1, side // 7), min(WINDOW_SIZE, side * 3)][step % 4]
        sizes.append((side, other) if step % 2 else (other, side))
    sizes.append((1, 1))
    return sizes


class Storm(harness.WindowTestCase):

    def xdotool_chain(self, *commands):
        """Runs many xdotool commands in one invocation, so a burst arrives as a burst."""
        arguments = [word for command in commands for word in command]
        self.server.run("xdotool", *arguments)

    def assert_drawing(self, program, what):
        before = program.swaps()
        try:
            program.wait_for_swaps(before + DRAWING)
        except AssertionError as stalled:
            raise AssertionError(f"not drawing after {what}: {stalled}") from None

    def assert_no_error_reported(self, program):
        codes = [int(code) for _, code in program.records("glerror")]
        self.assertTrue(codes, "no error checks logged")
        self.assertEqual([code for code in codes if code != 0], [])
        self.assertEqual(self.server.windows_named("ERROR"), [])
        self.assertNotIn("ERROR", program.errors())

    def resize_burst(self, program, window):
        tiny = "viewport 0 0 1 1"
        full = f"viewport 0 0 {WINDOW_SIZE} {WINDOW_SIZE}"
        tiny_before, full_before = program.count(tiny), program.count(full)
        self.xdotool_chain(*(("windowsize", str(window), str(width), str(height))
                             for width, height in resize_sizes()))
        # The last size is 1 x 1: it must be reached and drawn.
        program.wait_for_line(tiny, tiny_before + 1)
        program.wait_for_frame_after("viewport")
        self.xdotool_chain(("windowsize", "--sync", str(window), str(WINDOW_SIZE),
                            str(WINDOW_SIZE)))
        program.wait_for_line(full, full_before + 1)

    def map_burst(self, window):
        self.xdotool_chain(*((("windowunmap", str(window)), ("windowmap", str(window)))
                             * MAP_PAIRS))
        # Whatever order the last events came in, the window ends up mapped.
        self.xdotool_chain(("windowmap", "--sync", str(window)))

    def cover_burst(self, cover):
        self.xdotool_chain(*((("windowmap", str(cover)), ("windowunmap", str(cover)))
                             * COVERS))
        self.xdotool_chain(("windowunmap", "--sync", str(cover)))

    def key_burst(self, window):
        self.server.focus(window)
        keys = [KEY_NAMES[i % len(KEY_NAMES)] for i in range(KEYS)]
        self.xdotool_chain(("key", "--delay", "0", *keys))

    def start_cover(self):
        """A window as large as the screen, mapped and unmapped by the cover bursts."""
        width, height = self.server.width, self.server.height
        cover = subprocess.Popen(["xlogo", "-geometry", f"{width}x{height}+0+0"],
                                 env=self.server.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.addCleanup(cover.wait, harness.EVENT_TIMEOUT)
        self.addCleanup(cover.terminate)
        window = harness.wait_until(lambda: self.server.windows_named("xlogo"),
                                    harness.START_TIMEOUT, "the covering window")[0]
        self.xdotool_chain(("windowunmap", "--sync", str(window)))
        return window

    def test_three_rounds_of_storm_then_escape(self):
        program = self.start()
        window = program.window()
        program.wait_for_swaps(1)
        cover = self.start_cover()
        self.assert_drawing(program, "start-up")

        for round_number in range(1, ROUNDS + 1):
            bursts = (("resizes", lambda: self.resize_burst(program, window)),
                      ("unmap/map pairs", lambda: self.map_burst(window)),
                      ("covers", lambda: self.cover_burst(cover)),
                      ("keys", lambda: self.key_burst(window)))
            for name, burst in bursts:
                with self.subTest(round=round_number, burst=name):
                    burst()
                    self.assert_drawing(program, f"round {round_number}'s {name}")
                    self.assert_no_error_reported(program)

        self.assertEqual(self.server.geometry(window)[2:], (WINDOW_SIZE, WINDOW_SIZE))
        self.server.key(window, "Escape")
        self.assertEqual(program.wait_exit(), 0, program.errors())
        self.assert_no_error_reported(program)


if __name__ == "__main__":
    unittest.main(verbosity=2)
