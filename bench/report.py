#!/usr/bin/env python3
"""Runs vorlane's benchmarks and budgets from a Release build folder and prints what a frame
costs next to the floor: the same frame with the shape's calls replayed from arrays.

    bench/report.py BUILD [--repetitions R] [--frames N M] [--startup-runs K]

Times come from Google Benchmark (medians over repetitions, so other work on the machine
shows as spread rather than as a wrong figure). Instructions come from callgrind: a run of
N frames and a run of M frames of each program in a private X server, whose difference is
M - N frames with start-up cancelled. Start-up is exec to the first frame on the screen,
against a bare GLUT program that shows the same first frame. Exits 1 if a budget is not met.
"""
import argparse
import collections
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

INSTRUCTION_BUDGET = 1.02  # vorlane's instructions per frame over the floor's, at most
STARTUP_BUDGET = 1.10  # vorlane's exec-to-first-frame over the bare GLUT program's, at most
RUN_TIMEOUT_S = 900

# The window tests' private X server, which also keeps its own Mesa shader cache.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "window"))
from harness import XServer  # noqa: E402


def run_benchmark(program, repetitions, env, extra=()):
    """Per-repetition times of each benchmark in a Google Benchmark program, and its context."""
    command = [program, f"--benchmark_repetitions={repetitions}", "--benchmark_format=json",
               "--benchmark_enable_random_interleaving=true", *extra]
    output = subprocess.run(command, env=env, check=True, capture_output=True, text=True,
                            timeout=RUN_TIMEOUT_S).stdout
    report = json.loads(output)
    runs = collections.defaultdict(list)
    for entry in report["benchmarks"]:
        if entry.get("run_type") == "iteration":
            runs[entry["run_name"].split("/")[0]].append(entry)
    return runs, report["context"]


def summary(values):
    middle = statistics.median(values)
    return middle, (max(values) - min(values)) / middle


def object_costs(path):
    """Instructions per object (library, program or JIT code) from a callgrind profile."""
    names = {}
    costs = collections.Counter()
    current = "?"
    after_call = False
    with open(path, errors="replace") as profile:
        for line in profile:
            if line.startswith(("ob=", "cob=")):
                key, value = line.rstrip("\n").split("=", 1)
                match = re.match(r"\((\d+)\)(?: (.*))?$", value)
                if match:
                    ident, name = match.groups()
                    if name:
                        names[ident] = name
                    value = names.get(ident, "?")
                if key == "ob":
                    current = value
            elif line.startswith("calls="):
                after_call = True  # the next cost line is the callee's, not this object's
            elif line[:1].isdigit() or line[:1] in "+-*":
                parts = line.split()
                if after_call:
                    after_call = False
                elif len(parts) >= 2:
                    costs[current] += int(parts[1])
    return costs


def group_of(obj, program):
    if obj == program:
        return "program's own code"
    name = os.path.basename(obj)
    if name.startswith("libm."):
        return "sines and cosines (libm)"
    if name == "swrast_dri.so":
        return "Mesa driver (swrast_dri)"
    if obj in ("???", "?"):
        return "Mesa's generated code (LLVM)"
    if name.startswith("libc."):
        return "C library (Mesa's memset, memcpy)"
    return "other (GL dispatch, GLUT, X11, ...)"


