#!/usr/bin/env python3
"""Conformance test: runs the real program in private X servers with the call tracer preloaded
and compares every recorded OpenGL, GLU and GLUT call with the reference model, bit for bit.

Run 1 (800 x 900 screen): start-up; 40 frames call by call and all later frames folded into one
hash per primitive; a key press; resizes to 1000 x 500 and 120 x 90 (the small window makes
the later frames quick); frames until the angle is past 300 degrees, so the diffuse drift is
seen; then Escape, which must end the program with status 0.
Run 2 (640 x 480 screen, so a negative window position): the tracer makes a real GL error
before the third frame's error check; the program must ask GLU for its text, show the
"ERROR" notice without swapping, and exit with status 1 once the notice is dismissed.
"""
import argparse
import contextlib
import os
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import reference  # noqa: E402

FULL_FRAMES = 40
STOP_FRAMES = 20000          # a safety net; run 1 normally ends with Escape long before
DRIFT_ANGLE = 302.0          # wait until the angle has passed this (diffuse drifts past 300)
RUN_BUDGET_S = 45
ERROR_FRAME = 3
GL_INVALID_ENUM = 0x0500
ESCAPE = 27
PROGRESS_TAIL_BYTES = 1 << 16

FLOAT_CALLS = {"glNormal3f", "glVertex3f", "glColor4f", "glTranslatef", "glRotatef",
               "glClearColor"}
VECTOR_CALLS = {"glLightfv", "glMaterialfv"}
DOUBLE_CALLS = {"glClearDepth", "gluPerspective"}


class Mismatch(Exception):
    pass


# Reading the log.

def parse_log(path):
    """Splits the log into the start-up calls and the callbacks GLUT entered, each with the
    calls made inside it. Calls are (log line number, text); notes are kept apart."""
    startup, events, notes = [], [], []
    with open(path, encoding="ascii", errors="replace") as log:
        for number, line in enumerate(log, 1):
            line = line.rstrip("\n")
            if line.startswith("#"):
                notes.append(line)
            elif line.startswith("@"):
                events.append((line, number, []))
            else:
                (events[-1][2] if events else startup).append((number, line))
    return startup, events, notes


def progress(path):
    """The number of swapped frames and the last rotation angle, from the end of the log."""
    try:
        with open(path, "rb") as log:
            log.seek(0, os.SEEK_END)
            log.seek(max(0, log.tell() - PROGRESS_TAIL_BYTES))
            tail = log.read().decode("ascii", "replace").split("\n")[1:-1]
    except FileNotFoundError:
        return 0, 0.0
    # Both ends of the tail may cut a line; only whole lines between them are read.
    frames = next((int(l.split()[-1]) for l in reversed(tail) if l.startswith("# frame ")), 0)
    angle = next((hex_float(l.split()[1]) for l in reversed(tail)
                  if l.startswith("glRotatef ") and len(l.split()) == 5), 0.0)
    return frames, angle


def hex_float(text):
    return struct.unpack("<f", bytes.fromhex(text)[::-1])[0]


def hex_double(text):
    return struct.unpack("<d", bytes.fromhex(text)[::-1])[0]


def describe(line):
    """The call with its float and double arguments also in decimal."""
    if line is None:
        return "(nothing)"
    if line.startswith("= "):
        return f"{line}   (count and hash of a folded primitive's calls)"
    words = line.split()
    name, args = words[0], words[1:]
    if name in FLOAT_CALLS:
        values = [hex_float(a) for a in args]
    elif name in VECTOR_CALLS:
        values = [hex_float(a) for a in args[2:]]
    elif name in DOUBLE_CALLS:
        values = [hex_double(a) for a in args]
    else:
        return line
    return f"{line}   ({', '.join(repr(v) for v in values)})"


def matches(expected, actual):
    if expected == reference.CLOCK:
        return actual.startswith("clock ")
    if expected.startswith("gluErrorString "):
        return actual.split(" = ")[0] == expected      # the text is GLU's own
    return expected == actual


def compare(actual, start, expected, where):
    """Checks actual[start:] against the expected lines; returns the index after them and the
    clock values read on the way."""
    clocks = []
    for offset, want in enumerate(expected):
        index = start + offset
        got = actual[index] if index < len(actual) else None
        if got is None or not matches(want, got[1]):
            at = f"log line {got[0]}" if got else "end of the calls"
            raise Mismatch(f"first difference in {where}, call {index + 1} ({at}):\n"
                           f"  expected: {describe(want)}\n  actual:   "
                           f"{describe(got[1] if got else None)}")
        if want == reference.CLOCK:
            clocks.append(int(got[1].split()[1]))
    return start + len(expected), clocks


def compare_all(actual, expected, where, start=0):
    end, clocks = compare(actual, start, expected, where)
    if end < len(actual):
        number, extra = actual[end]
        raise Mismatch(f"{where}: unexpected call {end + 1} (log line {number}): "
                       f"{describe(extra)}")
    return clocks


