#!/usr/bin/env python3
"""What a run leaves behind, on the real program under Wine: the reason
line on the failed screen (by its pixels, and nothing else moved), the run
log and the history in the local application data folder, and the support
report that the About box saves.

    history_test.py <distribution folder> <folder of the painted skins>

The screenshots go to history_shots beside the distribution folder.
"""

import hashlib
import json
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from updater_gui import (HEADSET, Updater, VirtualDisplay, brightest, count, data_folder,  # noqa: E402
                         differing_pixels, documents_folder, runs_finished, wait_until)

import layout  # noqa: E402

DIST = SKINS = SHOTS = None
display = None
REASON = layout.rect("reasonText")


def setUpModule():
    global display
    display = VirtualDisplay().__enter__()


def tearDownModule():
    display.__exit__()


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


class HistoryTest(unittest.TestCase):
    def setUp(self):
        # The log and the history of this test's runs only.
        shutil.rmtree(data_folder(), ignore_errors=True)

    def launch(self, devices):
        app = Updater(DIST, devices=devices)
        self.addCleanup(app.cleanup)
        self.assertTrue(app.start_until_found(), "the headset was found")
        return app

    def only_file(self, app, name, edit=None, keep=()):
        """Leaves `name` as the one firmware file, changed by `edit` (its
        lines), and beside it only the files named in `keep`."""
        files = os.path.join(app.folder, "files")
        with open(os.path.join(files, name)) as f:
            lines = f.read().split("\n")
        for other in set(os.listdir(files)) - set(keep):
            path = os.path.join(files, other)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
        if edit:
            edit(lines)
        with open(os.path.join(files, name), "w", newline="\r\n") as f:
            f.write("\n".join(lines))

    def update_first_file(self, app):
        self.assertTrue(app.choose_first_file(), "a file was chosen")
        app.click(*layout.centre("update"))
        self.assertTrue(wait_until(lambda: self.settled_runs(), 120), "the run ended and was recorded")
        time.sleep(1.5)

    def history(self):
        path = os.path.join(data_folder(), "history.jsonl")
        if not os.path.exists(path):
            return []
        return [json.loads(line) for line in read(path).splitlines()]

    def settled_runs(self):
        """The records of how runs ended (a run's started record comes first)."""
        return [run for run in self.history() if run["result"] != "started"]

    def check_failed_screen(self, app, name, expect_reason):
        shot = app.screenshot(os.path.join(SHOTS, name))
        self.assertGreater(brightest(app, shot, REASON), 0.6, "the reason is drawn under the buttons")
        skin = os.path.join(SKINS, "skin_163.png")  # the headset's failed screen
        self.assertEqual(differing_pixels(app, shot, skin, outside=REASON), 0, "nothing else on the screen moved")
        self.assertIn(expect_reason, read(os.path.join(data_folder(), "updater.log")))
        return shot

    def test_a_packet_fault_names_the_page_and_the_status(self):
        app = self.launch((HEADSET + " failpacket=40",))
        self.only_file(app, "RX93_Headset_v1_2_ef.txt")
        self.update_first_file(app)
        self.check_failed_screen(app, "packet_fault.png", "Result: failed. Stopped while programming page 1 of ")
        log = read(os.path.join(data_folder(), "updater.log"))
        for expected in ["==== Run started ", "Program: Veltrane Updater ", "Device: headset, product 28F80106",
                         "File: RX93_Headset_v1_2_ef.txt, ", " Connecting to the Device...",
                         " Device Failed Part 2 Programming...", "Failing status: -", "Failing page: 1 of ",
                         "Version after: 1_0", "Duration: "]:
            self.assertIn(expected, log)
        run = self.history()[-1]
        self.assertEqual((run["result"], run["stage"], run["cause"], run["page"]), ("failed", "program", "no_answer", 1))
        self.assertEqual(run["writtenBy"], "window")
        with open(os.path.join(app.folder, "files", "RX93_Headset_v1_2_ef.txt"), "rb") as f:
            self.assertEqual(run["sha256"], hashlib.sha256(f.read()).hexdigest())

        # Try Again takes the reason away with the failed screen.
        app.plug(HEADSET)
        app.click(*layout.centre("try_again"))
        self.assertTrue(wait_until(lambda: runs_finished(app.trace()) >= 2, 120))
        time.sleep(1.5)
        shot = app.screenshot(os.path.join(app.folder, "after_try_again.png"))
        updated = os.path.join(SKINS, "skin_158.png")
        self.assertEqual(differing_pixels(app, shot, updated, outside=layout.rect("newVersionText")), 0,
                         "the updated screen, with no reason left on it")
        self.assertEqual([r["result"] for r in self.settled_runs()], ["failed", "passed"])

    def test_a_refused_file_names_the_file_and_the_line(self):
        app = self.launch((HEADSET,))

        def no_number_on_line_17(lines):
            lines[16] = "zz"

        self.only_file(app, "RX93_Headset_v1_2_ef.txt", no_number_on_line_17)
        self.update_first_file(app)
        self.check_failed_screen(app, "refused_file.png", "The file RX93_Headset_v1_2_ef.txt is not a firmware "
                                                          "image: line 17 has no number.")
        self.assertNotIn("SerialMemEnterFlashMode", app.trace(), "the device was not touched")
        run = self.history()[-1]
        self.assertEqual((run["result"], run["cause"], run["line"]), ("refused", "file_no_number", 17))
        # The refused file is still named by its digest.
        with open(os.path.join(app.folder, "files", "RX93_Headset_v1_2_ef.txt"), "rb") as f:
            content = f.read()
        self.assertEqual(run["sha256"], hashlib.sha256(content).hexdigest())
        self.assertIn(f"File: RX93_Headset_v1_2_ef.txt, {len(content)} bytes, SHA-256 {run['sha256']}\n",
                      read(os.path.join(data_folder(), "updater.log")))

    def test_a_file_changed_after_the_maker_signed_it_is_refused(self):
        app = self.launch((HEADSET,))

        def changed(lines):
            lines[1] = "01" if lines[1].strip() != "01" else "02"

        self.only_file(app, "RX93_Headset_v1_2_ef.txt", changed, keep=("catalogue.json", "catalogue.json.sig"))
        self.update_first_file(app)
        self.check_failed_screen(app, "not_makers_file.png", "The file RX93_Headset_v1_2_ef.txt is not the maker's "
                                                             "file: its contents differ from the signed catalogue.")
        self.assertNotIn("SerialMemEnterFlashMode", app.trace(), "the device was not touched")
        self.assertEqual(self.history()[-1]["cause"], "not_makers_file")

    def test_a_killed_update_is_finished_after_a_restart(self):
        app = self.launch((HEADSET,))
        self.only_file(app, "RX93_Headset_v1_2_ef.txt")
        self.assertTrue(app.choose_first_file(), "a file was chosen")
        app.click(*layout.centre("update"))
        # Killed in the middle of programming: no handler runs.
        commits = lambda: count(app.trace(), r"request=FD0400000203")  # noqa: E731
        self.assertTrue(wait_until(lambda: commits() >= 2, 60, step=0.02), "programming began")
        app.kill()
        runs = self.history()
        self.assertEqual([r["result"] for r in runs], ["started"])
        self.assertEqual(runs[0]["identity"], "01000000")

        # Started again: the headset answers with a reply that is not
        # recognised, and the dialog offers its model's file to finish it.
        app.start()
        self.assertIsNotNone(app.find_window())
        time.sleep(1)
        app.click(*layout.centre("continue"))
        time.sleep(1.5)
        app.click(*layout.centre("firmware_box"))
        self.assertIsNotNone(app.dialog("Choose a Firmware"))
        time.sleep(0.5)
        app.screenshot(os.path.join(SHOTS, "unfinished_update_dialog.png"))
        app.keys("Down", "Tab", "space")
        self.assertTrue(wait_until(lambda: app.dialog("Choose a Firmware", timeout=0.2) is None, 10))
        app.click(*layout.centre("update"))
        self.assertTrue(wait_until(lambda: self.settled_runs(), 120), "the finishing run was recorded")
        time.sleep(1.5)
        app.screenshot(os.path.join(SHOTS, "unfinished_update_finished.png"))
        runs = self.history()
        self.assertEqual([r["result"] for r in runs], ["started", "started", "passed"])
        self.assertEqual((runs[2]["model"], runs[2]["versionBefore"], runs[2]["versionAfter"]), ("RX93", "", "1_2"))

    def test_the_about_box_saves_a_report_in_documents(self):
        documents = documents_folder()
        before = set(os.listdir(documents))
        app = Updater(DIST)
        self.addCleanup(app.cleanup)
        app.start()
        self.assertIsNotNone(app.find_window())
        app.click(400, 300)
        app.keys("alt+slash")
        self.assertIsNotNone(app.dialog("About Veltrane Updater"))
        time.sleep(0.5)
        app.screenshot(os.path.join(SHOTS, "about_box.png"))
        app.keys("space")  # "Save report" has the focus
        reports = lambda: [n for n in os.listdir(documents) if n not in before and n.endswith(".txt")]  # noqa: E731
        self.assertTrue(wait_until(lambda: os.path.isdir(documents) and reports(), 10), "a report was written")
        time.sleep(1)
        app.screenshot(os.path.join(SHOTS, "report_saved.png"))
        app.keys("Return")  # the message box
        app.keys("Escape")  # the About box
        path = os.path.join(documents, reports()[0])
        self.addCleanup(os.remove, path)
        report = read(path)
        with open(os.path.join(app.folder, "hostapi_vmi.dll"), "rb") as f:
            library = f.read()
        self.assertRegex(report, r"^Veltrane Updater support report, written \d{4}-\d\d-\d\dT")
        self.assertIn("Program: Veltrane Updater 1.7.0 (x64)", report)
        self.assertRegex(report, r"System: Windows \d+\.\d+ \(build \d+\)")
        self.assertIn(f"hostapi_vmi.dll, version not given, {len(library)} bytes, "
                      f"SHA-256 {hashlib.sha256(library).hexdigest()}", report)
        self.assertRegex(report, r"Log and history folder: C:\\users\\[^\\]+\\AppData\\Local\\Veltrane Updater\n")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        print(__doc__)
        sys.exit(2)
    DIST, SKINS = sys.argv[1], sys.argv[2]
    SHOTS = os.path.join(os.path.dirname(os.path.abspath(DIST)), "history_shots")
    os.makedirs(SHOTS, exist_ok=True)
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[3:])
