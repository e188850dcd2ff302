#!/usr/bin/env python3
"""The road of a typical update, on the real program under Wine.

Drives VeltraneUpdater.exe with real pointer events through the whole
interaction and saves a PNG of each screen. Each step checks what it can
without pixels (the window, the simulator's trace, the exit code) and a few
pixels where only pixels tell.

    tour.py <distribution folder> <folder for the screenshots> <32-bit simulator library>
"""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from updater_gui import (  # noqa: E402
    ADAPTER, HEADSET, STARTUP_PROBLEM, Updater, VirtualDisplay, brightest, data_folder, documents_folder,
    runs_finished, wait_until)

import layout  # noqa: E402

BAR = (37, 121, 173)


class Tour:
    def __init__(self, dist, shots, library_32):
        self.dist, self.library_32 = dist, library_32
        self.app = Updater(dist, devices=())
        self.shots = shots
        self.number = 0
        self.runs = 0
        os.makedirs(shots, exist_ok=True)

    def shot(self, name):
        self.number += 1
        return self.app.numbered_screenshot(self.shots, self.number, name)

    def check(self, condition, what):
        if not condition:
            raise AssertionError(what)
        print(f"  ok: {what}")

    def press(self, zone):
        self.app.click(*layout.centre(zone))

    def white_in(self, path, rect, level=0.8):
        """True when some pixel of `rect` (x, y, w, h) is brighter than `level`: a label is drawn there."""
        return brightest(self.app, path, rect) > level

    def choose_first_file(self, row=0):
        self.press("firmware_box")
        self.check(self.app.dialog("Choose a Firmware") is not None, "the selection dialog is open")
        self.check("comctl32.dll" in self.app.loaded_libraries(), "the dialog is made with the themed controls")
        self.app.keys(*["Down"] * (row + 1))
        self.shot("selection_dialog")
        self.app.keys("Tab", "space")  # Tab reaches Select, the default button
        self.check(wait_until(lambda: self.app.dialog("Choose a Firmware", timeout=0.2) is None, 10),
                   "Select closed the dialog")

    def wait_run(self, timeout=120):
        self.runs += 1
        self.check(wait_until(lambda: runs_finished(self.app.trace()) >= self.runs, timeout),
                   f"run {self.runs} ended and its result is drawn")
        time.sleep(1.0)

    def versions(self):
        return self.app.reported_versions()

    def steps(self):
        app = self.app
        print("1. intro, Continue, no connection")
        app.start()
        self.check(app.find_window() is not None, "the window is up")
        self.check(app.geometry() == (283, 109, 800, 550), "800 x 550 at (283, 109) on a 1366 x 768 desktop")
        # The window's own controls are the plain ones: the first screen waits
        # for no common controls library (the dialogs have it, below).
        self.check("comctl32.dll" not in app.loaded_libraries(), "the first screen loads no common controls")
        time.sleep(1)
        self.shot("intro")
        self.press("continue")
        time.sleep(1)
        self.check("AvDllListDevices" in app.trace(), "discovery runs after Continue")
        self.shot("no_connection")

        print("2. a headset is plugged in")
        app.plug(HEADSET)
        self.check(wait_until(lambda: "1_0" in self.versions(), 10), "the headset reports v1_0")
        time.sleep(1)
        found = self.shot("headset_found")
        self.check(self.white_in(found, layout.rect("currentVersionText")), "its version is drawn in the gap")

        print("3. the firmware box and Select")
        self.choose_first_file()
        time.sleep(0.5)
        actions = self.shot("headset_actions")
        self.check(self.white_in(actions, layout.rect("chosenFirmwareText")), "the chosen entry is shown")

        print("4. Update")
        self.press("update")
        time.sleep(2.5)
        updating = self.shot("headset_updating")
        bar = app.pixel(updating, 40, 250)
        self.check(bar == BAR, f"the bar is solid {BAR} inside the track (found {bar})")
        self.check(wait_until(lambda: "request=FD0400000284" in app.trace(), 60), "verification has begun")
        time.sleep(1)
        self.shot("headset_verifying")
        self.wait_run()
        updated = self.shot("headset_updated")
        new = self.versions()[-1]
        self.check(new != "1_0", f"the headset now reports the new version {new}")
        self.check(self.white_in(updated, layout.rect("newVersionText")), "the new version is drawn in its gap")
        self.press("done_updated")
        time.sleep(1.5)
        self.shot("headset_found_after_done")

        print("5. the adapter: update, then verify against the same file")
        app.plug(ADAPTER)
        time.sleep(1.5)
        self.shot("adapter_found")
        self.choose_first_file()
        self.press("update")
        self.wait_run()
        self.shot("adapter_updated")
        self.press("done_updated")
        time.sleep(1.5)
        self.choose_first_file()
        self.press("verify")
        self.wait_run()
        self.shot("adapter_verified")
        self.press("done_verified")
        time.sleep(0.5)

        print("6. a fault, then Try Again")
        app.plug(HEADSET + " failpacket=40")
        time.sleep(1.5)
        self.choose_first_file()
        self.press("update")
        self.wait_run()
        failed = self.shot("headset_failed")
        self.check(self.white_in(failed, layout.rect("reasonText"), 0.6), "the failed screen says why")
        app.plug(HEADSET)  # the fault is cleared
        self.press("try_again")
        self.wait_run()
        self.shot("headset_updated_after_try_again")
        self.press("done_updated")
        time.sleep(1.5)

        print("6b. a verify against another file: the mismatch screen says where")
        self.choose_first_file(row=1)
        self.press("verify")
        self.wait_run()
        mismatch = self.shot("headset_mismatch")
        self.check(self.white_in(mismatch, layout.rect("reasonText"), 0.6), "the mismatch screen says which page")
        self.press("cancel")
        time.sleep(1.5)

        print("7. a close attempt during a run")
        self.choose_first_file()
        self.press("update")
        time.sleep(2)
        self.press("close_glyph")
        time.sleep(1)
        warning = self.shot("warning_panel")
        self.check(app.process.poll() is None, "the program did not close")
        panel = layout.rect("warningPanel")
        border = app.pixel(warning, panel[0] + 1, panel[1] + panel[3] // 2)
        self.check(border[2] > 100, f"the warning panel's blue border is up (found {border})")
        self.press("got_it")
        self.wait_run()
        self.shot("headset_updated_after_warning")
        self.press("done_updated")
        time.sleep(1.5)

        print("8. the About box saves a support report")
        documents = documents_folder()
        before = set(os.listdir(documents))
        app.click(400, 300)
        app.keys("alt+slash")
        self.check(app.dialog("About Veltrane Updater") is not None, "the About box is open")
        time.sleep(0.5)
        self.shot("about_box")
        app.keys("space")  # Save report
        new = lambda: [n for n in os.listdir(documents) if n not in before]  # noqa: E731
        self.check(wait_until(lambda: bool(new()), 10), "a report was saved in Documents")
        time.sleep(1)
        self.shot("report_saved")
        app.keys("Return")
        app.keys("Escape")
        shutil.move(os.path.join(documents, new()[0]), os.path.join(self.shots, "support_report.txt"))
        for name in ("updater.log", "history.jsonl"):
            shutil.copy(os.path.join(data_folder(), name), os.path.join(self.shots, name))
        print(f"  report, log and history copied to {self.shots}")

        print("9. several devices, then close")
        app.plug(HEADSET, ADAPTER)
        time.sleep(1.5)
        self.shot("several_devices")
        self.press("close_glyph")
        code, _ = app.wait_exit(30)
        self.check(code == 0, "closing the window ends the program with exit code 0")
        last = app.trace().strip().splitlines()[-1]
        self.check(" AvDllShutdown " in last, "AvDllShutdown is the library's last call")

        print("10. started beside a device library of the other architecture")
        self.app.cleanup()
        self.app = app = Updater(self.dist, library=self.library_32)
        app.start()
        box = app.dialog(STARTUP_PROBLEM, timeout=30)
        self.check(box is not None, "a message box says why the program cannot start")
        time.sleep(0.5)
        self.shot("startup_problem")
        app.dismiss(box)
        code, _ = app.wait_exit(30)
        self.check(code != 0, f"the program ends with a failure code ({code})")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    dist, shots, library_32 = sys.argv[1:4]
    with VirtualDisplay():
        tour = Tour(dist, shots, library_32)
        try:
            tour.steps()
        except AssertionError as failure:
            tour.shot("failure")
            print(f"TOUR FAILED: {failure}")
            return 1
        finally:
            tour.app.cleanup()
    print(f"Tour passed; screenshots in {shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