def milliseconds(nanoseconds):
    """The program's clock: milliseconds of the monotonic clock, kept to 32 bits."""
    return (nanoseconds // 1_000_000) & 0xFFFFFFFF


# Checking a run.

def check_log(path, argv, screen, full_frames, error_frame=None):
    """Compares the whole log with the reference; returns what it saw, for the summary."""
    startup, events, notes = parse_log(path)
    start_clocks = compare_all(startup, reference.startup_calls(argv, *screen), "start-up")
    animation = reference.new_animation(milliseconds(start_clocks[0]))
    shape = reference.scene_shape()
    shape_lines = {False: reference.primitive_lines(shape, False),
                   True: reference.primitive_lines(shape, True)}
    seen = {"frames": 0, "steps": 0, "reshapes": [], "keys": [], "notes": notes,
            "animation": animation}

    for position, (marker, number, body) in enumerate(events):
        kind, *args = marker[1:].split()
        where = f"{marker} at log line {number}"
        if seen["keys"] and seen["keys"][-1] == ESCAPE:
            raise Mismatch(f"{where}: the program went on after Escape")
        if kind == "display":
            if error_frame is not None and seen["frames"] == error_frame:
                raise Mismatch(f"{where}: the program went on after the GL error")
            seen["frames"] += 1
            where = f"frame {seen['frames']} ({where})"
            head = reference.frame_head(animation)
            head += shape_lines[seen["frames"] > full_frames] + [reference.CLOCK]
            index, clocks = compare(body, 0, head, where)
            angle = animation["angle"]
            error = GL_INVALID_ENUM if seen["frames"] == error_frame else reference.GL_NO_ERROR
            tail = reference.frame_tail(animation, milliseconds(clocks[0]), error)
            seen["steps"] += animation["angle"] != angle
            compare_all(body, tail, where, start=index)
        elif kind == "idle":
            compare_all(body, ["glutPostRedisplay"], where)
        elif kind == "visibility":
            compare_all(body, ["glutIdleFunc " + ("fn" if args == ["1"] else "null")], where)
        elif kind == "reshape":
            width, height = int(args[0]), int(args[1])
            compare_all(body, reference.reshape_calls(width, height), where)
            seen["reshapes"].append((width, height))
        elif kind == "keyboard":
            key = int(args[0])
            compare_all(body, [] if key == ESCAPE else ["glutPostRedisplay"], where)
            seen["keys"].append(key)
        else:
            raise Mismatch(f"{where}: a callback the program never registers")
    return seen


# Running the program.

@contextlib.contextmanager
def private_display(screen):
    # -noreset: a server resets when its last client leaves, and a client connecting during
    # the reset is refused; our xdotool calls come and go while the program connects.
    # -r: no key repeat, which a busy machine could turn one typed key into several with.
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{screen[0]}x{screen[1]}x24",
         "-nolisten", "tcp", "-noreset", "-r"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise Mismatch("Xvfb did not start")
        yield ":" + number
    finally:
        server.terminate()
        server.wait()


def x_tool(display, *args):
    try:
        result = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                                capture_output=True, text=True, timeout=15)
    except subprocess.TimeoutExpired:
        raise Mismatch(f"xdotool {' '.join(args)} did not finish") from None
    return result.stdout.split()


def wait_until(condition, process, deadline, what):
    while not condition():
        if process.poll() is not None:
            errors = process.stderr.read().strip() if process.stderr else ""
            raise Mismatch(f"the program ended (status {process.returncode}) while waiting "
                           f"for {what}; its standard error: {errors[-800:]!r}")
        if time.monotonic() > deadline:
            raise Mismatch(f"gave up waiting for {what} after {RUN_BUDGET_S} s")
        time.sleep(0.05)


def find_window(display, name, process, deadline):
    found = []
    wait_until(lambda: found.extend(x_tool(display, "search", "--name", f"^{name}$")) or found,
               process, deadline, f"a window named {name!r}")
    return found[0]


def tracer_environment(tracer, log, scratch, **settings):
    env = dict(os.environ, LD_PRELOAD=str(tracer), VORLANE_TRACE_FILE=str(log),
               MESA_SHADER_CACHE_DIR=str(scratch / "mesa-cache"))
    env.update({f"VORLANE_TRACE_{k.upper()}": str(v) for k, v in settings.items()})
    return env


@contextlib.contextmanager
def running(argv, env):
    process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        yield process
    finally:
        if process.poll() is None:
            process.kill()
        process.communicate()


