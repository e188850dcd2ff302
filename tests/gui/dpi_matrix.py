#!/usr/bin/env python3
"""Every screen of the real program at 96, 144 and 192 DPI under Wine.

Each DPI runs in a Wine prefix of its own whose LogPixels is that DPI, in a
1920 x 1200 virtual display, against the simulator. The walk passes every
skin (headset and adapter, found, actions, updating, verifying, updated,
verified, mismatch, failed; several devices; the warning panel), the
selection dialog and the About box, and saves a PNG of each into
<folder>/<dpi>/. At each DPI it checks the window's size and place, a drag,
and, on every skin, that the window shows the painted picture of that scale
pixel for pixel wherever no label lies over it, and that the labels and
the bar are drawn in their scaled places.

    dpi_matrix.py <distribution folder> <painted skins folder> <folder for the screenshots> [dpi ...]
                  [--dpi-change <dpi_change_test.exe>]

With --dpi-change it first runs that program (the window told of changes
of DPI in-process, which Wine's one monitor never sends) in the 96 DPI
prefix.
"""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import updater_gui  # noqa: E402
from updater_gui import (  # noqa: E402
    ADAPTER, HEADSET, Updater, VirtualDisplay, brightest, run, runs_finished, wait_until)

import layout  # noqa: E402

BAR = (37, 121, 173)
# Slow enough packets that the running screens stay up for a screenshot.
SLOW = " latency=10"
SCREEN = (1920, 1200)
TEXT_CONTROLS = ["currentVersionText", "chosenFirmwareText", "progressText", "newVersionText", "percentText",
                 "powerCycleText", "reasonText"]


device = layout.device
device_rect = layout.device_rect


