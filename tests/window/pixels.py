"""What a screenshot of the program shows: the background, the shape's extent and outline,
and how smoothly it is shaded. Each check returns None when the image passes and a sentence
saying what is wrong when it does not, so a test can show that a check also fails."""
import math

from harness import Image

CLEAR_COLOUR = (0, 0, 0)
CLEAR_TOLERANCE = 1
CORNER_BLOCK = 8
# The shape's darkest lit pixels still carry the 0.3 emission (about 77 of 255) in red and
# green, so anything above this is shape and anything below is background.
SHAPE_LEVEL = 16
CENTRE_TOLERANCE = 2.0
# A smoothly shaded frame 1 shows a few hundred colours; shading each face flat leaves a
# handful (the end-on shape's faces share their colours).
MIN_SMOOTH_COLOURS = 100
# The end-on frame 1 is round (ratio 1.0); turned by tens of degrees the shape is roughly
# twice as long as it is wide.
MIN_ELONGATION = 1.4
PROPORTION_TOLERANCE = 0.02


def shape_points(image):
    points = []
    for y in range(image.height):
        row = image.row(y)
        for x in range(image.width):
            if max(row[3 * x:3 * x + 3]) > SHAPE_LEVEL:
                points.append((x, y))
    return points


def bounds(image):
    points = shape_points(image)
    if not points:
        return None
    xs = [x for x, _ in points]
    ys = [y for _, y in points]
    return min(xs), min(ys), max(xs), max(ys)


def corners_problem(image):
    for left in (0, image.width - CORNER_BLOCK):
        for top in (0, image.height - CORNER_BLOCK):
            for y in range(top, top + CORNER_BLOCK):
                for x in range(left, left + CORNER_BLOCK):
                    colour = image.pixel(x, y)
                    if any(abs(c - k) > CLEAR_TOLERANCE for c, k in zip(colour, CLEAR_COLOUR)):
                        return f"corner pixel ({x}, {y}) is {colour}, not the clear colour"
    return None


def centre_problem(image):
    box = bounds(image)
    if box is None:
        return "no shape drawn"
    centre = ((box[0] + box[2]) / 2, (box[1] + box[3]) / 2)
    middle = ((image.width - 1) / 2, (image.height - 1) / 2)
    if max(abs(centre[0] - middle[0]), abs(centre[1] - middle[1])) > CENTRE_TOLERANCE:
        return f"shape centred at {centre}, window centre {middle} (box {box})"
    return None


def smoothness_problem(image):
    colours = {image.pixel(x, y) for x, y in shape_points(image)}
    if len(colours) < MIN_SMOOTH_COLOURS:
        return f"only {len(colours)} distinct colours in the shape"
    return None


def elongation(image):
    """Ratio of the silhouette's long axis to its short one, from its second moments."""
    points = shape_points(image)
    if not points:
        return 0.0
    count = len(points)
    mean_x = sum(x for x, _ in points) / count
    mean_y = sum(y for _, y in points) / count
    xx = sum((x - mean_x) ** 2 for x, _ in points) / count
    yy = sum((y - mean_y) ** 2 for _, y in points) / count
    xy = sum((x - mean_x) * (y - mean_y) for x, y in points) / count
    half_trace = (xx + yy) / 2
    spread = math.hypot((xx - yy) / 2, xy)
    return math.sqrt((half_trace + spread) / (half_trace - spread))


def elongation_problem(image):
    ratio = elongation(image)
    if ratio < MIN_ELONGATION:
        return f"silhouette is not elongated (axis ratio {ratio:.3f})"
    return None


def proportions_problem(reference, image):
    """The shape in `image` must have the proportions it has in `reference`, with its height
    scaled as the window's height (the field of view is vertical)."""
    before, after = bounds(reference), bounds(image)
    if before is None or after is None:
        return "no shape drawn"
    before_size = (before[2] - before[0] + 1, before[3] - before[1] + 1)
    after_size = (after[2] - after[0] + 1, after[3] - after[1] + 1)
    ratio_before = before_size[0] / before_size[1]
    ratio_after = after_size[0] / after_size[1]
    if abs(ratio_after / ratio_before - 1) > PROPORTION_TOLERANCE:
        return f"shape {after_size} has not the proportions of {before_size}"
    scale = after_size[1] / before_size[1]
    expected_scale = image.height / reference.height
    if abs(scale / expected_scale - 1) > PROPORTION_TOLERANCE:
        return f"shape height scaled by {scale:.3f}, the window's by {expected_scale:.3f}"
    return None


# Deliberately wrong images for the negative controls.

def shifted(image, dx, dy):
    """The image moved by (dx, dy), uncovered parts filled with the top left pixel."""
    fill = bytes(image.pixel(0, 0))
    rgb = bytearray(fill * (image.width * image.height))
    for y in range(max(0, dy), min(image.height, image.height + dy)):
        source = image.row(y - dy)
        start = 3 * (y * image.width + max(0, dx))
        part = source[3 * max(0, -dx):3 * min(image.width, image.width - dx)]
        rgb[start:start + len(part)] = part
    return Image(image.width, image.height, rgb)


def posterised(image, levels=4):
    """Each channel cut down to a few levels, as coarse flat shading would look."""
    step = 256 // levels
    table = bytes(min(255, (value // step) * step) for value in range(256))
    return Image(image.width, image.height, image.rgb.translate(table))


def stretched(image, factor_x):
    """Stretched horizontally by factor_x, as a projection with the wrong aspect shows."""
    width = int(image.width * factor_x)
    rgb = bytearray()
    for y in range(image.height):
        row = image.row(y)
        for x in range(width):
            source = int(x / factor_x)
            rgb += row[3 * source:3 * source + 3]
    return Image(width, image.height, rgb)


def with_pixel(image, x, y, colour):
    rgb = bytearray(image.rgb)
    offset = 3 * (y * image.width + x)
    rgb[offset:offset + 3] = bytes(colour)
    return Image(image.width, image.height, rgb)
