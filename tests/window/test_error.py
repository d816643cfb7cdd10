"""An OpenGL error after a frame: the probe makes one frame's error check report
GL_INVALID_OPERATION. The program must show a notice named "ERROR", draw nothing more while it
waits, and end with status 1 however the notice is dismissed."""
import time
import unittest

import harness
from harness import WindowTestCase

FAILING_FRAME = 3
INVALID_OPERATION = 0x0502
NOTICE = "ERROR"
# How long the notice must stay up, the program alive and drawing nothing, by itself.
BLOCK_SECONDS = 0.5
DARK_LEVEL = 128


def button_centre(image):
    """Finds the notice's button as a person would: the lowest drawn frame in the window."""
    def dark(x, y):
        return max(image.pixel(x, y)) < DARK_LEVEL

    for bottom in range(image.height - 1, -1, -1):
        xs = [x for x in range(image.width) if dark(x, bottom)]
        if xs:
            break
    else:
        raise AssertionError("the notice shows no button")
    left, right = min(xs), max(xs)
    top = bottom
    while top > 0 and dark(left, top - 1):
        top -= 1
    if right - left < 10 or bottom - top < 10:
        raise AssertionError(f"no button frame at the bottom of the notice ({left}..{right}, "
                             f"{top}..{bottom})")
    return (left + right) // 2, (top + bottom) // 2


class ErrorNotice(WindowTestCase):

    def start_failing(self):
        """Starts the program with an error at frame FAILING_FRAME and returns it with the
        notice's window once both have been checked."""
        program = self.start(error_at=FAILING_FRAME)
        program.window()
        program.wait_for_line(f"glerror {FAILING_FRAME} {INVALID_OPERATION}")
        notices = harness.wait_until(lambda: self.server.windows_named(NOTICE),
                                     harness.EVENT_TIMEOUT, f"a window named {NOTICE!r}")
        self.assertEqual(len(notices), 1)
        # The search ignores case; the caption must not.
        self.assertEqual(self.server.window_name(notices[0]), NOTICE)
        time.sleep(BLOCK_SECONDS)
        program.check_alive()
        # Frames before the failing one were shown; the failing one and none after it.
        self.assertEqual(program.swaps(), FAILING_FRAME - 1)
        self.assertEqual(len(program.records("glerror")), FAILING_FRAME)
        return program, notices[0]

    def check_ends_with_status_1(self, program):
        self.assertEqual(program.wait_exit(), 1)
        self.assertEqual(program.swaps(), FAILING_FRAME - 1)

    def test_return_dismisses(self):
        program, notice = self.start_failing()
        self.server.key(notice, "Return")
        self.check_ends_with_status_1(program)

    def test_clicking_ok_dismisses(self):
        program, notice = self.start_failing()
        x, y = button_centre(self.server.screenshot(notice))
        self.server.xdotool("mousemove", "--window", str(notice), str(x), str(y))
        self.server.xdotool("click", "1")
        self.check_ends_with_status_1(program)

    def test_closing_the_notice_dismisses(self):
        program, notice = self.start_failing()
        self.server.request_close(notice)
        self.check_ends_with_status_1(program)


if __name__ == "__main__":
    unittest.main(verbosity=2)
