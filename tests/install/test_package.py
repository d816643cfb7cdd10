"""The Debian package as a user gets it: unpacked into a scratch root, it holds the program,
a valid desktop entry, icons of the sizes their folders name and the manual page; it
depends on the packages of every library the program loads; and the installed program
opens its window in a private X server, draws, and quits with status 0 on Escape.

VORLANE_PACKAGE_DIR names the folder holding the one vorlane_*.deb (scripts/package makes
it); VORLANE_PROBE names the window tests' probe library.
"""
import configparser
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
import harness  # noqa: E402

ICON_SIZES = (48, 128, 256)
EXPECTED_FILES = {
    "usr/bin/vorlane",
    "usr/share/applications/vorlane.desktop",
    "usr/share/man/man6/vorlane.6.gz",
    "usr/share/doc/vorlane/copyright",
    "usr/share/doc/vorlane/changelog.gz",
} | {f"usr/share/icons/hicolor/{size}x{size}/apps/vorlane.png" for size in ICON_SIZES}


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout


def png_size(path):
    with open(path, "rb") as png:
        header = png.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
        raise AssertionError(f"{path} is not a PNG")
    return struct.unpack(">II", header[16:24])


def owning_packages(sonames):
    """{soname: installed packages (without :arch) that ship a file of that name}."""
    # One query for all: each dpkg -S reads the whole file database.
    result = subprocess.run(["dpkg", "-S", *(f"*/{soname}" for soname in sonames)],
                            capture_output=True, text=True)
    owners_of = {soname: set() for soname in sonames}
    for line in result.stdout.splitlines():
        owners, _, path = line.partition(": ")
        name = os.path.basename(path)
        if name in owners_of:
            owners_of[name].update(owner.split(":")[0] for owner in owners.split(", "))
    return owners_of


class InstalledPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = os.environ.get("VORLANE_PACKAGE_DIR", "")
        packages = glob.glob(os.path.join(folder, "vorlane_*.deb"))
        if len(packages) != 1:
            raise AssertionError(f"expected one vorlane_*.deb in {folder!r}, found {packages}")
        cls.package = packages[0]
        cls.root = tempfile.mkdtemp(prefix="vorlane-root-")
        run("dpkg-deb", "-x", cls.package, cls.root)
        cls.program = os.path.join(cls.root, "usr/bin/vorlane")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_holds_the_program_desktop_entry_icons_and_manual_page(self):
        files = set()
        for folder, _, names in os.walk(self.root):
            files.update(os.path.relpath(os.path.join(folder, name), self.root)
                         for name in names)
        self.assertEqual(files, EXPECTED_FILES)
        self.assertTrue(os.access(self.program, os.X_OK))
        for size in ICON_SIZES:
            icon = os.path.join(self.root,
                                f"usr/share/icons/hicolor/{size}x{size}/apps/vorlane.png")
            self.assertEqual(png_size(icon), (size, size), icon)

    def test_desktop_entry_is_valid_and_names_what_is_installed(self):
        path = os.path.join(self.root, "usr/share/applications/vorlane.desktop")
        validation = subprocess.run(["desktop-file-validate", path], capture_output=True,
                                    text=True)
        self.assertEqual((validation.returncode, validation.stdout), (0, ""))
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(path)
        desktop = entry["Desktop Entry"]
        self.assertEqual(desktop["Exec"].split()[0], os.path.basename(self.program))
        self.assertEqual(desktop["Icon"], "vorlane")
        self.assertEqual(desktop["Terminal"], "false")
        self.assertLessEqual({"Graphics", "X-Demo"}, set(desktop["Categories"].split(";")))
        for key in ("Name", "Comment"):
            self.assertTrue(desktop.get(key), key)

    def test_depends_on_the_package_of_every_library_the_program_needs(self):
        depends = run("dpkg-deb", "-f", self.package, "Depends")
        # "a (>= 1), b | c" -> {"a", "b", "c"}: any alternative satisfies a library.
        named = {choice.split()[0] for part in depends.split(",") for choice in part.split("|")
                 if choice.strip()}
        needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.+)\]",
                            run("readelf", "-d", self.program))
        self.assertIn("libGL.so.1", needed)
        for soname, owners in owning_packages(needed).items():
            self.assertTrue(owners, f"no installed package ships {soname}")
            self.assertTrue(owners & named, f"{soname} ({owners}) is not in Depends: {depends}")

    def test_installed_program_draws_and_quits_with_status_0_on_escape(self):
        self.assertTrue(os.path.isfile(harness.PROBE), "VORLANE_PROBE must name the probe")
        harness.PROGRAM = self.program
        server = harness.XServer()
        program = None
        try:
            program = harness.Program(server)
            window = program.window()
            program.wait_for_swaps(3)
            self.assertEqual(server.geometry(window)[2:], (harness.WINDOW_SIZE,) * 2)
            server.key(window, "Escape")
            self.assertEqual(program.wait_exit(), 0)
        finally:
            if program is not None:
                program.stop()
            server.stop()


if __name__ == "__main__":
    unittest.main()
