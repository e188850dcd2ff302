#!/usr/bin/env python3
"""veltrane-cli.exe under Wine against the simulator library, as a script
on Windows runs it: devices, an update with its JSON events and its
record in the history, exit codes, and the device lock (a named mutex)
held by one process against another.

    cli_exe_test.py <distribution folder> <work folder>
"""

import json
import os
import shutil
import subprocess
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
HEADSET = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n"
FILE = "RX93_Headset_v1_2_ef.txt"

DIST = WORK = None


class CliExeTest(unittest.TestCase):
    def setUp(self):
        self.folder = os.path.join(WORK, self.id().split(".")[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(os.path.join(self.folder, "files"))
        for name in ("veltrane-cli.exe", "hostapi_vmi.dll"):
            shutil.copy(os.path.join(DIST, name), self.folder)
        shutil.copy(os.path.join(DIST, "files", FILE), os.path.join(self.folder, "files"))
        self.plug(HEADSET)
        # A lock of this test's own, so that nothing else on the machine meets it.
        os.environ["VELTRANE_DEVICE_LOCK"] = "VELTRANEUPDATER-TEST-" + str(os.getpid())

    def plug(self, devices):
        # The simulator keeps each device's memory in a file, so an update
        # outlives the process that made it.
        with open(os.path.join(self.folder, "sim_devices.txt"), "w") as out:
            out.write("memory sim_state\n" + devices)

    def start(self, *args):
        return subprocess.Popen([WINE_RUN, "veltrane-cli.exe", *args], cwd=self.folder, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def cli(self, *args):
        process = self.start(*args)
        out, err = process.communicate(timeout=120)
        return process.returncode, out, err

    def test_devices_lists_the_headset_and_no_device_is_exit_4(self):
        code, out, _ = self.cli("devices")
        self.assertEqual((code, out), (0, "headset  28F80106  RX93  1_0\n"))
        self.plug("")
        code, out, err = self.cli("devices")
        self.assertEqual((code, out), (4, ""))
        self.assertIn("No device is connected.", err)

    def test_the_signed_catalogue_verifies_and_refuses_a_changed_file(self):
        for name in ("catalogue.json", "catalogue.json.sig"):
            shutil.copy(os.path.join(DIST, "files", name), os.path.join(self.folder, "files"))
        code, out, err = self.cli("--json", "files")
        files = [json.loads(line)["file"] for line in out.splitlines() if '"event":"file"' in line]
        self.assertEqual((code, [(f["name"], f["signed"]) for f in files]), (0, [(FILE, True)]), out + err)
        path = os.path.join(self.folder, "files", FILE)
        with open(path, "ab") as f:
            f.write(b"00\r\n")
        code, out, err = self.cli("update", "--yes", FILE)
        self.assertEqual(code, 6, out + err)
        self.assertIn("is not the maker's file: its contents differ from the signed catalogue.", err)

    def test_an_update_gives_its_events_and_the_version_after(self):
        code, out, _ = self.cli("--json", "update", "--yes", FILE)
        self.assertEqual(code, 0, out)
        events = [json.loads(line) for line in out.splitlines()]
        kinds = [event["event"] for event in events]
        self.assertEqual(kinds[0], "device")
        self.assertIn("file", kinds)
        self.assertEqual(kinds[-1], "result")
        pages = [event["progress"]["page"] for event in events if event["event"] == "progress"]
        self.assertEqual(pages[0], 1)
        result = events[-1]["result"]
        self.assertEqual((result["outcome"], result["exit_code"]), ("passed", 0))
        self.assertEqual((result["version_before"], result["version_after"]), ("1_0", "1_2"))
        code, out, _ = self.cli("devices")
        self.assertEqual(out, "headset  28F80106  RX93  1_2\n")
        # The run is the newest in the history (the prefix keeps older ones).
        code, out, _ = self.cli("--json", "history", "--device", "28F80106", "--limit", "1")
        events = [json.loads(line) for line in out.splitlines()]
        self.assertEqual((code, [event["event"] for event in events]), (0, ["history", "result"]), out)
        run = events[0]["history"]
        self.assertEqual((run["written_by"], run["operation"], run["result"]), ("cli", "update", "passed"))
        self.assertEqual((run["version_before"], run["version_after"], run["sha256"]),
                         ("1_0", "1_2", result["sha256"]))

    def test_a_file_that_does_not_fit_is_exit_6_and_a_bad_command_exit_2(self):
        self.plug("device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93\n")
        code, out, _ = self.cli("--json", "verify", FILE)
        self.assertEqual(code, 6)
        self.assertEqual(json.loads(out.splitlines()[-1])["result"]["cause"], "file_does_not_fit")
        self.assertEqual(self.cli("frobnicate")[0], 2)

    def test_while_one_program_holds_the_devices_another_is_told_they_are_busy(self):
        running = self.start("--json", "update", "--yes", FILE)
        first = running.stdout.readline()  # the run has the lock once it speaks
        self.assertEqual(json.loads(first)["event"], "device")
        code, out, err = self.cli("devices")
        self.assertEqual(code, 8, out + err)
        self.assertIn("Another program is working on the devices.", err)
        rest, _ = running.communicate(timeout=120)
        self.assertEqual(running.returncode, 0, rest)


if __name__ == "__main__":
    DIST, WORK = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
