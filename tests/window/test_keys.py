"""Keys, typed one at a time into the focused window. The probe holds the idle callback off,
so every frame after start-up is one that a key (or an expose) asked for."""
import time
import unittest

from harness import WindowTestCase

CHARACTER_KEYS = ["a", "Z", "5", "space", "Return", "Delete"]
SPECIAL_KEYS = ["F1", "F12", "Left", "Right", "Up", "Down"]
ESCAPE_LIMIT = 2.0


class Keys(WindowTestCase):

    def start_held(self):
        program, window = self.start_shown(hold_idle=True)
        return program, window, program.wait_quiet()

    def type_character(self, program, window, key, frames):
        self.server.key(window, key)
        program.wait_for_swaps(frames + 1)
        after = program.wait_quiet()
        self.assertEqual(after, frames + 1, f"frames drawn for key {key}")
        return after

    def test_special_keys_draw_nothing_each_character_key_one_frame(self):
        program, window, frames = self.start_held()
        for key in SPECIAL_KEYS:
            self.server.key(window, key)
            self.assertEqual(program.wait_quiet(), frames, f"frames drawn for key {key}")
        # The character keys show that the program reads the keyboard, so the special keys
        # were read too and drew nothing.
        for key in CHARACTER_KEYS:
            frames = self.type_character(program, window, key, frames)
        program.check_alive()

    def test_escape_quits_at_once_with_status_0_and_no_frame(self):
        program, window, frames = self.start_held()
        self.server.focus(window)
        sent = time.monotonic()
        self.server.xdotool("key", "Escape")
        self.assertEqual(program.wait_exit(), 0)
        self.assertLess(time.monotonic() - sent, ESCAPE_LIMIT)
        self.assertEqual(program.swaps(), frames)


if __name__ == "__main__":
    unittest.main(verbosity=2)
