#!/usr/bin/env python3
"""Checks of the reference model itself against the figures the program's description gives,
so that the conformance test compares the program with a model that is right."""
import math
import struct
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import reference  # noqa: E402
from reference import f32  # noqa: E402


def decoded(line):
    """(name, [floats]) of a glNormal3f, glVertex3f or glColor4f line."""
    name, *args = line.split()
    return name, [struct.unpack("<f", bytes.fromhex(a)[::-1])[0] for a in args]


def vertices(body):
    """(normal, point) pairs of one primitive, colours left out."""
    calls = [decoded(line) for line in body if not line.startswith("glColor4f")]
    return [(calls[i][1], calls[i + 1][1]) for i in range(0, len(calls), 2)]


def shape(radius, slices, stacks, seed=100):
    return reference.elongated_sphere(radius, slices, stacks, reference.colour_generator(seed))


class WorkedExample(unittest.TestCase):
    """Radius 5, 4 slices, 6 stacks: z_up 7, shift 15, middle ring 2."""

    def setUp(self):
        self.primitives = shape(5.0, 4, 6)

    def assert_vertex(self, vertex, normal, point):
        for got, want in zip(vertex[0] + vertex[1], normal + point):
            self.assertAlmostEqual(got, want, places=6)

    def test_caps_and_band_starts(self):
        top, upper, middle, *lower, bottom = [vertices(b) for _, b in self.primitives]
        self.assert_vertex(top[0], (0, 0, 1), (0, 0, 12))
        self.assert_vertex(top[1], (0, 0.5, 0.866025), (0, 2.5, 11.330127))
        self.assert_vertex(upper[0], (0, 0.5, 0.866025), (0, 2.5, 11.330127))
        self.assert_vertex(upper[1], (0, 0.866025, 0.5), (0, 4.330127, 9.5))
        self.assert_vertex(middle[0], (0, 0.866025, 0.5), (0, 4.330127, 9.5))
        self.assert_vertex(middle[1], (0, 1, 0), (0, 5, -8))
        # The lower bands start at rings 2, 3 and 4: 60, 90 and 120 degrees.
        for band, degrees in zip(lower, (60, 90, 120)):
            self.assertAlmostEqual(math.degrees(math.acos(band[0][0][2])), degrees, places=4)
        self.assert_vertex(bottom[0], (0, 0, -1), (0, 0, -13))
        self.assert_vertex(bottom[1], (0, 0.5, -0.866025), (0, 2.5, -12.330127))

    def test_structure_and_negative_zero_at_theta_zero(self):
        modes = [mode for mode, _ in self.primitives]
        fan, strip = reference.GL_TRIANGLE_FAN, reference.GL_QUAD_STRIP
        self.assertEqual(modes, [fan, strip, strip, strip, strip, strip, fan])
        normal, point = vertices(self.primitives[1][1])[0]
        self.assertEqual(math.copysign(1.0, normal[0]), -1.0)
        self.assertEqual(math.copysign(1.0, point[0]), -1.0)

    def test_caps_take_the_exact_cosine(self):
        # With 20 stacks the top cap's z differs between the exact and the rounded cosine
        # (with 50 it happens not to), so this tells the two apart.
        top = vertices(shape(5.0, 4, 20)[0][1])
        polar_step = f32(reference.SHAPE_PI / 20)
        exact = f32(7.0 + 5.0 * math.cos(polar_step))
        self.assertNotEqual(exact, f32(7.0 + 5.0 * f32(math.cos(polar_step))))
        self.assertEqual({point[2] for _, point in top[1:]}, {exact})

    def test_few_stacks(self):
        fan, strip = reference.GL_TRIANGLE_FAN, reference.GL_QUAD_STRIP
        # 3 stacks: no upper band; 4 stacks: middle band from ring 1, lower bands at 1 and 2.
        self.assertEqual([m for m, _ in shape(5.0, 4, 3)], [fan, strip, strip, fan])
        four = shape(5.0, 4, 4)
        self.assertEqual([m for m, _ in four], [fan, strip, strip, strip, fan])
        starts = [vertices(b)[0][0][2] for _, b in four[1:4]]
        self.assertEqual(starts[0], starts[1])   # middle and first lower band share ring 1


