"""Reference model of the calls vorlane must make, written from the description of the program
rather than from its source, in the line format of the tracer (tracer.cpp): floats and doubles
as the hex of their bits, enums as 0x.., ints in decimal.

Python floats are IEEE doubles; f32() rounds one to single precision the way a C cast does,
and math.sin / math.cos are the same C library functions the program calls.
"""
import math
import struct

# OpenGL, GLU and GLUT enumerants.
GL_TRIANGLE_FAN = 0x0006
GL_QUAD_STRIP = 0x0008
GL_COLOR_BUFFER_BIT = 0x4000
GL_DEPTH_BUFFER_BIT = 0x0100
GL_MODELVIEW = 0x1700
GL_PROJECTION = 0x1701
GL_DEPTH_TEST = 0x0B71
GL_LEQUAL = 0x0203
GL_SMOOTH = 0x1D01
GL_PERSPECTIVE_CORRECTION_HINT = 0x0C50
GL_NICEST = 0x1102
GL_LIGHTING = 0x0B50
GL_LIGHT0 = 0x4000
GL_LIGHT1 = 0x4001
GL_AMBIENT = 0x1200
GL_DIFFUSE = 0x1201
GL_SPECULAR = 0x1202
GL_POSITION = 0x1203
GL_EMISSION = 0x1600
GL_SHININESS = 0x1601
GL_FRONT = 0x0404
GL_LIGHT_MODEL_TWO_SIDE = 0x0B52
GL_NO_ERROR = 0
GLUT_RGB = 0
GLUT_DOUBLE = 2
GLUT_DEPTH = 16
GLUT_SCREEN_WIDTH = 0x00C8
GLUT_SCREEN_HEIGHT = 0x00C9

# The window.
WINDOW_SIZE = 700
WINDOW_TITLE = "Quillobrante - VORLANE 11/30/2005"
FIELD_OF_VIEW = 60.0
NEAR_PLANE = 1.0
FAR_PLANE = 300.0

# The scene and the animation.
SCENE_DISTANCE = -26.0
COLOUR_SEED = 100
SHAPE_RADIUS = 5.0
SHAPE_SLICES = 50
SHAPE_STACKS = 50
STEP_INTERVAL_MS = 5          # a step needs more than this
ANGLE_STEP = 0.5
DIFFUSE_DRIFT_THRESHOLD = 300.0

# The shape's seven-place pi and 2 pi.
SHAPE_PI = 3.1415926
SHAPE_TWO_PI = 6.2831852

# The clock placeholder: the checker fills in what the program read.
CLOCK = "clock"

FNV_OFFSET = 0xCBF29CE484222325
FNV_PRIME = 0x100000001B3


