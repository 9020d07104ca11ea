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

    def corners_dark(self, margin=8):
        points = [(margin, margin), (self.width - 1 - margin, margin),
                  (margin, self.height - 1 - margin), (self.width - 1 - margin, self.height - 1 - margin)]
        return all(self.brightness(x, y) == 0 for x, y in points)


class SaverTest(unittest.TestCase):
    def setUp(self):
        clear_settings()
        # Through Wine, so that the position the saver records is where the X pointer is.
        self.assertEqual(wine_run(SET_CURSOR, *map(str, START)), 0)
        where = xdotool("getmouselocation", "--shell").stdout
        self.assertIn("X=%d\nY=%d" % START, where)
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
        """Screenshots until the centre of the screen is lit; returns the screenshot."""
        deadline = self.started + timeout
        while True:
            screen = Screen()
            if screen.brightness(screen.width // 2, screen.height // 2) > 60:
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

    def run_saver_until_lit(self):
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
