#!/usr/bin/env python3
"""Runs the cross-built Windows programs under Wine, as a person on Windows would meet them:
the unit tests; the program in a private X server (its titled 700 x 700 window, the shape
drawn and moving, Escape ending it with status 0); and the error notice (a box named "ERROR"
with the known text and one OK button, which Return dismisses).

Usage: wine_test.py BUILD_DIR. The Wine prefix is BUILD_DIR/wine-prefix, made on first use;
screenshots are saved in BUILD_DIR as wine-vorlane.png, wine-vorlane-later.png and
wine-notice.png."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "Quillobrante - VORLANE 11/30/2005"
WINDOW_SIZE = 700
NOTICE_CAPTION = "ERROR"
NOTICE_TEXT = "invalid operation"
SCREEN = "1024x768x24"
# Wine's first start in a prefix, and llvmpipe's first frame, can take a while.
APPEAR_SECONDS = 60
EXIT_SECONDS = 10
KEY_PRESSES = 2
# The unit tests, death tests and all, take seconds; this only stops a hang.
UNIT_TEST_SECONDS = 600
# Long enough for a spinning shape to move visibly between two screenshots.
SPIN_SECONDS = 1.0
# A pixel counts as drawn when any channel is above this; the background is black.
DRAWN_LEVEL = 40


def wine_environment(build):
    env = dict(os.environ,
               WINEPREFIX=os.path.join(build, "wine-prefix"),
               WINEARCH="win32",
               WINEDEBUG="-all",
               # No .NET or browser engine: nothing here needs them, and Wine would otherwise
               # offer to download them. No menu entries or file types in the home folder.
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    env.pop("DISPLAY", None)
    return env


def prepare_prefix(env):
    if os.path.exists(os.path.join(env["WINEPREFIX"], "system.reg")):
        return
    started = time.time()
    subprocess.run(["wineboot", "--init"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "--wait"], env=env, check=True)
    print(f"wine_test: made the Wine prefix in {time.time() - started:.1f} s")


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp"],
        pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = ":" + pipe.readline().strip()
    return server, display


def x(env, *command):
    return subprocess.run(list(command), env=env, capture_output=True, text=True).stdout


def window_info(env, window):
    info = x(env, "xwininfo", "-id", window)
    return dict(line.strip().split(": ", 1) for line in info.splitlines() if ": " in line)


def find_window(env, name, process):
    """The X window with this name once it is on screen (Wine creates it before mapping it)."""
    deadline = time.time() + APPEAR_SECONDS
    while time.time() < deadline and process.poll() is None:
        for line in x(env, "xwininfo", "-root", "-tree").splitlines():
            if f'"{name}":' in line:
                window = line.split()[0]
                if window_info(env, window).get("Map State") == "IsViewable":
                    return window
        time.sleep(0.2)
    return None


def window_size(env, window):
    fields = window_info(env, window)
    return int(fields.get("Width", 0)), int(fields.get("Height", 0))


def screenshot(env, window, png_path):
    """Saves the window as PNG and returns its pixels as (width, height, RGB bytes)."""
    dump = subprocess.run(["xwd", "-silent", "-id", window], env=env, capture_output=True,
                          check=True).stdout
    ppm = subprocess.run(["xwdtopnm"], input=dump, capture_output=True, check=True).stdout
    with open(png_path, "wb") as png:
        subprocess.run(["pnmtopng"], input=ppm, stdout=png, stderr=subprocess.DEVNULL,
                       check=True)
    # Binary PPM: magic, width, height and maximum value, then the pixels.
    fields, position = [], 0
    while len(fields) < 4:
        while ppm[position:position + 1].isspace():
            position += 1
        if ppm[position:position + 1] == b"#":
            position = ppm.index(b"\n", position)
            continue
        end = position
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[position:end])
        position = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise RuntimeError(f"unexpected screenshot format {fields[0]!r} {fields[3]!r}")
    return int(fields[1]), int(fields[2]), ppm[position + 1:]


def pixel(image, px, py):
    width, _, data = image
    offset = 3 * (py * width + px)
    return tuple(data[offset:offset + 3])


def drawn(colour):
    return max(colour) > DRAWN_LEVEL


def press_until_exit(env, window, key, process):
    """Presses the key and waits for the process to end, pressing once more if it has not:
    with no window manager, Wine may still be taking the focus when the first key comes.
    Returns the exit status (None if it did not end) and the number of presses."""
    for presses in range(1, KEY_PRESSES + 1):
        # Keys go where the X focus is, as they do for a person; Wine makes the focused X
        # window its active one.
        x(env, "xdotool", "windowfocus", window)
        x(env, "xdotool", "key", key)
        try:
            return process.wait(timeout=EXIT_SECONDS), presses
        except subprocess.TimeoutExpired:
            pass
    return None, KEY_PRESSES


def run_unit_tests(build, env):
    program = os.path.join(build, "tests", "unit", "vorlane_unit_tests.exe")
    try:
        result = subprocess.run(["wine", program], env=env, capture_output=True, text=True,
                                timeout=UNIT_TEST_SECONDS)
    except subprocess.TimeoutExpired:
        return False, f"still running after {UNIT_TEST_SECONDS} s"
    summary = [line for line in result.stdout.splitlines()
               if line.startswith(("[==========]", "[  PASSED  ]", "[  FAILED  ]"))]
    ok = result.returncode == 0 and any(line.startswith("[  PASSED  ]") for line in summary)
    if not ok:
        print(result.stdout + result.stderr)
    return ok, "; ".join(summary[-2:])


def run_windowed(env, program, name, problems, check, stdout=subprocess.DEVNULL):
    """Starts a Windows program under Wine, waits for its window with this name and returns
    what check(window, process) returns; the program is killed if it is still running."""
    process = subprocess.Popen(["wine", program], env=env, stdout=stdout,
                               stderr=subprocess.DEVNULL, text=True)
    try:
        window = find_window(env, name, process)
        if window is None:
            problems.append(f"no window named {name!r} appeared")
            return None
        return check(window, process)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def run_program(build, env, problems):
    def check(window, process):
        size = window_size(env, window)
        if size != (WINDOW_SIZE, WINDOW_SIZE):
            problems.append(f"window is {size[0]}x{size[1]}")
        # The shape turns about its own middle, so the centre pixel is lit in every frame once
        # the first one is shown; a loaded machine may take seconds for that.
        deadline = time.time() + APPEAR_SECONDS
        while True:
            first = screenshot(env, window, os.path.join(build, "wine-vorlane.png"))
            width, height, _ = first
            centre = pixel(first, width // 2, height // 2)
            if drawn(centre) or time.time() > deadline or process.poll() is not None:
                break
            time.sleep(0.2)
        # It keeps turning: a later frame differs (again, later still on a loaded machine).
        deadline = time.time() + APPEAR_SECONDS
        time.sleep(SPIN_SECONDS)
        second = screenshot(env, window, os.path.join(build, "wine-vorlane-later.png"))
        while second[2] == first[2] and time.time() < deadline and process.poll() is None:
            time.sleep(0.2)
            second = screenshot(env, window, os.path.join(build, "wine-vorlane-later.png"))
        corners = [pixel(first, px, py) for px in (0, width - 1) for py in (0, height - 1)]
        lit = sum(drawn(pixel(first, px, py))
                  for px in range(0, width, 10) for py in range(0, height, 10))
        share = lit / ((width // 10) * (height // 10))
        if not drawn(centre) or any(drawn(corner) for corner in corners):
            problems.append(f"shape not drawn: centre {centre}, corners {corners}")
        # The shape fills a middle part of the window, not none and not all of it.
        if not 0.05 < share < 0.6:
            problems.append(f"{share:.0%} of the window is drawn")
        if first[2] == second[2]:
            problems.append(f"nothing moved in {APPEAR_SECONDS} s")
        status, presses = press_until_exit(env, window, "Escape", process)
        if status != 0:
            problems.append(f"Escape ({presses}x) gave exit status {status}")
        return f"window {size[0]}x{size[1]}, {share:.0%} drawn, centre {centre}, " \
               f"Escape ({presses}x): status {status}"

    return run_windowed(env, os.path.join(build, "vorlane.exe"), TITLE, problems, check)


def run_notice(build, env, problems):
    def check(window, process):
        image = screenshot(env, window, os.path.join(build, "wine-notice.png"))
        # The notice test prints what the box shows once it is on screen.
        report = [process.stdout.readline().strip() for _ in range(4)]
        expected = [f'caption "{NOTICE_CAPTION}"', f'text "{NOTICE_TEXT}"', 'buttons "OK"',
                    "owner none"]
        if report != expected:
            problems.append(f"the box shows {report}")
        if process.poll() is not None:
            problems.append("the notice returned before it was dismissed")
        status, presses = press_until_exit(env, window, "Return", process)
        rest = process.stdout.read().split() if status is not None else []
        if status != 0 or rest != ["dismissed"]:
            problems.append(f"Return ({presses}x) gave exit status {status}, then {rest}")
        return f"{'; '.join(report)}; box {image[0]}x{image[1]}; " \
               f"Return ({presses}x): status {status}"

    program = os.path.join(build, "tests", "windows", "vorlane_notice_test.exe")
    return run_windowed(env, program, NOTICE_CAPTION, problems, check, stdout=subprocess.PIPE)


def main():
    build = os.path.abspath(sys.argv[1])
    for tool in ("wine", "wineboot", "wineserver", "Xvfb", "xwininfo", "xdotool", "xwd"):
        if shutil.which(tool) is None:
            print(f"wine_test: {tool} is missing")
            return 1
    env = wine_environment(build)
    began = time.time()
    prepare_prefix(env)
    passed = failed = 0

    def report(name, ok, detail):
        nonlocal passed, failed
        passed += ok
        failed += not ok
        print(f"{'PASS' if ok else 'FAIL'} {name}: {detail}")

    started = time.time()
    ok, detail = run_unit_tests(build, env)
    report("unit tests under Wine", ok, f"{detail} ({time.time() - started:.1f} s)")

    server, display = start_xvfb()
    x_env = dict(env, DISPLAY=display,
                 MESA_SHADER_CACHE_DIR=tempfile.mkdtemp(prefix="vorlane-wine-mesa-"))
    try:
        for name, check in (("program under Wine", run_program),
                            ("error notice under Wine", run_notice)):
            started = time.time()
            problems = []
            detail = check(build, x_env, problems)
            report(name, not problems,
                   f"{'; '.join(problems) or detail} ({time.time() - started:.1f} s)")
    finally:
        subprocess.run(["wineserver", "--kill"], env=env)
        subprocess.run(["wineserver", "--wait"], env=env)
        server.terminate()
        server.wait()
        shutil.rmtree(x_env["MESA_SHADER_CACHE_DIR"], ignore_errors=True)
    print(f"wine_test: {time.time() - began:.0f} s under Wine")
    print(f"wine: {passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