def run_animation(program, tracer, scratch):
    screen = (800, 900)
    log = scratch / "animation.log"
    with private_display(screen) as display:
        argv = [str(program), "-display", display]
        env = tracer_environment(tracer, log, scratch, full_frames=FULL_FRAMES,
                                 stop_frames=STOP_FRAMES)
        env.pop("DISPLAY", None)   # the program must take it from its command line
        deadline = time.monotonic() + RUN_BUDGET_S
        with running(argv, env) as process:
            wait_until(lambda: progress(log)[0] >= 3, process, deadline, "the first frames")
            window = find_window(display, reference.WINDOW_TITLE, process, deadline)
            x_tool(display, "key", "--window", window, "a")
            for width, height in ((1000, 500), (120, 90)):
                x_tool(display, "windowsize", "--sync", window, str(width), str(height))
                frames = progress(log)[0]
                wait_until(lambda: progress(log)[0] >= frames + 3, process, deadline,
                           f"frames after the resize to {width} x {height}")
            wait_until(lambda: progress(log)[0] > FULL_FRAMES and progress(log)[1] > DRIFT_ANGLE,
                       process, deadline, f"the angle to pass {DRIFT_ANGLE}")
            x_tool(display, "key", "--window", window, "Escape")
            status = process.wait(timeout=15)

    seen = check_log(log, argv, screen, FULL_FRAMES)
    animation = seen["animation"]
    problems = []
    if status != 0:
        problems.append(f"Escape ended the program with status {status}, not 0")
    if seen["keys"] != [ord("a"), ESCAPE]:
        problems.append(f"keys seen {seen['keys']}, expected [97, 27]")
    if seen["reshapes"] != [(700, 700), (1000, 500), (120, 90)]:
        problems.append(f"reshapes seen {seen['reshapes']}, expected 700x700, 1000x500, 120x90")
    if animation["diffuse"][0] == 0.0:
        problems.append("the run ended before the diffuse colour drifted")
    if any("stopped" in n or "too large" in n for n in seen["notes"]):
        problems.append("the tracer had to stop the program")
    print(f"run 1: start-up as expected; {seen['frames']} frames ({FULL_FRAMES} call by call),"
          f" {seen['steps']} steps, angle now {animation['angle']}, emission blue "
          f"{animation['emission'][2]:.6f}, diffuse {animation['diffuse'][:2]}; reshapes "
          f"{seen['reshapes']}; keys {seen['keys']}; exit status {status}")
    return problems


def run_error(program, tracer, scratch):
    screen = (640, 480)
    log = scratch / "error.log"
    with private_display(screen) as display:
        argv = [str(program)]
        env = tracer_environment(tracer, log, scratch, error_frame=ERROR_FRAME,
                                 stop_frames=ERROR_FRAME + 5)
        env["DISPLAY"] = display
        deadline = time.monotonic() + RUN_BUDGET_S
        with running(argv, env) as process:
            wait_until(lambda: progress(log)[0] >= ERROR_FRAME - 1, process, deadline,
                       "the frames before the error")
            notice = find_window(display, "ERROR", process, deadline)
            x_tool(display, "key", "--window", notice, "Return")
            status = process.wait(timeout=15)
            errors = process.stderr.read() if process.stderr else ""

    seen = check_log(log, argv, screen, full_frames=ERROR_FRAME, error_frame=ERROR_FRAME)
    problems = []
    if status != 1:
        problems.append(f"the GL error ended the program with status {status}, not 1 "
                        f"(stderr: {errors.strip()!r})")
    if seen["frames"] != ERROR_FRAME:
        problems.append(f"{seen['frames']} frames drawn, expected {ERROR_FRAME}")
    print(f"run 2: start-up as expected at a negative position; {seen['frames']} frames, the "
          f"last with the GL error and no swap; exit status {status}")
    return problems


def check_coverage(nm, program, tracer):
    """Every OpenGL, GLU and GLUT function the program imports must be one the tracer
    records, or some calls would go unseen."""
    def symbols(path, which):
        out = subprocess.run([nm, "-D", which, str(path)], capture_output=True, text=True,
                             check=True).stdout
        return {line.split()[-1].split("@")[0] for line in out.splitlines() if line.strip()}

    imported = {s for s in symbols(program, "--undefined-only")
                if s.startswith("gl") and not s.startswith("glX")}
    unrecorded = imported - symbols(tracer, "--defined-only")
    return [f"the tracer does not record {sorted(unrecorded)}"] if unrecorded else []


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", type=Path, required=True)
    parser.add_argument("--tracer", type=Path, required=True)
    parser.add_argument("--nm", default="nm")
    parser.add_argument("--keep", type=Path, help="keep the logs in this folder")
    options = parser.parse_args()

    problems = check_coverage(options.nm, options.program, options.tracer)
    with tempfile.TemporaryDirectory(prefix="vorlane-conformance-") as temporary:
        scratch = options.keep or Path(temporary)
        scratch.mkdir(parents=True, exist_ok=True)
        for run in (run_animation, run_error):
            try:
                problems += run(options.program.resolve(), options.tracer.resolve(), scratch)
            except Mismatch as mismatch:
                problems.append(f"{run.__name__}: {mismatch}")
    for problem in problems:
        print("FAIL:", problem)
    print("conformance:", "FAILED" if problems else "all calls as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
