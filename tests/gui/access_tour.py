#!/usr/bin/env python3
"""The window from the keyboard alone, and as a screen reader reads it.

Drives VeltraneUpdater.exe under Wine with keys only (xdotool key, no
pointer): an update, a verify, a failure and Try Again, a close attempt
during a run and its warning, the selection dialog and the About box. On
each screen a11y_client reads the accessible tree through oleacc and the
names, roles and states are checked; the events of one run are listened to.
Screenshots show the focus ring; the names read per screen are written to
names.txt beside them.

    access_tour.py <distribution folder> <a11y_client.exe> <folder for the screenshots>
"""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from updater_gui import ADAPTER, HEADSET, WINE_RUN, Updater, VirtualDisplay, runs_finished, wait_until  # noqa: E402

import layout  # noqa: E402

LINE = re.compile(r'(?:event=(\w+) )?child=(\d+) role=(\w+) name="([^"]*)" value="([^"]*)" state=(\S+)'
                  r'(?: description="([^"]*)")?')
SELECT_FIRMWARE = "Click to select a firmware package"


class Tree:
    """The accessible tree as the client printed it: the window and its visible children."""

    def __init__(self, text):
        self.text = text
        self.window = None
        self.items = []
        self.focus = None
        for line in text.splitlines():
            if line.startswith("focus="):
                self.focus = int(line[len("focus="):])
            match = LINE.match(line)
            if not match:
                continue
            _, child, role, name, value, state, description = match.groups()
            item = {"child": int(child), "role": role, "name": name, "value": value,
                    "states": set(state.split(",")), "description": description}
            if item["child"] == 0:
                self.window = item
            elif "invisible" not in item["states"]:
                self.items.append(item)

    def name(self):
        return self.window["name"] if self.window else None

    def summary(self):
        """(role, name, states) of each visible child, states without readonly."""
        return [(i["role"], i["name"], ",".join(sorted(i["states"] - {"readonly"}))) for i in self.items]

    def child(self, name):
        return next(i["child"] for i in self.items if i["name"] == name)

    def focused(self):
        for item in self.items:
            if item["child"] == self.focus:
                return item["name"]
        return None


