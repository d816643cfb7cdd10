#!/usr/bin/env python3
"""Smoke test: the real program opens its titled window in a private X server and Escape
ends it with status 0."""
import os
import subprocess
import sys
import tempfile
import time

TITLE = "Quillobrante - VORLANE 11/30/2005"


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x900x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = ":" + pipe.readline().strip()
    return server, display


def find_window(env, deadline):
    while time.time() < deadline:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env,
                              capture_output=True, text=True).stdout
        for line in tree.splitlines():
            if f'"{TITLE}"' in line:
                return line.split()[0]
        time.sleep(0.1)
    return None


def main():
    program = sys.argv[1]
    server, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display,
               MESA_SHADER_CACHE_DIR=tempfile.mkdtemp(prefix="vorlane-mesa-"))
    process = subprocess.Popen([program], env=env, stderr=subprocess.PIPE, text=True)
    try:
        window = find_window(env, time.time() + 20)
        if window is None:
            print(f"FAIL: no window titled {TITLE!r} appeared")
            return 1
        geometry = subprocess.run(["xwininfo", "-id", window], env=env,
                                  capture_output=True, text=True).stdout
        size_ok = "Width: 700" in geometry and "Height: 700" in geometry
        subprocess.run(["xdotool", "keydown", "--window", window, "Escape"], env=env, check=True)
        status = process.wait(timeout=10)
        print(f"window {window}, 700x700: {size_ok}, exit status {status}")
        return 0 if size_ok and status == 0 else 1
    finally:
        if process.poll() is None:
            process.kill()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(main())