def f32(value):
    """Rounds a double to the nearest single-precision value, as a C cast does."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


COLOUR_DRIFT = f32(0.0005)
COLOUR_LEVEL_STEP = f32(0.01)
COLOUR_FLOOR = f32(0.2)


def float_hex(value):
    return f"{struct.unpack('<I', struct.pack('<f', value))[0]:08x}"


def double_hex(value):
    return f"{struct.unpack('<Q', struct.pack('<d', value))[0]:016x}"


def quoted(text):
    out = []
    for byte in text.encode():
        char = chr(byte)
        out.append(char if 0x20 <= byte < 0x7F and char not in '"\\' else f"\\x{byte:02x}")
    return '"' + "".join(out) + '"'


def call(name, *args):
    return " ".join([name, *args])


def enum(value):
    return f"0x{value:x}"


def floats(*values):
    return [float_hex(v) for v in values]


def fnv1a(lines):
    value = FNV_OFFSET
    for line in lines:
        for byte in (line + "\n").encode():
            value = ((value ^ byte) * FNV_PRIME) & 0xFFFFFFFFFFFFFFFF
    return value


def trunc_div(a, b):
    """Integer division truncating toward zero, as C does."""
    quotient = abs(a) // abs(b)
    return quotient if (a >= 0) == (b >= 0) else -quotient


# The colour generator: a 32-bit linear congruential generator of the program's own.

def colour_generator(seed=1):
    state = [seed & 0xFFFFFFFF]

    def next_value():
        state[0] = (state[0] * 214013 + 2531011) & 0xFFFFFFFF
        return (state[0] >> 16) & 0x7FFF

    return next_value


def colour_call(next_value):
    # (v mod 70) * 0.01 + 0.2 with single-precision constants, formed in double, rounded once.
    rgb = [f32((next_value() % 70) * COLOUR_LEVEL_STEP + COLOUR_FLOOR) for _ in range(3)]
    return call("glColor4f", *floats(*rgb, 1.0))


# The elongated sphere.

def elongated_sphere(radius, slices, stacks, next_value):
    """The primitives of one draw_elongated_sphere call: a list of (mode, lines)."""
    z_up = f32(radius + 2.0)
    polar_step = f32(SHAPE_PI / stacks)
    azimuth_step = f32(SHAPE_TWO_PI / slices)
    middle = trunc_div(stacks - 1, 2)
    shift = 3 * radius

    def azimuth(j):
        return 0.0 if j == slices else j * azimuth_step

    def ring_angle(k):
        return f32(k * polar_step)

    def vertex(phi, theta, lower, cap):
        sin_phi, cos_phi = math.sin(phi), math.cos(phi)
        nx = f32(-math.sin(theta) * sin_phi)
        ny = f32(math.cos(theta) * sin_phi)
        nz = f32(cos_phi)
        # Bands take z from the rounded cosine sent as the normal, caps from the exact one.
        c = cos_phi if cap else nz
        z = radius * c - shift + z_up if lower else z_up + radius * c
        return [call("glNormal3f", *floats(nx, ny, nz)),
                call("glVertex3f", *floats(f32(radius * nx), f32(radius * ny), f32(z)))]

    def band(phi_a, lower_a, lower_b):
        phi_b = phi_a + polar_step
        lines = []
        for j in range(slices + 1):
            lines.append(colour_call(next_value))
            lines += vertex(phi_a, azimuth(j), lower_a, cap=False)
            lines += vertex(phi_b, azimuth(j), lower_b, cap=False)
        return (GL_QUAD_STRIP, lines)

    primitives = []
    top = [call("glNormal3f", *floats(0.0, 0.0, 1.0)),
           call("glVertex3f", *floats(0.0, 0.0, f32(z_up + radius)))]
    for j in range(slices + 1):
        top += vertex(polar_step, azimuth(j), lower=False, cap=True)
    primitives.append((GL_TRIANGLE_FAN, top))

    for k in range(1, middle):
        primitives.append(band(ring_angle(k), False, False))
    primitives.append(band(ring_angle(middle), False, True))
    for i in range(middle, stacks - 1):
        primitives.append(band(ring_angle(i), True, True))

    bottom = [call("glNormal3f", *floats(0.0, 0.0, -1.0)),
              call("glVertex3f", *floats(0.0, 0.0, f32(z_up - shift - radius)))]
    bottom_phi = SHAPE_PI - polar_step
    for j in range(slices, -1, -1):
        bottom += vertex(bottom_phi, azimuth(j), lower=True, cap=True)
    primitives.append((GL_TRIANGLE_FAN, bottom))
    return primitives


def primitive_lines(primitives, folded):
    """The lines the tracer writes for these primitives, call by call or folded."""
    lines = []
    for mode, body in primitives:
        lines.append(call("glBegin", enum(mode)))
        lines += [f"= {len(body)} {fnv1a(body):016x}"] if folded else body
        lines.append("glEnd")
    return lines


def scene_shape():
    return elongated_sphere(SHAPE_RADIUS, SHAPE_SLICES, SHAPE_STACKS,
                            colour_generator(COLOUR_SEED))


# Start-up, reshape and frames.

def startup_calls(argv, screen_width, screen_height):
    """Everything main does, up to glutMainLoop. This GLUT answers the screen size only once
    it is initialised, so the query follows glutInit."""
    x = trunc_div(screen_width, 2) - WINDOW_SIZE // 2
    y = trunc_div(screen_height, 2) - WINDOW_SIZE // 2
    lights = []
    for light, ambient in ((GL_LIGHT0, 1.0), (GL_LIGHT1, 0.5)):
        lights.append([call("glLightfv", enum(light), enum(GL_AMBIENT), *floats(*[ambient] * 4)),
                       call("glLightfv", enum(light), enum(GL_DIFFUSE), *floats(*[1.0] * 4)),
                       call("glLightfv", enum(light), enum(GL_POSITION),
                            *floats(0.0, 0.0, -10.0, 1.0)),
                       call("glEnable", enum(light))])
    material = [(GL_AMBIENT, (0.0, 0.0, 0.0, 1.0)), (GL_DIFFUSE, (0.0, 1.0, 0.0, 0.0)),
                (GL_SPECULAR, (1.0, 0.0, 0.0, 1.0)), (GL_EMISSION, (0.3, 0.3, 0.0, 0.0)),
                (GL_SHININESS, (10.0,))]
    return [
        call("glutInit", str(len(argv)), *[quoted(a) for a in argv]),
        call("glutGet", enum(GLUT_SCREEN_WIDTH), "=", str(screen_width)),
        call("glutGet", enum(GLUT_SCREEN_HEIGHT), "=", str(screen_height)),
        call("glutInitDisplayMode", enum(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH)),
        call("glutInitWindowPosition", str(x), str(y)),
        call("glutInitWindowSize", str(WINDOW_SIZE), str(WINDOW_SIZE)),
        call("glutCreateWindow", quoted(WINDOW_TITLE)),
        "glutKeyboardFunc on_keyboard", "glutDisplayFunc on_display",
        "glutVisibilityFunc on_visibility", "glutReshapeFunc on_reshape",
        call("glMatrixMode", enum(GL_PROJECTION)), "glLoadIdentity",
        perspective(1.0),
        call("glMatrixMode", enum(GL_MODELVIEW)), "glLoadIdentity",
        CLOCK,
        call("glEnable", enum(GL_DEPTH_TEST)), call("glDepthFunc", enum(GL_LEQUAL)),
        call("glShadeModel", enum(GL_SMOOTH)),
        call("glClearColor", *floats(0.0, 0.0, 0.0, 0.5)),
        call("glClearDepth", double_hex(1.0)),
        call("glHint", enum(GL_PERSPECTIVE_CORRECTION_HINT), enum(GL_NICEST)),
        call("glEnable", enum(GL_LIGHTING)),
        *lights[0],
        *[call("glMaterialfv", enum(GL_FRONT), enum(p), *floats(*v)) for p, v in material],
        *lights[1],
        call("glLightModeli", enum(GL_LIGHT_MODEL_TWO_SIDE), "1"),
        "glutMainLoop",
    ]


def perspective(aspect):
    return call("gluPerspective",
                *[double_hex(v) for v in (FIELD_OF_VIEW, aspect, NEAR_PLANE, FAR_PLANE)])


def reshape_calls(width, height):
    # A window of no height keeps a finite aspect: height 0 counts as 1 (a choice of ours).
    aspect = width / (height if height > 0 else 1)
    return [call("glViewport", "0", "0", str(width), str(height)),
            call("glMatrixMode", enum(GL_PROJECTION)), "glLoadIdentity", perspective(aspect),
            call("glMatrixMode", enum(GL_MODELVIEW))]


def new_animation(start_tick):
    return {"angle": 0.0, "emission": [f32(0.3), f32(0.3), 0.0, 0.0],
            "diffuse": [0.0, 1.0, 0.0, 0.0], "last_tick": start_tick & 0xFFFFFFFF}


def step(animation):
    """One animation step; returns the material calls it makes. Every value stays single
    precision; nothing is clamped or wrapped."""
    new_angle = f32(animation["angle"] + ANGLE_STEP)
    animation["angle"] = new_angle
    emission, diffuse = animation["emission"], animation["diffuse"]
    emission[2] = f32(emission[2] + COLOUR_DRIFT)
    if new_angle > DIFFUSE_DRIFT_THRESHOLD:
        diffuse[0] = f32(diffuse[0] + COLOUR_DRIFT)
        diffuse[1] = f32(diffuse[1] - COLOUR_DRIFT)
    return [call("glMaterialfv", enum(GL_FRONT), enum(GL_EMISSION), *floats(*emission)),
            call("glMaterialfv", enum(GL_FRONT), enum(GL_DIFFUSE), *floats(*diffuse))]


def steps_due(animation, now_ms):
    """Whether a frame whose clock read now_ms takes a step: more than 5 ms since the last
    one, the 32-bit difference wrapping and read as signed."""
    elapsed = (now_ms - animation["last_tick"]) & 0xFFFFFFFF
    if elapsed >= 0x80000000:
        elapsed -= 0x100000000
    return elapsed > STEP_INTERVAL_MS


def frame_head(animation):
    """A frame's calls before the shape."""
    return [call("glClear", enum(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)), "glLoadIdentity",
            call("glTranslatef", *floats(0.0, 0.0, SCENE_DISTANCE)),
            call("glRotatef", *floats(animation["angle"], 1.0, 1.0, 1.0))]


def frame_tail(animation, now_ms, error=GL_NO_ERROR):
    """A frame's calls after the clock read: the step if one is due, the error check, and the
    swap (or, on an error, its GLU text instead)."""
    lines = []
    if steps_due(animation, now_ms):
        lines += step(animation)
        animation["last_tick"] = now_ms & 0xFFFFFFFF
    lines.append(call("glGetError", "=", enum(error)))
    lines.append(call("gluErrorString", enum(error)) if error != GL_NO_ERROR
                 else "glutSwapBuffers")
    return lines