class AccessTour:
    def __init__(self, dist, client, shots):
        self.app = Updater(dist, devices=())
        self.client = client
        self.shots = shots
        self.number = 0
        self.runs = 0
        self.names = []
        os.makedirs(shots, exist_ok=True)

    # --- reporting ---

    def check(self, condition, what):
        if not condition:
            raise AssertionError(what)
        print(f"  ok: {what}")

    def shot(self, name):
        self.number += 1
        return self.app.numbered_screenshot(self.shots, self.number, name)

    # --- the program ---

    def key(self, *names):
        self.app.keys(*names)

    def run_client(self, *args):
        return subprocess.run([WINE_RUN, self.client, *args], capture_output=True, text=True,
                              stdin=subprocess.DEVNULL, timeout=60).stdout

    def read(self):
        return Tree(self.run_client("tree"))

    def screen(self, headline, timeout=20):
        """Waits for the window's accessible name to be `headline`; notes the names read."""
        tree = None

        def named():
            nonlocal tree
            tree = self.read()
            return tree.name() == headline

        self.check(wait_until(named, timeout, 0.5), f"the window is named \"{headline}\"")
        self.names.append(tree)
        return tree

    def expect(self, tree, items, focused):
        self.check(tree.summary() == items, f"children {items}")
        self.check(tree.focused() == focused, f"the focus is on {focused}")

    def ring_at(self, path, zone):
        x, y = layout.ring_edge(zone)
        return self.app.pixel(path, x, y) == layout.RING_COLOUR

    def wait_run(self, timeout=120):
        self.runs += 1
        self.check(wait_until(lambda: runs_finished(self.app.trace()) >= self.runs, timeout),
                   f"run {self.runs} ended and its result is drawn")

    def choose_first_file(self):
        """Enter on the focused firmware box, the first row, Enter on the dialog's Select."""
        self.key("Return")
        self.check(self.app.dialog("Choose a Firmware") is not None, "the selection dialog is open")
        self.key("Down", "Return")
        self.check(wait_until(lambda: self.app.dialog("Choose a Firmware", timeout=0.2) is None, 10),
                   "Enter in the dialog selected the row")

    def to_actions(self):
        """The actions screen, from a found screen (the firmware box focused) or already there."""
        tree = self.screen("Veltrane Headset")
        if tree.focused() == SELECT_FIRMWARE:
            self.choose_first_file()
            tree = self.screen("Veltrane Headset")
        self.check(tree.focused() == "Update", "Update has the focus on the actions screen")
        return tree

    def listen(self, seconds):
        path = os.path.join(self.shots, "events.txt")
        out = open(path, "w")
        process = subprocess.Popen([WINE_RUN, self.client, "events", str(seconds * 1000)], stdout=out,
                                   stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.check(wait_until(lambda: "listening" in open(path).read(), 30), "the event listener is up")
        return process, out, path

    # --- the tour ---

    def steps(self):
        app = self.app
        button = "pushbutton"
        glyphs = [(button, "Minimise", "focusable"), (button, "Close", "focusable")]

        print("1. the intro: Continue has the focus, the ring shows only once Tab is used")
        app.start()
        self.check(app.find_window() is not None, "the window is up")
        tree = self.screen("Update your Veltrane Headset")
        self.expect(tree, [(button, "Continue", "focusable,focused")] + glyphs, "Continue")
        self.check(tree.window["description"].startswith("This program installs new firmware"), "the body is read")
        intro = self.shot("intro_no_ring")
        self.check(not self.ring_at(intro, "continue"), "no ring before the keyboard is used")
        self.key("Tab")
        minimise = self.shot("ring_on_minimise")
        self.check(self.ring_at(minimise, "minimise_glyph"), "Tab: the ring around the minimise glyph")
        self.key("shift+Tab")
        back = self.shot("ring_on_continue")
        self.check(self.ring_at(back, "continue"), "Shift+Tab: the ring around Continue")
        self.check(not self.ring_at(back, "minimise_glyph"), "the old ring left no trail")

        print("2. Enter: no connection; a headset is plugged in")
        self.key("Return")
        tree = self.screen("No connection")
        self.expect(tree, glyphs, None)
        app.plug(HEADSET)
        tree = self.screen("Veltrane Headset")
        self.check(wait_until(lambda: "v.1_0" in self.read().window["description"], 10), "the version is read")
        tree = self.read()
        self.expect(tree, [("text", "1_0", ""), (button, SELECT_FIRMWARE, "focusable,focused"),
                           (button, "Verify", "unavailable"), (button, "Update", "unavailable")] + glyphs,
                    SELECT_FIRMWARE)
        found = self.shot("headset_found_ring_on_firmware_box")
        self.check(self.ring_at(found, "firmware_box"), "the ring around the firmware box")

        print("3. Enter opens the selection dialog; Down and Enter select")
        self.choose_first_file()
        tree = self.screen("Veltrane Headset")
        entry = [i["name"] for i in tree.items if i["role"] == "text"][1]
        self.expect(tree, [("text", "1_0", ""), (button, "Selected firmware:", "focusable"), ("text", entry, ""),
                           (button, "Verify", "focusable"), (button, "Update", "focusable,focused")] + glyphs,
                    "Update")
        actions = self.shot("headset_actions_ring_on_update")
        self.check(self.ring_at(actions, "update"), "the ring around Update")

        print("4. Enter: the update, told as it goes")
        listener, out, events = self.listen(90)
        self.key("Return")
        tree = self.screen("Updating the Veltrane Headset")
        self.check(any(i["role"] == "progressbar" and i["value"].endswith("%") for i in tree.items),
                   "the bar is a progress bar with its percentage")
        self.shot("headset_updating")
        self.wait_run()
        tree = self.screen("Update successful")
        self.check(re.match(r"Firmware v\.\d_\d was installed\. ", tree.window["description"]) is not None,
                   "the new version is read within the body")
        self.expect(tree, [("text", tree.items[0]["name"], ""), ("link", "Pairing guide", "focusable"),
                           (button, "Done", "focusable,focused")] + glyphs, "Done")
        updated = self.shot("headset_updated_ring_on_done")
        self.check(self.ring_at(updated, "done_updated"), "the ring around Done")
        time.sleep(1)
        listener.kill()
        listener.wait()
        out.close()
        self.check_events(open(events).read())

        print("5. Enter on Done; a verify from Shift+Tab and Space")
        self.key("Return")
        self.to_actions()
        self.key("shift+Tab")
        verify = self.shot("ring_on_verify")
        self.check(self.ring_at(verify, "verify") and not self.ring_at(verify, "update"), "the ring moved to Verify")
        self.key("space")
        self.screen("Verifying the Veltrane Headset")
        self.wait_run()
        tree = self.screen("Verification succeeded")
        self.expect(tree, [(button, "Done", "focusable,focused")] + glyphs, "Done")
        self.shot("headset_verified")
        self.key("Return")

        print("6. a failure, then Try Again")
        app.plug(HEADSET + " failpacket=40")
        time.sleep(1)
        self.to_actions()
        self.key("Return")
        self.wait_run()
        tree = self.screen("Update failed")
        reason = [i["name"] for i in tree.items if i["role"] == "text"]
        self.check(len(reason) == 1 and reason[0].startswith("Stopped while programming page"), "the reason is read")
        self.expect(tree, [(button, "Try Again", "focusable,focused"), (button, "Cancel", "focusable"),
                           ("text", reason[0], "")] + glyphs, "Try Again")
        failed = self.shot("headset_failed_ring_on_try_again")
        self.check(self.ring_at(failed, "try_again"), "the ring around Try Again")
        app.plug(HEADSET)
        self.key("Return")
        self.wait_run()
        self.screen("Update successful")
        self.key("Return")

        print("7. Alt+F4 during a run: the warning; Esc dismisses it")
        self.to_actions()
        self.key("Return")
        self.screen("Updating the Veltrane Headset")
        self.key("alt+F4")
        tree = self.screen("Update in progress")
        self.expect(tree, [(button, "GOT IT", "focusable,focused")] + glyphs, "GOT IT")
        warning = self.shot("warning_ring_on_got_it")
        self.check(self.ring_at(warning, "got_it"), "the ring around GOT IT")
        self.check(app.process.poll() is None, "the program did not close")
        self.key("Escape")
        self.check(self.read().name() != "Update in progress", "Esc dismissed the warning")
        self.wait_run()
        self.screen("Update successful")
        self.key("Return")

        print("8. the selection dialog and the About box from the keyboard")
        self.to_actions()
        self.key("shift+Tab", "shift+Tab", "Return")
        self.check(self.app.dialog("Choose a Firmware") is not None, "Enter on the firmware box opens the dialog")
        self.key("Escape")
        self.check(wait_until(lambda: self.app.dialog("Choose a Firmware", timeout=0.2) is None, 10),
                   "Esc closes the selection dialog")
        for keys, close in (("alt+question", "Return"), ("alt+slash", "Escape")):
            self.key(keys)
            self.check(self.app.dialog("About Veltrane Updater") is not None, f"{keys} opens the About box")
            self.shot("about_box")
            self.key(close)
            self.check(wait_until(lambda: self.app.dialog("About Veltrane Updater", timeout=0.2) is None, 10),
                       f"{close} closes the About box")
        tree = self.read()
        self.check(tree.name() == "Veltrane Headset" and tree.focused() == "Selected firmware:",
                   "the focus is back on the firmware box")

        print("9. a screen reader moves the focus and presses a button")
        self.run_client("focus", str(tree.child("Verify")))
        self.check(self.read().focused() == "Verify", "take-focus puts the focus on Verify")
        self.run_client("press", str(tree.child("Selected firmware:")))
        self.check(self.app.dialog("Choose a Firmware") is not None, "the firmware box's default action opens the dialog")
        self.key("Escape")
        self.check(wait_until(lambda: self.app.dialog("Choose a Firmware", timeout=0.2) is None, 10), "Esc closes it")

        print("10. several devices, then the adapter")
        app.plug(HEADSET, ADAPTER)
        tree = self.screen("Several devices connected")
        self.expect(tree, glyphs, None)
        app.plug(ADAPTER)
        tree = self.screen("Veltrane USB Adapter")
        self.expect(tree, [("text", "1_0", ""), (button, SELECT_FIRMWARE, "focusable,focused"),
                           (button, "Verify", "unavailable"), (button, "Update", "unavailable")] + glyphs,
                    SELECT_FIRMWARE)

        print("11. Alt+F4 with nothing running closes the program")
        self.key("alt+F4")
        code, _ = app.wait_exit(30)
        self.check(code == 0, "exit code 0")

    def check_events(self, text):
        events = [m.groups() for m in LINE.finditer(text) if m.group(1)]
        values = [int(v.split()[0]) for e, _, role, _, v, _, _ in events if e == "value" and v]
        tenths = [v // 10 for v in values]
        self.check(values and values[-1] == 100, f"the bar's value is told up to 100 % ({values})")
        for a, b in zip(tenths, tenths[1:]):
            self.check(a != b, f"each value told is another tenth ({a * 10} %, {b * 10} %)")
        self.check(any(e == "name" for e, *_ in events), "the screen changes are told")
        focus = [name for e, _, role, name, *_ in events if e == "focus" and role == "pushbutton"]
        self.check(focus and focus[-1] == "Done", f"the focus is told on Done at the end ({focus})")

    def write_names(self):
        path = os.path.join(self.shots, "names.txt")
        with open(path, "w") as f:
            for tree in self.names:
                f.write(f"{tree.name()}\n  description: {tree.window['description']}\n")
                for item in tree.items:
                    value = f" = \"{item['value']}\"" if item["value"] else ""
                    states = ",".join(sorted(item["states"]))
                    f.write(f"  {item['role']} \"{item['name']}\"{value} {states}\n")
        print(f"  names read per screen: {path}")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    dist, client, shots = sys.argv[1:]
    with VirtualDisplay():
        tour = AccessTour(dist, client, shots)
        try:
            tour.steps()
        except AssertionError as failure:
            tour.shot("failure")
            print(f"ACCESS TOUR FAILED: {failure}")
            return 1
        finally:
            tour.write_names()
            tour.app.cleanup()
    print(f"Access tour passed; screenshots in {shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
