"""Writes a C++ header holding a PNG icon as the window manager's _NET_WM_ICON wants it:
width, height, then one 0xAARRGGBB value per pixel, row by row from the top left.

    python3 icon_argb.py ICON.png HEADER.h

Only what the program's icons are is read: 8 bits per channel, RGBA, not interlaced. Any
other PNG stops the build with a message rather than giving a wrong icon.
"""
import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
RGBA = 6
CHANNELS = 4
VALUES_PER_LINE = 6


def chunks(data):
    offset = len(PNG_SIGNATURE)
    while offset < len(data):
        length, kind = struct.unpack(">I4s", data[offset:offset + 8])
        yield kind, data[offset + 8:offset + 8 + length]
        offset += 12 + length


def paeth(left, up, up_left):
    estimate = left + up - up_left
    distances = (abs(estimate - left), abs(estimate - up), abs(estimate - up_left))
    if distances[0] <= distances[1] and distances[0] <= distances[2]:
        return left
    return up if distances[1] <= distances[2] else up_left


def unfilter(kind, line, previous):
    row = bytearray(line)
    for i in range(len(row)):
        left = row[i - CHANNELS] if i >= CHANNELS else 0
        up = previous[i]
        up_left = previous[i - CHANNELS] if i >= CHANNELS else 0
        predictor = (0, left, up, (left + up) // 2, paeth(left, up, up_left))[kind]
        row[i] = (row[i] + predictor) & 0xFF
    return row


def read_rgba(path):
    with open(path, "rb") as png:
        data = png.read()
    if not data.startswith(PNG_SIGNATURE):
        sys.exit(f"{path}: not a PNG")
    header, compressed = None, b""
    for kind, body in chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
    width, height, depth, colour_type, _, _, interlace = header
    if (depth, colour_type, interlace) != (8, RGBA, 0):
        sys.exit(f"{path}: only 8-bit RGBA PNGs without interlacing are read")
    raw = zlib.decompress(compressed)
    stride = width * CHANNELS
    rows, previous = [], bytes(stride)
    for y in range(height):
        start = y * (stride + 1)
        previous = unfilter(raw[start], raw[start + 1:start + 1 + stride], previous)
        rows.append(previous)
    return width, height, rows


def main():
    source, target = sys.argv[1:]
    width, height, rows = read_rgba(source)
    values = [width, height]
    for row in rows:
        for x in range(0, len(row), CHANNELS):
            red, green, blue, alpha = row[x:x + CHANNELS]
            values.append(alpha << 24 | red << 16 | green << 8 | blue)
    lines = [", ".join(f"0x{value:08x}" for value in values[i:i + VALUES_PER_LINE])
             for i in range(0, len(values), VALUES_PER_LINE)]
    with open(target, "w") as header:
        name = source.rsplit("/", 1)[-1]
        header.write(f"// Generated from {name} by icon_argb.py when building.\n")
        header.write("#pragma once\n\n")
        # unsigned long, because that is the size Xlib takes 32-bit property items in.
        header.write("constexpr unsigned long window_icon[] = {\n    ")
        header.write(",\n    ".join(lines))
        header.write("\n};\n")


if __name__ == "__main__":
    main()