class SceneShape(unittest.TestCase):
    def test_counts_and_closed_seam(self):
        primitives = reference.scene_shape()
        fans = [b for m, b in primitives if m == reference.GL_TRIANGLE_FAN]
        strips = [b for m, b in primitives if m == reference.GL_QUAD_STRIP]
        self.assertEqual((len(fans), len(strips)), (2, 49))
        for body in fans:
            self.assertEqual(len(vertices(body)), 52)
            self.assertFalse(any(line.startswith("glColor4f") for line in body))
            self.assertEqual(vertices(body)[1], vertices(body)[-1])
        for body in strips:
            self.assertEqual(len(vertices(body)), 102)
            self.assertEqual(sum(line.startswith("glColor4f") for line in body), 51)
            self.assertEqual(vertices(body)[:2], vertices(body)[-2:])

    def test_reaches_from_top_pole_to_bottom_pole(self):
        points = [p for _, b in reference.scene_shape() for _, p in vertices(b)]
        self.assertEqual(max(p[2] for p in points), 12.0)
        self.assertEqual(min(p[2] for p in points), -13.0)


class Colours(unittest.TestCase):
    def test_sequences(self):
        unseeded = reference.colour_generator()
        self.assertEqual([unseeded() for _ in range(3)], [41, 18467, 6334])
        seeded = reference.colour_generator(100)
        self.assertEqual([seeded() for _ in range(3)], [365, 1216, 5415])

    def test_first_colour_of_every_frame(self):
        _, rgba = decoded(reference.colour_call(reference.colour_generator(100)))
        for got, want in zip(rgba, (0.35, 0.46, 0.45, 1.0)):
            self.assertEqual(got, f32(want))


class Animation(unittest.TestCase):
    def steps(self, count, animation=None):
        animation = animation or reference.new_animation(0)
        for _ in range(count):
            reference.step(animation)
        return animation

    def test_threshold_on_the_new_angle(self):
        at_600 = self.steps(600)
        self.assertEqual(at_600["angle"], 300.0)
        self.assertEqual(f"{at_600['emission'][2]:.6f}", "0.299998")
        self.assertEqual(at_600["diffuse"], [0.0, 1.0, 0.0, 0.0])
        at_601 = self.steps(1, at_600)
        self.assertEqual(at_601["angle"], 300.5)
        self.assertEqual(at_601["diffuse"], [f32(0.0005), f32(0.9995), 0.0, 0.0])

    def test_drift_is_never_clamped(self):
        late = self.steps(2700)
        self.assertGreater(late["emission"][2], 1.0)
        self.assertGreater(late["diffuse"][0], 1.0)
        self.assertLess(late["diffuse"][1], 0.0)

    def test_angle_stops_growing_at_two_to_the_23(self):
        animation = reference.new_animation(0)
        animation["angle"] = 2.0 ** 23
        reference.step(animation)
        self.assertEqual(animation["angle"], 2.0 ** 23)

    def test_more_than_five_milliseconds_with_wrapping(self):
        animation = reference.new_animation(1000)
        self.assertFalse(reference.steps_due(animation, 1005))
        self.assertTrue(reference.steps_due(animation, 1006))
        animation["last_tick"] = 0xFFFFFFFE
        self.assertTrue(reference.steps_due(animation, 4))
        self.assertFalse(reference.steps_due(animation, 3))
        self.assertFalse(reference.steps_due(animation, 0xFFFFFFFE + 2 ** 31 & 0xFFFFFFFF))


class StartupAndReshape(unittest.TestCase):
    def test_centred_position(self):
        for screen, position in (((800, 900), "50 100"), ((800, 600), "50 -50"),
                                 ((699, 699), "-1 -1")):
            calls = reference.startup_calls(["vorlane"], *screen)
            self.assertIn("glutInitWindowPosition " + position, calls)

    def test_reshape_aspect(self):
        self.assertIn(reference.perspective(2.0), reference.reshape_calls(1000, 500))
        self.assertIn(reference.perspective(640.0), reference.reshape_calls(640, 0))


if __name__ == "__main__":
    unittest.main(verbosity=2)
