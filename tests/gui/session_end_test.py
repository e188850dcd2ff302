#!/usr/bin/env python3
"""The session ends anyway while the real window programs the simulated
headset (a log-off or a shutdown the user forced): the window still refuses
it, and once told it ends (WM_ENDSESSION) stops the run at its page, has the
device reset and closed without the pauses, and answers only once the run is
in the history. The process is then ended, as Windows ends it.

    session_end_test.py <distribution folder> <session_end.exe>

Runs in a Wine prefix of its own, whose history holds only its runs.
"""

import json
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import updater_gui  # noqa: E402
from updater_gui import (CACHE, TITLE, WINE_RUN, Updater, VirtualDisplay, data_folder,  # noqa: E402
                         wait_until)

import layout  # noqa: E402

DIST = SESSION_END = None
FILE = "RX93_Headset_v1_5_ef.txt"  # many pages: the session ends mid-programming
display = None


def setUpModule():
    global display
    updater_gui.GUI_PREFIX = os.path.join(CACHE, "veltrane-updater", "wine-session-end")
    display = VirtualDisplay(prefix=updater_gui.GUI_PREFIX).__enter__()


def tearDownModule():
    display.__exit__()


def fields(line):
    return {key: int(value) for key, value in (pair.split("=") for pair in line.split()) if value.lstrip("-").isdigit()}


class SessionEndTest(unittest.TestCase):
    def setUp(self):
        shutil.rmtree(data_folder(), ignore_errors=True)

    def start_update(self):
        app = Updater(DIST)
        self.addCleanup(app.cleanup)
        files = os.path.join(app.folder, "files")
        for name in os.listdir(files):
            if name != FILE:
                path = os.path.join(files, name)
                shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
        self.assertTrue(app.start_until_found(), "the headset was found")
        self.assertTrue(app.choose_first_file(), "a file was chosen")
        app.click(*layout.centre("update"))
        return app

    def test_a_run_is_stopped_at_its_page_and_recorded_before_the_window_answers(self):
        app = self.start_update()
        programming = lambda: app.trace().split("SerialMemEnterFlashMode")[-1].count("commandSendAndGetResponse")  # noqa: E731
        self.assertTrue(wait_until(lambda: "SerialMemEnterFlashMode" in app.trace() and programming() > 200, 60),
                        "programming is under way")
        out = subprocess.run([WINE_RUN, SESSION_END, "window", TITLE], capture_output=True, text=True,
                             timeout=60).stdout
        told = fields(out)
        self.assertIn("answered_after_ms", told, out)
        self.assertEqual(told["may_end"], 0, "the window refuses the session end during a run")
        self.assertEqual(told["answered"], 1)
        app.process.wait(timeout=30)
        history = os.path.join(data_folder(), "history.jsonl")
        self.assertTrue(os.path.exists(history), "the run was recorded before the window answered")
        recorded_after_ms = os.stat(history).st_mtime_ns // 1000000 - told["event_unix_ms"]
        print(f"\n  WM_ENDSESSION: recorded {recorded_after_ms} ms and answered {told['answered_after_ms']} ms "
              "after it", file=sys.stderr)
        self.assertLess(told["answered_after_ms"], 4000)
        with open(history) as f:
            record = json.loads(f.read().splitlines()[-1])
        self.assertEqual((record["writtenBy"], record["result"], record["cause"], record["stage"]),
                         ("window", "failed", "interrupted", "program"))
        calls = [line.split() for line in app.trace().splitlines()]
        entries = [call[1] for call in calls]
        reset = entries.index("systemReset", entries.index("SerialMemEnterFlashMode"))
        close = entries.index("AvDllCloseHandle", reset)
        us = [int(calls[i][-1][3:]) for i in (reset, close)]
        self.assertLess(us[1] - us[0], 500000, "no pause after the reset")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        print(__doc__)
        sys.exit(2)
    DIST, SESSION_END = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[3:])
