"""The real program in a Wayland session: under XWayland, managed by Weston's X window manager
(scripts/with-xvfb --weston). Headless Weston has no seat, so no window ever has the keyboard:
keys are sent to the window itself."""
import signal, unittest

from harness import TITLE, ProgramTest, geometry, prop, read_image, screenshot, x


class Wayland(ProgramTest):  # in tests/
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


if __name__ == "__main__":
    unittest.main(verbosity=2)
