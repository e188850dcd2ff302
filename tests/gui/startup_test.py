#!/usr/bin/env python3
"""Start-up, shutdown and window handling of the real program under Wine.

    startup_test.py <distribution folder> <folder with the library variants>
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from updater_gui import HEADSET, Updater, VirtualDisplay, differing_pixels, wait_until  # noqa: E402

import layout  # noqa: E402

DIST = VARIANTS = None
display = None


def setUpModule():
    global display
    display = VirtualDisplay().__enter__()


def tearDownModule():
    display.__exit__()


class StartupTest(unittest.TestCase):
    def launch(self, **kwargs):
        app = Updater(DIST, **kwargs)
        self.addCleanup(app.cleanup)
        return app.start()

    def test_without_the_library_it_ends_quietly(self):
        code, out = self.launch(library=None).wait_exit()
        self.assertEqual((code, out), (0, ""))

    def test_a_library_without_the_paired_id_entry_prints_its_line(self):
        app = self.launch(library=os.path.join(VARIANTS, "no_paired", "hostapi_vmi.dll"))
        self.assertEqual(app.wait_exit(), (0, "Failed to find systemPairedArbDeviceIdSet\n"))

    def test_a_library_without_serial_mem_write_ends_without_a_word(self):
        app = self.launch(library=os.path.join(VARIANTS, "no_write", "hostapi_vmi.dll"))
        self.assertEqual(app.wait_exit(), (0, ""))

    def test_a_second_instance_ends_at_once_and_leaves_the_first(self):
        first = self.launch()
        self.assertIsNotNone(first.find_window())
        started = time.time()
        second = self.launch()
        self.assertEqual(second.wait_exit(), (0, ""))
        self.assertLess(time.time() - started, 10)
        self.assertIsNone(first.process.poll())
        first.click(*layout.centre("close_glyph"))
        self.assertEqual(first.wait_exit()[0], 0)

    def test_the_window_its_first_screen_a_drag_and_a_normal_close(self):
        app = self.launch(devices=(HEADSET,))
        self.assertIsNotNone(app.find_window())
        self.assertEqual(app.geometry(), (283, 109, 800, 550))
        time.sleep(1)
        shot = app.screenshot(os.path.join(app.folder, "intro.png"))
        # Only the intro, pixel for pixel: the empty bar and percentage draw
        # nothing over it. And no device has been looked for.
        intro = os.path.join(DIST, "..", "host-tools", "skins", "skin_168.png")
        self.assertEqual(differing_pixels(app, shot, intro), 0)
        self.assertNotIn("AvDllListDevices", app.trace().split("AvDllInitialize")[-1])

        app.drag(300, 25, 100, 50)
        self.assertTrue(wait_until(lambda: app.geometry()[:2] == (383, 159), 5), app.geometry())

        app.click(*layout.centre("close_glyph"))
        code, _ = app.wait_exit()
        self.assertEqual(code, 0)
        calls = [line.split()[1] for line in app.trace().strip().splitlines()]
        self.assertEqual(calls[0], "AvDllInitialize")
        self.assertEqual(calls[-1], "AvDllShutdown")

    def test_the_about_box_opens_on_alt_question_mark(self):
        app = self.launch()
        self.assertIsNotNone(app.find_window())
        app.click(400, 300)  # the window takes the keyboard
        app.keys("alt+slash")
        about = app.dialog("About Veltrane Updater")
        self.assertIsNotNone(about)
        app.keys("Escape")
        self.assertTrue(wait_until(lambda: app.dialog("About Veltrane Updater", timeout=0.2) is None, 5))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        print(__doc__)
        sys.exit(2)
    DIST, VARIANTS = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[3:])
