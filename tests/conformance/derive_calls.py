#!/usr/bin/env python3
"""Writes tests/calls.txt and prints the digests that tests/unit_test.cpp pins: what the model of
the calls (reference.py) says the program sends in the unit tests' scenarios, as the recording
double writes it: one line a call, and the whole stream hashed with FNV-1a 64.

The scenario: start-up on an 800 x 900 screen with the clock at 1000 ms, the first reshape to
700 x 700, the window shown, one idle call, frames at 1000 ms (no step), 1006 ms (the first
step) and 1009 ms (no step), the key 'a', reshapes to 700 x 300 and 640 x 0, and visibility
states 0 and 7. calls.txt folds every primitive's calls into "= count hash", so that a failing
test can say which line differs first."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import reference as r  # noqa: E402

START = 1000
lines = [f"clock {START}" if line == r.CLOCK else line
         for line in r.startup_calls(["vorlane"], 800, 900)]
lines += r.reshape_calls(700, 700) + ["glutIdleFunc on_idle", "glutPostRedisplay"]
animation = r.new_animation(START)
shape = {folded: r.primitive_lines(r.scene_shape(), folded) for folded in (False, True)}
full, folded = list(lines), list(lines)
for now in (START, START + 6, START + 9):
    head = r.frame_head(animation)
    tail = [f"clock {now}"] + r.frame_tail(animation, now)
    full += head + shape[False] + tail
    folded += head + shape[True] + tail
rest = (["glutPostRedisplay"] + r.reshape_calls(700, 300) + r.reshape_calls(640, 0) +
        ["glutIdleFunc null", "glutIdleFunc null"])
full += rest
folded += rest

# The animation: frames with the shape left out, the clock starting 32 ms before it wraps:
# 3, 5 and 6 ms after the last step, steps across the wrap, a gap of 2^31 ms and one that
# reads as negative, then 800 steps 6 ms apart, past 300 degrees and a whole turn.
animation = r.new_animation(0xFFFFFFE0)
times = [0xFFFFFFE3, 0xFFFFFFE5, 0xFFFFFFE6, 0xFFFFFFEC, 0xFFFFFFF2, 0xFFFFFFF8, 0xFFFFFFFE,
         0x4, 0x80000004, 0xFFFFFFF4] + [10 + 6 * k for k in range(801)]
steps = [line for now in times for line in
         r.frame_head(animation) + [f"clock {now}"] + r.frame_tail(animation, now)]
print(f"animation: {len(times)} frames, {len(steps)} lines, digest 0x{r.fnv1a(steps):016x}, "
      f"angle {animation['angle']}, emission {animation['emission']}, "
      f"diffuse {animation['diffuse']}")

out = Path(__file__).resolve().parent.parent / "calls.txt"
out.write_text("".join(line + "\n" for line in folded))
print(f"{len(full)} lines, digest 0x{r.fnv1a(full):016x}; {len(folded)} folded lines in {out}")
