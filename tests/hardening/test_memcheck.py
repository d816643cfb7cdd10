"""Twenty frames of the real program under valgrind's memcheck, ended by Escape: no invalid
read or write, no use of an uninitialised value, and no definitely lost block whose stack
reaches the program's own sources. Known faults of Mesa's driver loading and teardown are
suppressed by tests/sanitize/memcheck.supp, each entry with its reason."""
import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
import harness  # noqa: E402

SUPPRESSIONS = os.path.join(os.environ.get("VORLANE_SUPPRESSIONS", ""), "memcheck.supp")
FRAMES = 20
# Small frames keep Mesa's share of the run short; the program's own work per frame does not
# depend on the window's size.
SMALL_SIZE = 64
# Under memcheck the program runs some fifty times slower: these bound a failing run only.
START_TIMEOUT = 300.0
FRAME_TIMEOUT = 300.0
EXIT_TIMEOUT = 120.0
LEAK_KINDS = ("Leak_DefinitelyLost", "Leak_IndirectlyLost", "Leak_PossiblyLost",
              "Leak_StillReachable")


def describe(error):
    what = error.findtext("what") or error.findtext("xwhat/text") or ""
    frames = [f"{frame.findtext('fn') or '?'} ({frame.findtext('file') or frame.findtext('obj')})"
              for frame in error.find("stack").iterfind("frame")]
    return f"{error.findtext('kind')}: {what}\n    " + "\n    ".join(frames)


def reaches_our_sources(error):
    """Whether any frame runs the program's own code, all of which is linked into it."""
    program = os.path.realpath(harness.PROGRAM)
    return any(os.path.realpath(frame.findtext("obj") or "") == program
               for frame in error.find("stack").iterfind("frame"))


class Memcheck(harness.WindowTestCase):

    maxDiff = None

    def warm_shader_cache(self):
        """One plain run fills this server's Mesa shader cache, so that the run under valgrind
        loads llvmpipe's compiled shaders instead of compiling them slowly all over again."""
        program = self.start()
        window = program.window()
        program.wait_for_swaps(3)
        self.server.key(window, "Escape")
        self.assertEqual(program.wait_exit(), 0, program.errors())

    def test_twenty_frames_under_memcheck(self):
        self.assertTrue(os.path.isfile(SUPPRESSIONS), SUPPRESSIONS)
        self.warm_shader_cache()
        report = os.path.join(self.server.folder, "memcheck.xml")
        program = self.start(
            wrapper=["valgrind", "--tool=memcheck", "--leak-check=full",
                     "--show-leak-kinds=definite", "--keep-debuginfo=yes", "--num-callers=50",
                     f"--suppressions={SUPPRESSIONS}", "--xml=yes", f"--xml-file={report}"],
            environment={"LP_NUM_THREADS": "0"})
        harness.wait_until(lambda: program.check_alive() or program.records("window"),
                           START_TIMEOUT, "the window under valgrind")
        window = program.window()
        self.server.xdotool("windowsize", str(window), str(SMALL_SIZE), str(SMALL_SIZE))
        program.wait_for_swaps(FRAMES, timeout=FRAME_TIMEOUT)
        self.server.key(window, "Escape")
        self.assertEqual(program.wait_exit(timeout=EXIT_TIMEOUT), 0, program.errors())

        root = ElementTree.parse(report).getroot()
        self.assertEqual([state.text for state in root.iterfind("status/state")],
                         ["RUNNING", "FINISHED"], "valgrind did not run to the end")
        errors = root.findall("error")
        faults = [describe(error) for error in errors if error.findtext("kind") not in LEAK_KINDS]
        ours = [describe(error) for error in errors
                if error.findtext("kind") == "Leak_DefinitelyLost" and reaches_our_sources(error)]
        self.assertEqual((faults, ours), ([], []), "invalid accesses or uninitialised values, "
                         "and definitely lost blocks from the program's code")


if __name__ == "__main__":
    unittest.main(verbosity=2)
