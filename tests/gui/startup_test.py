#!/usr/bin/env python3
"""Start-up, shutdown and window handling of the real program under Wine.

    startup_test.py <distribution folder> <folder with the library variants> <32-bit simulator library>
                    <painted skins folder>
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from updater_gui import (  # noqa: E402
    EXIT_INITIALIZE_FAILED, EXIT_MISSING_ENTRY_POINT, EXIT_NO_LIBRARY, EXIT_NORMAL, EXIT_OTHER_ARCHITECTURE,
    EXIT_SHUTDOWN_STUCK, HEADSET, STARTUP_PROBLEM, Updater, VirtualDisplay, differing_pixels, wait_until)

import layout  # noqa: E402

DIST = VARIANTS = SIMULATOR_32 = ART = None
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

    def assert_problem_shown(self, app, code, out=""):
        """The start-up problem's message box is up; dismissed, the program
        ends with its code and `out` on standard output."""
        box = app.dialog(STARTUP_PROBLEM, timeout=30)
        self.assertIsNotNone(box, "no message box")
        self.assertIsNone(app.process.poll())
        app.dismiss(box)
        self.assertEqual(app.wait_exit(), (code, out))

    def test_start_up_problems_are_shown_and_end_with_their_codes(self):
        cases = [
            ("no library", None, (), EXIT_NO_LIBRARY, ""),
            ("a 32-bit library", SIMULATOR_32, (), EXIT_OTHER_ARCHITECTURE, ""),
            ("no systemPairedArbDeviceIdSet", os.path.join(VARIANTS, "no_paired", "hostapi_vmi.dll"), (),
             EXIT_MISSING_ENTRY_POINT, "Failed to find systemPairedArbDeviceIdSet\n"),
            ("no SerialMemWrite", os.path.join(VARIANTS, "no_write", "hostapi_vmi.dll"), (),
             EXIT_MISSING_ENTRY_POINT, ""),
            ("AvDllInitialize fails", Updater.SIMULATOR, ("init fail",), EXIT_INITIALIZE_FAILED, ""),
        ]
        for name, library, extra, code, out in cases:
            with self.subTest(name):
                app = Updater(DIST, library=library)
                try:
                    app.plug(HEADSET, extra=extra)
                    self.assert_problem_shown(app.start(), code, out)
                finally:
                    app.cleanup()

    # Bringing the first window to the front cannot be seen here: without a
    # window manager Wine neither restacks nor focuses it.
    def test_a_second_instance_ends_at_once_and_leaves_the_first(self):
        first = self.launch()
        self.assertIsNotNone(first.find_window())
        started = time.time()
        second = self.launch()
        self.assertEqual(second.wait_exit(), (EXIT_NORMAL, ""))
        self.assertLess(time.time() - started, 10)
        self.assertIsNone(first.process.poll())
        first.click(*layout.centre("close_glyph"))
        self.assertEqual(first.wait_exit()[0], EXIT_NORMAL)

    def test_a_library_call_that_hangs_at_close_ends_the_process(self):
        app = self.launch(devices=(HEADSET + " latency=120000",))
        self.assertIsNotNone(app.find_window())
        app.click(*layout.centre("continue"))
        # Discovery opens the device, then its version query hangs.
        self.assertTrue(wait_until(lambda: "AvDllOpenDevice" in app.trace(), 15))
        time.sleep(0.5)
        closed = time.time()
        app.click(*layout.centre("close_glyph"))
        code, _ = app.wait_exit(timeout=40)
        waited = time.time() - closed
        self.assertEqual(code, EXIT_SHUTDOWN_STUCK)
        self.assertGreater(waited, 9)  # the bounded wait for the worker
        self.assertLess(waited, 20)
        self.assertNotIn("AvDllShutdown", app.trace())
        # The next start is not refused.
        again = self.launch()
        self.assertIsNotNone(again.find_window(), "the next start was refused")
        again.click(*layout.centre("close_glyph"))
        self.assertEqual(again.wait_exit()[0], EXIT_NORMAL)

    def test_unplugging_closes_an_open_selection_dialog(self):
        app = self.launch(devices=(HEADSET,))
        self.assertIsNotNone(app.find_window())
        app.click(*layout.centre("continue"))
        self.assertTrue(wait_until(lambda: "1_0" in app.reported_versions(), 15))
        time.sleep(1)
        app.click(*layout.centre("firmware_box"))
        self.assertIsNotNone(app.dialog("Choose a Firmware"))
        app.plug()
        self.assertTrue(wait_until(lambda: app.dialog("Choose a Firmware", timeout=0.2) is None, 10),
                        "the dialog stayed open")
        app.click(*layout.centre("close_glyph"))
        self.assertEqual(app.wait_exit()[0], EXIT_NORMAL)

    def test_the_window_its_first_screen_a_drag_and_a_normal_close(self):
        app = self.launch(devices=(HEADSET,))
        self.assertIsNotNone(app.find_window())
        self.assertEqual(app.geometry(), (283, 109, 800, 550))
        time.sleep(1)
        shot = app.screenshot(os.path.join(app.folder, "intro.png"))
        # Only the intro, pixel for pixel: the empty bar and percentage draw
        # nothing over it. And no device has been looked for.
        intro = os.path.join(ART, "skin_168.png")
        self.assertEqual(differing_pixels(app, shot, intro), 0)
        self.assertNotIn("AvDllListDevices", app.trace().split("AvDllInitialize")[-1])

        app.drag(300, 25, 100, 50)
        self.assertTrue(wait_until(lambda: app.geometry()[:2] == (383, 159), 5), app.geometry())

        app.click(*layout.centre("close_glyph"))
        code, _ = app.wait_exit()
        self.assertEqual(code, EXIT_NORMAL)
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
    if len(sys.argv) < 5:
        print(__doc__)
        sys.exit(2)
    DIST, VARIANTS, SIMULATOR_32, ART = sys.argv[1:5]
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[5:])
