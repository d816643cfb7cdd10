"""Writes the desktop program's first frame as a PNG, for the page's frame to be compared with.

Usage: native_frame.py OUTPUT.png, with VORLANE_PROGRAM and VORLANE_PROBE naming the desktop
program and the window tests' probe. The window tests' harness runs the program in a private
Xvfb and holds it right after its first buffer swap.
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "window"))
from harness import XServer, held_frame, require_program  # noqa: E402


def png(image):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))
    # Every row starts with filter type 0: the bytes as they are.
    rows = b"".join(b"\0" + image.row(y) for y in range(image.height))
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def main():
    require_program()
    server = XServer()
    try:
        image = held_frame(server, 1)
    finally:
        server.stop()
    with open(sys.argv[1], "wb") as output:
        output.write(png(image))


if __name__ == "__main__":
    main()
