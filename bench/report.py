#!/usr/bin/env python3
"""What a frame and a start-up cost, against their budgets; the bench preset's test runs this in
a private X server (scripts/with-xvfb) on its Release build folder:

    bench/report.py BUILD [--frames N M] [--startup-runs K]

- Instructions per frame, counted by callgrind in a run of N frames and one of M (their
  difference cancels start-up), of vorlane and of the floor: the same frame and event loop with
  the shape's calls captured once and replayed, which no immediate-mode program can beat.
- Exec to the first frame on the screen, best of K runs, against a bare GLUT program that shows
  the same first frame. On a shared machine waiting only ever adds time, so the best runs count.
- Heap allocations by the program's own code over frames, as the unit tests count them.

The probe (tests/probe.cpp) ends each run after its frames and times the first. Exits 1 if a
budget is not met.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import harness  # noqa: E402

INSTRUCTION_BUDGET = 1.02  # vorlane's instructions per frame over the floor's, at most
STARTUP_BUDGET = 1.10  # vorlane's exec to first frame over the bare program's, at most


def instructions(program, frames, work):
    """Instructions of a whole run of the program that ends after this many frames."""
    out = os.path.join(work, "callgrind.out")
    # One core's work, and no shader cache, so that both runs compile the same shaders.
    env = dict(os.environ, LD_PRELOAD=harness.PROBE, VORLANE_PROBE_EXIT_AFTER=str(frames),
               LP_NUM_THREADS="0", MESA_SHADER_CACHE_DISABLE="true")
    subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", program],
                   env=env, check=True, capture_output=True)
    with open(out) as profile:
        return int(re.search(r"^summary: (\d+)", profile.read(), re.M)[1])


def first_frame_ms(program):
    """Milliseconds from starting the program to its first frame on the screen."""
    began = time.monotonic_ns()  # CLOCK_MONOTONIC, as the probe's
    run = harness.Program(program=program, exit_after=1)
    try:
        if run.wait_exit() != 0:
            raise SystemExit(f"bench: {program} failed")
        return (int(run.lines("swap")[0][1]) - began) / 1e6
    finally:
        run.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--frames", type=int, nargs=2, default=(5, 45), metavar=("N", "M"))
    parser.add_argument("--startup-runs", type=int, default=9)
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    vorlane, floor, bare = (os.path.join(build, *path) for path in (
        ["vorlane"], ["bench", "vorlane_floor"], ["bench", "vorlane_bare_glut"]))
    harness.PROGRAM, harness.PROBE = vorlane, os.path.join(build, "tests", "libvorlane_probe.so")
    verdicts = []

    def budget(what, value, limit):
        verdicts.append(value <= limit)
        shown = f"{value:.3f}" if isinstance(value, float) else value
        print(f"budget: {what} = {shown} (at most {limit}): "
              f"{'met' if value <= limit else 'NOT met'}")

    few, many = options.frames
    print(f"instructions per frame (callgrind, runs of {many} and {few} frames, one core)")
    per_frame = {}
    with tempfile.TemporaryDirectory(prefix="vorlane-bench-") as work:
        for name, program in (("vorlane", vorlane), ("floor", floor)):
            per_frame[name] = (instructions(program, many, work) -
                               instructions(program, few, work)) / (many - few)
            print(f"  {name:8} {per_frame[name] / 1e6:8.2f} M")
    budget("vorlane / floor", per_frame["vorlane"] / per_frame["floor"], INSTRUCTION_BUDGET)

    print(f"\nexec to first frame on the screen, best of {options.startup_runs} runs")
    programs = {"bare GLUT program": bare, "vorlane": vorlane}
    for program in programs.values():
        first_frame_ms(program)  # one unmeasured start each, for the caches
    best = dict.fromkeys(programs, float("inf"))
    for _ in range(options.startup_runs):  # taking turns
        for name, program in programs.items():
            best[name] = min(best[name], first_frame_ms(program))
    for name in programs:
        print(f"  {name:18} {best[name]:7.1f} ms")
    budget("vorlane / bare", best["vorlane"] / best["bare GLUT program"], STARTUP_BUDGET)

    output = subprocess.run([os.path.join(build, "tests", "vorlane_unit_tests"),
                             "--gtest_filter=Animation.*"],
                            capture_output=True, text=True).stdout
    counted = re.search(r"allocations in (\d+) frames: (\d+)", output)
    print(f"\nheap allocations by the program's own code in {counted[1]} frames: {counted[2]}")
    budget("allocations", int(counted[2]), 0)
    return 0 if all(verdicts) else 1


if __name__ == "__main__":
    sys.exit(main())
