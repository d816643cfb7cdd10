"""What the window shows: frames held by the probe and read back pixel by pixel. Every pixel
check is also run on a deliberately wrong image, where it must fail."""
import unittest

import pixels
from harness import WindowTestCase, held_frame

# Late enough that the shape has turned tens of degrees even when fast frames skip steps
# (at most one half-degree step per frame, none within 5 ms of the last).
LATER_FRAME = 300


class HeldFrames(WindowTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.first = held_frame(cls.server, 1)

    def test_frame_1_clear_corners_centred_smooth_shape(self):
        first = self.first
        self.assertEqual((first.width, first.height), (700, 700))
        self.assertIsNone(pixels.corners_problem(first))
        self.assertIsNone(pixels.centre_problem(first))
        self.assertIsNone(pixels.smoothness_problem(first))

        # Moved so that the shape reaches into the bottom right corner.
        self.assertIsNotNone(pixels.corners_problem(pixels.shifted(first, 330, 330)))
        self.assertIsNotNone(pixels.centre_problem(pixels.shifted(first, 3, 0)))
        self.assertIsNotNone(pixels.centre_problem(pixels.shifted(first, 0, -3)))
        self.assertIsNotNone(pixels.smoothness_problem(pixels.posterised(first)))

    def test_frame_1_is_the_same_every_run(self):
        again = held_frame(self.server, 1)
        self.assertTrue(again.rgb == self.first.rgb, "frame 1 differs between two runs")
        touched = pixels.with_pixel(again, 350, 350, (1, 2, 3))
        self.assertFalse(touched.rgb == self.first.rgb)

    def test_later_frame_differs_and_is_elongated(self):
        later = held_frame(self.server, LATER_FRAME)
        self.assertFalse(later.rgb == self.first.rgb, f"frame {LATER_FRAME} equals frame 1")
        self.assertIsNone(pixels.elongation_problem(later))
        self.assertIsNone(pixels.corners_problem(later))
        # Frame 1 shows the shape end on, a round silhouette.
        self.assertIsNotNone(pixels.elongation_problem(self.first))


if __name__ == "__main__":
    unittest.main(verbosity=2)
