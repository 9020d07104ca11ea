#!/usr/bin/env python3
"""End-to-end tests of the configuration dialog: the real nimbrel.scr in
configuration mode on the session's Xvfb display, found by its caption and
driven with real X input.

    configure_e2e.py SESSION-DIR SCR-PATH SET-CURSOR-PATH TEST-NAME
"""

import subprocess
import sys
import unittest

import saver_e2e as e2e

CAPTION = "Configuration of Nimbrel ScreenSaver v1.0"

# What OK right after opening stores: the defaults, with the secondary green and
# blue read back from position 127 as the float nearest to 127/255.
STORED_AFTER_OK = {
    "BCol_R": 0x7F, "BCol_G": 0x7F, "BCol_B": 0,
    "SCol_R": 0x3F800000, "SCol_G": 0x3EFEFEFF, "SCol_B": 0x3EFEFEFF,
    "Anim_R": 1, "Anim_G": 1, "Anim_B": 0,
    "Speed": 0x3E800000, "Anim_Rotating": 1,
    "Size_Max": 0x44160000, "Size_Min": 0x43960000, "Sizing": 2, "PointCount": 50,
    "RotX": 0x3E800000, "RotY": 0x3E800000, "RotZ": 0x3E800000,
    "Anim_RotX": 0, "Anim_RotY": 0, "Anim_RotZ": 0,
    "Spread": 0x40000000,
}


def stored_values():
    """The machine key's values as reg.exe lists them: name -> (type, data)."""
    query = e2e.wine("reg", "query", e2e.CONFIG_KEY, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    listing = query.communicate(timeout=30)[0].decode("ascii", "replace")
    values = {}
    for line in listing.splitlines():
        words = line.split()
        if len(words) == 3 and words[1].startswith("REG_"):
            values[words[0]] = (words[1], int(words[2], 16) if words[1] == "REG_DWORD" else words[2])
    return values


class ConfigureTest(e2e.SaverTest):
    def press(self, key):
        """Waits until the dialog is shown, gives it the X input focus and presses the key."""
        found = e2e.xdotool("search", "--sync", "--onlyvisible", "--name", "^%s$" % CAPTION)
        self.assertEqual(found.returncode, 0, "no window \"%s\"" % CAPTION)
        e2e.xdotool("windowfocus", "--sync", found.stdout.split()[0])
        e2e.xdotool("key", key)

    def test_enter_stores_all_22_values(self):
        # No argument at all opens the configuration too.
        for args in (["/c"], []):
            e2e.clear_settings()
            self.start(*args)
            self.press("Return")
            self.assert_ends_with_zero()
            self.assertEqual(stored_values(), {name: ("REG_DWORD", bits) for name, bits in STORED_AFTER_OK.items()}, args)

    def test_escape_stores_nothing(self):
        self.start("/c")
        self.press("Escape")
        self.assert_ends_with_zero()
        self.assertEqual(stored_values(), {})


def main():
    e2e.SESSION, e2e.SCR, e2e.SET_CURSOR, name = sys.argv[1:5]
    result = unittest.TextTestRunner(verbosity=2).run(unittest.TestSuite([ConfigureTest(name)]))
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
