#!/usr/bin/env python3
"""End-to-end tests of nimbrel.scr: the real program under Wine on the session's
Xvfb display, looked at with screenshots and ended with real X input.

    saver_e2e.py SESSION-DIR SCR-PATH SET-CURSOR-PATH TEST-NAME
"""

import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "..", "tools")
CONFIG_KEY = r"HKLM\SOFTWARE\Quillmora\Nimbrel_SS_1.0"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nimbrel"
INSTALLED_SCR = r"C:\windows\system32\nimbrel.scr"

SESSION = None
SCR = None
SET_CURSOR = None
# Where every test puts the cursor before the saver starts.
START = (512, 384)


def session_env():
    env = dict(os.environ)
    with open(os.path.join(SESSION, "env")) as f:
        for word in f.read().split():
            if "=" in word:
                name, value = word.split("=", 1)
                env[name] = value
    return env


def wine(*args, **kwargs):
    return subprocess.Popen([os.path.join(TOOLS, "wine"), SESSION, *args], env=session_env(), **kwargs)


def wine_run(*args):
    process = wine(*args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return process.wait(30)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], env=session_env(), capture_output=True, text=True, timeout=10)


def float_bits(value):
    return struct.unpack("<I", struct.pack("<f", value))[0]


def store_settings(values):
    """Writes the given values (name: DWORD) under the machine key with reg.exe."""
    lines = ["Windows Registry Editor Version 5.00", "", "[%s]" % CONFIG_KEY.replace("HKLM", "HKEY_LOCAL_MACHINE")]
    lines += ['"%s"=dword:%08x' % (name, bits) for name, bits in values.items()]
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
        f.write("\r\n".join(lines) + "\r\n")
        path = f.name
    try:
        assert wine_run("reg", "import", "Z:" + path.replace("/", "\\")) == 0
    finally:
        os.unlink(path)


