"""vorlane.exe under Wine, in the X server of scripts/with-xvfb."""
import os, re, struct, subprocess, unittest

from harness import EMULATOR, check_installed, prop

PROGRAM = os.environ["VORLANE_PROGRAM"]


def artwork(size):  # as Wine gives it to X: one ARGB number a pixel
    pam = subprocess.run(["pngtopam", "-alphapam", f"../data/icons/{size}/vorlane.png"],
                         capture_output=True, check=True).stdout.partition(b"ENDHDR\n")[2]
    return [a << 24 | r << 16 | g << 8 | b for r, g, b, a in struct.iter_unpack("4B", pam)]


class UnderWine(unittest.TestCase):
    def test_the_window_carries_the_icon_shows_the_shape_turning_and_escape_ends_it_with_0(self):
        def icons(window):
            # The window class's icon at each size Wine asks Windows for (32 and 16 pixels), one
            # after another: width, height, pixels. Without ours, Wine's own 32-pixel one.
            icons, sizes = [int(n) for n in prop(window, "_NET_WM_ICON", "32c").split(",")], []
            while icons:
                size, pixels = icons[0], icons[2:2 + icons[0] ** 2]
                del icons[:2 + size ** 2]
                worst = max(abs((p >> shift & 255) - (q >> shift & 255)) for shift in (0, 8, 16, 24)
                            for p, q in zip(pixels, artwork(size)))
                # Wine 8 and 10 hand the pixels on unchanged; their own icon is 255 off.
                self.assertLessEqual(worst, 2, f"the {size}-pixel icon")
                sizes.append(size)
            self.assertIn(32, sizes)
        check_installed(*EMULATOR, PROGRAM, also=icons)

    def test_the_version_information_names_the_projects_version(self):
        text = subprocess.run(["wrestool", "-x", "--raw", "--type=version", PROGRAM],
                              capture_output=True, check=True).stdout.decode("utf-16-le", "replace")
        for key in ("FileVersion", "ProductVersion"):  # the strings Properties shows
            self.assertEqual(re.search(f"{key}\0+([^\0]*)", text)[1], os.environ["VORLANE_VERSION"],
                             key)


if __name__ == "__main__":
    # scripts/wine exits with 77 where this machine cannot run the build's Wine: a skip.
    if subprocess.run([*EMULATOR, "--version"], stdout=subprocess.DEVNULL).returncode == 77:
        raise SystemExit(77)
    unittest.main(verbosity=2)