class Walk:
    def __init__(self, dist, art, shots, dpi):
        self.art, self.dpi = art, dpi
        self.shots = os.path.join(shots, str(dpi))
        shutil.rmtree(self.shots, ignore_errors=True)
        os.makedirs(self.shots)
        self.app = Updater(dist, devices=())
        self.number = 0
        self.runs = 0
        self.checked = 0

    def check(self, condition, what):
        if not condition:
            raise AssertionError(f"{self.dpi} DPI: {what}")
        self.checked += 1
        print(f"  ok: {what}")

    def press(self, zone):
        self.app.click(*layout.centre(zone, self.dpi))

    def shot(self, name):
        self.number += 1
        return self.app.numbered_screenshot(self.shots, self.number, name)

    def picture(self, skin):
        suffix = "" if self.dpi == 96 else f"_{self.dpi * 100 // 96}"
        return os.path.join(self.art, f"skin_{skin}{suffix}.png")

    def differing(self, path, picture, region=None, masks=()):
        """Pixels of the window's `region` (x, y, w, h; all of it when None)
        in a screenshot that differ from `picture`, outside the masks."""
        left, top, width, height = self.app.geometry()
        x, y, w, h = region or (0, 0, width, height)
        crop = path + ".crop.png"
        expected = path + ".expected.png"
        boxes = []
        for mx, my, mw, mh in masks:
            boxes += ["-fill", "black", "-draw", f"rectangle {mx - x},{my - y} {mx - x + mw - 1},{my - y + mh - 1}"]
        run(["convert", path, "-crop", f"{w}x{h}+{left + x}+{top + y}", "+repage", *boxes, crop])
        run(["convert", picture, *boxes, expected])
        out = run(["compare", "-metric", "AE", crop, expected, "null:"]).stderr
        for name in (crop, expected):
            os.remove(name)
        return int(float(out.split()[0])) if out else -1

    def settled(self, path, condition):
        """Whether `condition(path)` holds on a screenshot, taken again for a
        few seconds while it does not: on a loaded machine Wine may not have
        painted everything yet."""
        deadline = time.time() + 5
        while not condition(path) and time.time() < deadline:
            time.sleep(0.5)
            self.app.screenshot(path)
        return condition(path)

    def skin_shown(self, name, skin):
        """A screenshot of a screen showing `skin`, checked against its picture."""
        path = self.shot(name)
        masks = [device_rect(layout.rect(c), self.dpi) for c in TEXT_CONTROLS]
        self.check(self.settled(path, lambda p: self.differing(p, self.picture(skin), masks=masks) == 0),
                   f"{name}: the window shows skin {skin} of this scale outside the labels")
        return path

    def label_drawn(self, path, control, level=0.8):
        rect = device_rect(layout.rect(control), self.dpi)
        self.check(self.settled(path, lambda p: brightest(self.app, p, rect) > level),
                   f"a label is drawn in the scaled place of {control}")

    def choose(self, row=0):
        self.press("firmware_box")
        self.check(self.app.dialog("Choose a Firmware") is not None, "the selection dialog opens")
        self.app.keys(*["Down"] * (row + 1))
        if self.number < 6:
            self.shot("selection_dialog")
        self.app.keys("Tab", "space")
        self.check(wait_until(lambda: self.app.dialog("Choose a Firmware", timeout=0.2) is None, 10),
                   "Select closes the dialog")
        time.sleep(0.5)

    def wait_run(self):
        self.runs += 1
        self.check(wait_until(lambda: runs_finished(self.app.trace()) >= self.runs, 120), f"run {self.runs} ends")
        time.sleep(1.0)

    def operation(self, kind, skins, zone="update"):
        """Update or verify: the running screens, then the result."""
        updating, verifying = skins
        self.press(zone)
        if zone == "update":
            time.sleep(2.0)
            path = self.skin_shown(f"{kind}_updating", updating)
            x, y = device(40, self.dpi), device(250, self.dpi)
            self.check(self.settled(path, lambda p: self.app.pixel(p, x, y) == BAR),
                       f"the bar is {BAR} at its scaled place ({self.app.pixel(path, x, y)})")
            self.check(wait_until(lambda: "request=FD0400000284" in self.app.trace(), 60), "verification begins")
        else:
            time.sleep(1.5)
        time.sleep(0.5)
        self.skin_shown(f"{kind}_verifying", verifying)
        self.wait_run()

    def window(self):
        app = self.app
        app.start()
        self.check(app.find_window(60) is not None, "the window is up")
        width, height = device(layout.WINDOW[0], self.dpi), device(layout.WINDOW[1], self.dpi)
        place = ((SCREEN[0] - width) // 2, (SCREEN[1] - height) // 2, width, height)
        self.check(app.geometry() == place, f"the window is {width} x {height}, centred ({app.geometry()})")
        time.sleep(1.5)
        path = self.shot("intro")
        self.check(self.settled(path, lambda p: self.differing(p, self.picture(168)) == 0),
                   "the intro is its picture, pixel for pixel")
        app.drag(*layout.centre("drag_band", self.dpi), 100, 50)
        self.check(wait_until(lambda: app.geometry()[:2] == (place[0] + 100, place[1] + 50), 5),
                   f"a drag in the band moves the window with the pointer ({app.geometry()})")

    def headset(self):
        app = self.app
        self.press("continue")
        time.sleep(1.5)
        self.skin_shown("no_connection", 143)
        app.plug(HEADSET + SLOW)
        self.check(wait_until(lambda: "1_0" in app.reported_versions(), 15), "the headset is found")
        time.sleep(1.5)
        self.label_drawn(self.skin_shown("headset_found", 146), "currentVersionText")
        self.choose()
        self.label_drawn(self.skin_shown("headset_actions", 148), "chosenFirmwareText")
        self.operation("headset", (151, 152))
        self.label_drawn(self.skin_shown("headset_updated", 158), "newVersionText")
        self.press("done_updated")
        time.sleep(1.5)
        self.choose()
        self.operation("headset_verify", (151, 152), zone="verify")
        self.skin_shown("headset_verified", 156)
        self.press("done_verified")
        time.sleep(1.5)
        self.choose(row=1)
        self.press("verify")
        self.wait_run()
        self.label_drawn(self.skin_shown("headset_mismatch", 161), "reasonText", 0.6)
        self.press("cancel")
        time.sleep(1.5)
        app.plug(HEADSET + " failpacket=40")
        time.sleep(1.5)
        self.choose()
        self.press("update")
        self.wait_run()
        self.label_drawn(self.skin_shown("headset_failed", 163), "reasonText", 0.6)
        self.press("cancel")
        app.plug(HEADSET + SLOW)
        time.sleep(1.5)
        self.warning()

    def warning(self):
        self.choose()
        self.press("update")
        time.sleep(2)
        self.press("close_glyph")
        time.sleep(1)
        path = self.shot("warning_panel")
        self.check(self.app.process.poll() is None, "the program did not close")
        panel = device_rect(layout.rect("warningPanel"), self.dpi)
        self.check(self.settled(path, lambda p: self.differing(p, self.picture(164), region=panel) == 0),
                   "the warning panel is its picture, pixel for pixel, in its scaled place")
        self.press("got_it")
        self.wait_run()
        self.press("done_updated")
        time.sleep(1.5)

    def adapter(self):
        app = self.app
        app.plug(ADAPTER + SLOW)
        time.sleep(2)
        self.skin_shown("adapter_found", 145)
        self.choose()
        self.skin_shown("adapter_actions", 150)
        self.operation("adapter", (153, 154))
        self.label_drawn(self.skin_shown("adapter_updated", 157), "newVersionText")
        self.press("done_updated")
        time.sleep(1.5)
        self.choose()
        self.operation("adapter_verify", (153, 154), zone="verify")
        self.skin_shown("adapter_verified", 155)
        self.press("done_verified")
        time.sleep(1.5)
        self.choose(row=1)
        self.press("verify")
        self.wait_run()
        self.skin_shown("adapter_mismatch", 160)
        self.press("cancel")
        app.plug(ADAPTER + " failpacket=40")
        time.sleep(1.5)
        self.choose()
        self.press("update")
        self.wait_run()
        self.skin_shown("adapter_failed", 162)
        self.press("cancel")
        time.sleep(0.5)

    def last_screens(self):
        app = self.app
        app.plug(HEADSET, ADAPTER)
        time.sleep(2)
        self.skin_shown("several_devices", 147)
        app.click(device(400, self.dpi), device(300, self.dpi))  # the window takes the keyboard
        app.keys("alt+slash")
        self.check(app.dialog("About Veltrane Updater") is not None, "the About box opens")
        time.sleep(0.5)
        self.shot("about_box")
        app.keys("Escape")
        time.sleep(0.5)
        self.press("close_glyph")
        code, _ = app.wait_exit(30)
        self.check(code == 0, "closing the window ends the program")


def dpi_changes(program):
    """Runs the in-process test of WM_DPICHANGED; True when it passed."""
    print("== the window through changes of DPI")
    result = subprocess.run([updater_gui.WINE_RUN, program], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            timeout=120, cwd=os.path.dirname(program))
    print(result.stdout, end="")
    return result.returncode == 0


def main():
    args = sys.argv[1:]
    change_test = None
    if "--dpi-change" in args:
        at = args.index("--dpi-change")
        change_test = args[at + 1]
        del args[at:at + 2]
    if len(args) < 3:
        print(__doc__)
        return 2
    dist, art, shots = args[:3]
    dpis = [int(d) for d in args[3:]] or [96, 144, 192]
    total = 0
    for dpi in dpis:
        print(f"== {dpi} DPI")
        updater_gui.use_dpi(dpi)
        with VirtualDisplay(size=f"{SCREEN[0]}x{SCREEN[1]}"):
            if change_test and dpi == 96 and not dpi_changes(change_test):
                print("DPI MATRIX FAILED: the window did not follow a change of DPI")
                return 1
            walk = Walk(dist, art, shots, dpi)
            try:
                walk.window()
                walk.headset()
                walk.adapter()
                walk.last_screens()
            except AssertionError as failure:
                walk.shot("failure")
                print(f"DPI MATRIX FAILED: {failure}")
                return 1
            finally:
                walk.app.cleanup()
                run(["wineserver", "-k"])
            total += walk.checked
    print(f"{total} checks passed")
    print(f"Screenshots of {len(dpis)} DPIs in {shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