def instructions_per_frame(programs, frames, env, work):
    """Per program: instructions per frame by group, from runs of N and M frames."""
    few, many = frames
    jobs = [(program, count) for program in programs for count in (few, many)]
    # Two profiles at a time: the machine has two cores.
    results = {}
    for first in range(0, len(jobs), 2):
        pending = {}
        for program, count in jobs[first:first + 2]:
            out = os.path.join(work, f"{os.path.basename(program)}-{count}.callgrind")
            run_env = dict(env, VORLANE_BENCH_FRAMES=str(count))
            pending[(program, count)] = (out, subprocess.Popen(
                ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", program],
                env=run_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        for key, (out, process) in pending.items():
            if process.wait(timeout=RUN_TIMEOUT_S) != 0:
                sys.exit(f"bench: callgrind run of {key[0]} for {key[1]} frames failed")
            results[key] = object_costs(out)
    per_frame = {}
    for program in programs:
        groups = collections.Counter()
        for obj in set(results[(program, few)]) | set(results[(program, many)]):
            difference = results[(program, many)][obj] - results[(program, few)][obj]
            groups[group_of(obj, program)] += difference / (many - few)
        per_frame[program] = groups
    return per_frame


def first_frame_ms(program, env, work):
    mark = os.path.join(work, "first-frame")
    if os.path.exists(mark):
        os.remove(mark)
    run_env = dict(env, VORLANE_BENCH_FRAMES="1", VORLANE_BENCH_FIRST_FRAME=mark)
    start = time.monotonic_ns()  # CLOCK_MONOTONIC, as the probe's
    subprocess.run([program], env=run_env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=RUN_TIMEOUT_S)
    with open(mark) as file:
        on_screen, processor = (int(field) for field in file.read().split())
    return (on_screen - start) / 1e6, processor / 1e6


def startup_ms(programs, runs, env, work):
    """Exec-to-first-frame times and the processor time used by then, the programs taking
    turns after one unmeasured start each."""
    for program in programs:
        first_frame_ms(program, env, work)
    wall = collections.defaultdict(list)
    processor = collections.defaultdict(list)
    for _ in range(runs):
        for program in programs:
            elapsed, used = first_frame_ms(program, env, work)
            wall[program].append(elapsed)
            processor[program].append(used)
    return wall, processor


def allocations_per_frame(test):
    if not os.path.exists(test):
        return None
    output = subprocess.run([test, "--gtest_filter=Allocation.AHundredFramesAllocateNothing"],
                            capture_output=True, text=True, timeout=RUN_TIMEOUT_S).stdout
    match = re.search(r"in (\d+) frames: (\d+)", output)
    return (int(match.group(2)), int(match.group(1))) if match else None


def machine():
    model = "unknown processor"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return f"{model}, {os.cpu_count()} cores"


def verdict(met):
    return "met" if met else "NOT met"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--frames", type=int, nargs=2, default=(5, 45), metavar=("N", "M"))
    parser.add_argument("--startup-runs", type=int, default=9)
    args = parser.parse_args()
    if args.frames[1] <= args.frames[0]:
        parser.error("--frames wants N < M")

    bench = os.path.join(args.build, "bench")
    vorlane = os.path.abspath(os.path.join(args.build, "vorlane"))
    floor = os.path.abspath(os.path.join(bench, "vorlane_floor"))
    bare = os.path.abspath(os.path.join(bench, "vorlane_bare_glut"))
    probe = os.path.abspath(os.path.join(bench, "libvorlane_frame_probe.so"))
    work = tempfile.mkdtemp(prefix="vorlane-bench-")
    # One core's work, as in the instruction counts, and what the shared machine allows.
    env = dict(os.environ, LP_NUM_THREADS="0")
    all_met = True
    try:
        print(f"machine: {machine()}")
        shape_runs, _ = run_benchmark(os.path.join(bench, "vorlane_shape_bench"),
                                      args.repetitions, env)
        frame_runs, context = run_benchmark(os.path.join(bench, "vorlane_frame_bench"),
                                            args.repetitions, env)
        print(f"renderer: {context.get('renderer', '?')}, OpenGL {context.get('gl_version', '?')}"
              f", LP_NUM_THREADS=0")

        print(f"\nCPU time, {args.repetitions} repetitions    median      spread   / floor")
        shape_us = [run["cpu_time"] for run in shape_runs["shape"]]
        per_vertex_ns = [run["per_vertex"] * 1e9 for run in shape_runs["shape"]]
        middle, spread = summary(shape_us)
        print(f"shape alone, null GL         {middle:8.1f} us  {spread:7.1%}")
        middle, spread = summary(per_vertex_ns)
        print(f"  per vertex                 {middle:8.2f} ns  {spread:7.1%}")
        floor_ms = [run["cpu_time"] for run in frame_runs["floor_frame"]]
        floor_middle, floor_spread = summary(floor_ms)
        frame_middle, frame_spread = summary([run["cpu_time"] for run in frame_runs["frame"]])
        print(f"frame, Mesa llvmpipe         {frame_middle:8.2f} ms  {frame_spread:7.1%}"
              f"   {frame_middle / floor_middle:6.3f}")
        print(f"floor, calls replayed        {floor_middle:8.2f} ms  {floor_spread:7.1%}"
              f"   {1:6.3f}")

        server = XServer()
        try:
            run_env = dict(server.env, LP_NUM_THREADS="0", LD_PRELOAD=probe)
            # No shader cache under callgrind: every run compiles the same shaders, so the
            # start-up the two runs share cancels exactly.
            profile_env = dict(run_env, MESA_SHADER_CACHE_DISABLE="true")
            per_frame = instructions_per_frame([vorlane, floor], args.frames, profile_env,
                                               work)
            startup, startup_processor = startup_ms([bare, vorlane], args.startup_runs,
                                                    run_env, work)
        finally:
            server.stop()

        program_total = sum(per_frame[vorlane].values())
        floor_total = sum(per_frame[floor].values())
        ratio = program_total / floor_total
        few, many = args.frames
        print(f"\ninstructions per frame (callgrind, runs of {many} and {few} frames)")
        print(f"{'':38}{'vorlane':>12}{'floor':>12}{'difference':>12}")
        groups = sorted(set(per_frame[vorlane]) | set(per_frame[floor]),
                        key=lambda group: -per_frame[vorlane][group])
        for group in groups:
            ours, theirs = per_frame[vorlane][group], per_frame[floor][group]
            print(f"{group:38}{ours:12,.0f}{theirs:12,.0f}{ours - theirs:12,.0f}")
        print(f"{'total':38}{program_total:12,.0f}{floor_total:12,.0f}"
              f"{program_total - floor_total:12,.0f}")
        met = ratio <= INSTRUCTION_BUDGET
        all_met &= met
        print(f"budget: vorlane / floor = {ratio:.4f} (at most {INSTRUCTION_BUDGET}): "
              f"{verdict(met)}")

        # Judged on the best run of each: other work on the machine only ever adds time.
        print(f"\nexec to first frame on screen, {args.startup_runs} runs each"
              f"      best    median    spread  processor")
        for name, program in (("vorlane", vorlane), ("bare GLUT program", bare)):
            middle, spread = summary(startup[program])
            used = statistics.median(startup_processor[program])
            print(f"{name:40}{min(startup[program]):7.1f} ms{middle:7.1f} ms{spread:9.1%}"
                  f"{used:8.1f} ms")
        ratio = min(startup[vorlane]) / min(startup[bare])
        met = ratio <= STARTUP_BUDGET
        all_met &= met
        print(f"budget: vorlane / bare, best runs = {ratio:.3f} (at most {STARTUP_BUDGET}): "
              f"{verdict(met)}")

        counted = allocations_per_frame(
            os.path.join(args.build, "tests", "alloc", "vorlane_alloc_test"))
        if counted is None:
            print("\nallocations: the allocation test was not built or said nothing")
            all_met = False
        else:
            allocations, frames = counted
            met = allocations == 0
            all_met &= met
            print(f"\nbudget: heap allocations by the program's own code: {allocations} in "
                  f"{frames} frames (none allowed): {verdict(met)}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0 if all_met else 1


if __name__ == "__main__":
    sys.exit(main())