def reg_value(key, name):
    """A registry value's data as reg.exe prints it, or None when there is none."""
    process = wine("reg", "query", key, "/v", name, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    out, _ = process.communicate(timeout=30)
    if process.returncode != 0:
        return None
    for line in out.splitlines():
        words = line.split(None, 2)
        if len(words) == 3 and words[0] == name:
            return words[2].strip()
    return None


def key_exists(key):
    return wine_run("reg", "query", key) == 0


def prefix_path(windows_path):
    """Where a path on Wine's C: drive lies in the session's prefix."""
    return os.path.join(session_env()["WINEPREFIX"], "drive_c", *windows_path[3:].split("\\"))


def clear_settings():
    wine_run("reg", "delete", CONFIG_KEY, "/f")


class Screen:
    """One screenshot of the whole display."""

    def __init__(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=session_env(),
                              capture_output=True, timeout=20, check=True).stdout
        magic, width, height, maximum, self.pixels = data.split(maxsplit=4)
        assert magic == b"P6" and maximum == b"255"
        self.width, self.height = int(width), int(height)

    def brightness(self, x, y):
        i = 3 * (y * self.width + x)
        return sum(self.pixels[i:i + 3])

    def lit_centroid(self, threshold=60):
        """The centre of the lit pixels, sampled every 4 pixels, or None when none are lit."""
        count = sx = sy = 0
        for y in range(0, self.height, 4):
            for x in range(0, self.width, 4):
                if self.brightness(x, y) > threshold:
                    count += 1
                    sx += x
                    sy += y
        return (sx / count, sy / count) if count else None

    def lit_near(self, cx, cy, radius, threshold=60):
        return any(self.brightness(x, y) > threshold
                   for y in range(cy - radius, cy + radius + 1, 4)
                   for x in range(cx - radius, cx + radius + 1, 4)
                   if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius)

    def corners_dark(self, margin=8):
        points = [(margin, margin), (self.width - 1 - margin, margin),
                  (margin, self.height - 1 - margin), (self.width - 1 - margin, self.height - 1 - margin)]
        return all(self.brightness(x, y) == 0 for x, y in points)


class SaverTest(unittest.TestCase):
    def setUp(self):
        clear_settings()
        self.saver = None

    def tearDown(self):
        if self.saver and self.saver.poll() is None:
            self.saver.kill()
            self.saver.wait()
        clear_settings()

    def start(self, *args):
        self.started = time.monotonic()
        self.saver = wine(SCR, *args)
        return self.saver

    def wait_for_window(self, title="SCREENSAVER", timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = xdotool("search", "--name", "^%s$" % title)
            if found.returncode == 0 and found.stdout.strip():
                return found.stdout.split()[0]
            self.assertIsNone(self.saver.poll(), "the saver ended before showing its window")
            time.sleep(0.05)
        self.fail("no %s window within %d s" % (title, timeout))

    def window_shown(self, title="SCREENSAVER"):
        found = xdotool("search", "--onlyvisible", "--name", "^%s$" % title)
        return self.saver.poll() is None and found.returncode == 0 and bool(found.stdout.strip())

    def wait_until_lit(self, timeout=2.0):
        """Screenshots until the middle of the screen is lit; returns the screenshot.
        The cloud is random, so the middle is a disc of 64 pixels about the centre,
        which the halos of a cloud always reach."""
        deadline = self.started + timeout
        while True:
            screen = Screen()
            if screen.lit_near(screen.width // 2, screen.height // 2, 64):
                return screen
            if time.monotonic() > deadline:
                self.fail("the centre of the screen was not lit within %.1f s of the start" % timeout)
            time.sleep(0.05)

    def assert_ends_with_zero(self, timeout=5):
        try:
            code = self.saver.wait(timeout)
        except subprocess.TimeoutExpired:
            self.fail("the saver did not end within %d s" % timeout)
        self.assertEqual(code, 0)

    def place_cursor(self):
        # Through Wine, so that the position the saver records is where the X pointer
        # is; it is checked, and tried again, since a warp of the pointer can be lost.
        for _ in range(20):
            self.assertEqual(wine_run(SET_CURSOR, *map(str, START)), 0)
            if "X=%d\nY=%d" % START in xdotool("getmouselocation", "--shell").stdout:
                break
            time.sleep(0.2)
        else:
            self.fail("the cursor would not stay at %d, %d" % START)

    def run_saver_until_lit(self):
        self.place_cursor()
        self.start("/s")
        self.wait_for_window()
        screen = self.wait_until_lit()
        self.assertTrue(screen.corners_dark(), "the corners of the screen should be black")
        time.sleep(0.3)
        self.assertTrue(self.window_shown(), "the saver ended without any input")
        return screen

    def test_defaults_show_a_lit_cloud_and_a_key_ends_it(self):
        self.run_saver_until_lit()
        xdotool("key", "Escape")
        self.assert_ends_with_zero()

    def test_a_mouse_move_ends_it(self):
        self.run_saver_until_lit()
        xdotool("mousemove_relative", "--", "40", "30")
        self.assert_ends_with_zero()

    def test_a_jitter_of_four_pixels_does_not_end_it_and_five_do(self):
        self.run_saver_until_lit()
        x, y = START
        for dx, dy in ((2, 2), (-4, 0), (3, -1), (-1, 3)):  # 4 in all, across and down together
            xdotool("mousemove", str(x + dx), str(y + dy))
            time.sleep(0.5)
            self.assertTrue(self.window_shown(), "a jitter of %+d, %+d ended the saver" % (dx, dy))
        xdotool("mousemove", str(x + 3), str(y - 2))
        self.assert_ends_with_zero()

    def test_a_click_ends_it(self):
        self.run_saver_until_lit()
        xdotool("click", "1")
        self.assert_ends_with_zero()

    def test_stored_settings_reach_the_scene(self):
        # One point at the centre, 100 pixels across: one halo in the middle of the screen.
        store_settings({"PointCount": 1, "Spread": float_bits(0.0), "Sizing": 2, "Size_Max": float_bits(100.0),
                        "SCol_R": float_bits(1.0), "SCol_G": float_bits(1.0), "SCol_B": float_bits(1.0)})
        screen = self.run_saver_until_lit()
        cx, cy = screen.width // 2, screen.height // 2
        centroid = screen.lit_centroid()
        self.assertLess(abs(centroid[0] - cx), 4, centroid)
        self.assertLess(abs(centroid[1] - cy), 4, centroid)
        for dx, dy in ((60, 0), (-60, 0), (0, 60), (0, -60)):
            self.assertEqual(screen.brightness(cx + dx, cy + dy), 0, "a 100-pixel halo reaches no further than 50 pixels")
        xdotool("key", "space")
        self.assert_ends_with_zero()

    def dialog_size(self):
        self.start("/c")
        window = self.wait_for_window("Configuration of Nimbrel ScreenSaver v1.0")
        geometry = xdotool("getwindowgeometry", "--shell", window).stdout
        self.saver.kill()
        self.saver.wait()
        values = dict(line.split("=") for line in geometry.split())
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def test_at_high_dpi_the_saver_covers_the_screen_and_the_dialog_grows(self):
        small = self.dialog_size()
        try:
            wine_run("reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f")
            large = self.dialog_size()
            self.run_saver_until_lit()
            window = xdotool("search", "--name", "^SCREENSAVER$").stdout.split()[0]
            geometry = xdotool("getwindowgeometry", "--shell", window).stdout
            self.assertIn("X=0\nY=0\nWIDTH=1024\nHEIGHT=768", geometry)
            xdotool("key", "Escape")
            self.assert_ends_with_zero()
        finally:
            wine_run("reg", "delete", DESKTOP_KEY, "/v", "LogPixels", "/f")
        # Fonts and dialog units grow with the DPI; the caption bar, not quite as much.
        for at96, at144 in zip(small, large):
            self.assertTrue(1.35 <= at144 / at96 <= 1.6, "the dialog keeps its proportions: %s at 96 DPI, %s at 144" % (small, large))

    def test_every_monitor_shows_a_cloud_of_its_own(self):
        # Runs on a display of two screens, 640 x 480 and 800 x 600 side by side.
        store_settings({"PointCount": 1, "Spread": float_bits(0.0), "Sizing": 2, "Size_Max": float_bits(60.0),
                        "SCol_R": float_bits(1.0), "SCol_G": float_bits(1.0), "SCol_B": float_bits(1.0)})
        self.start("/s")
        self.wait_for_window()
        monitors = ((0, 0, 640, 480), (640, 0, 1440, 600))
        deadline = self.started + 3
        while True:
            screen = Screen()
            self.assertEqual((screen.width, screen.height), (1440, 600))
            centres = [((l + r) // 2, (t + b) // 2) for l, t, r, b in monitors]
            if all(screen.brightness(x, y) > 60 for x, y in centres):
                break
            self.assertLess(time.monotonic(), deadline, "each monitor's centre should be lit: %s" % centres)
            time.sleep(0.05)
        for left, top, right, bottom in monitors:
            for x, y in ((left + 4, top + 4), (right - 5, top + 4), (left + 4, bottom - 5), (right - 5, bottom - 5)):
                self.assertEqual(screen.brightness(x, y), 0, "corner %d, %d should be black" % (x, y))
        xdotool("key", "Escape")
        self.assert_ends_with_zero()

    def install(self, *options):
        setup = os.environ["NIMBREL_SETUP"]
        self.assertEqual(wine_run(setup, "/S", *options), 0)
        with open(prefix_path(INSTALLED_SCR), "rb") as installed, open(SCR, "rb") as built:
            self.assertEqual(installed.read(), built.read(), "the installed saver is the one built")
        uninstaller = reg_value(UNINSTALL_KEY, "UninstallString")
        self.assertIsNotNone(uninstaller, "the uninstaller is registered")
        self.assertEqual(reg_value(UNINSTALL_KEY, "DisplayName"), "Nimbrel ScreenSaver")
        return uninstaller.strip('"')

    def uninstall(self, uninstaller):
        store_settings({"PointCount": 77})
        self.assertEqual(wine_run(uninstaller, "/S"), 0)
        # The uninstaller finishes from a copy of itself, after its first process has ended.
        deadline = time.monotonic() + 20
        while os.path.exists(prefix_path(INSTALLED_SCR)) or key_exists(UNINSTALL_KEY):
            self.assertLess(time.monotonic(), deadline, "the uninstaller left the saver or its entry behind")
            time.sleep(0.2)
        self.assertFalse(key_exists(CONFIG_KEY), "the settings go too")
        self.assertFalse(os.path.exists(prefix_path(uninstaller)))

    def test_the_installer_installs_silently_and_the_uninstaller_removes_everything(self):
        uninstaller = self.install()
        self.assertIsNone(reg_value(DESKTOP_KEY, "SCRNSAVE.EXE"), "a silent install chooses no saver unless asked")
        self.uninstall(uninstaller)

    def test_the_installer_makes_it_the_screen_saver_when_asked(self):
        uninstaller = self.install("/SETSAVER")
        self.assertEqual(reg_value(DESKTOP_KEY, "SCRNSAVE.EXE"), INSTALLED_SCR)
        self.assertEqual(reg_value(DESKTOP_KEY, "ScreenSaveActive"), "1")
        self.uninstall(uninstaller)
        self.assertIsNone(reg_value(DESKTOP_KEY, "SCRNSAVE.EXE"), "a removed saver is no longer the chosen one")

    def test_modes_without_a_window_exit_at_once(self):
        for args in (["/p", "0"], ["/p", "junk"], ["/p"], ["/p", "123456789"], ["/a"]):
            self.start(*args)
            self.assert_ends_with_zero(timeout=10)


def main():
    global SESSION, SCR, SET_CURSOR
    SESSION, SCR, SET_CURSOR, name = sys.argv[1:5]
    suite = unittest.TestSuite([SaverTest(name)])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
