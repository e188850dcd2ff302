#!/usr/bin/env python3
"""The recordings of this folder: made with `veltrane-cli --record` against
the simulator, and replayed by the simulator (`replay FILE` in its device
file) through the console program, natively or under Wine, and through the
window under Wine.

    recordings.py make --windows DIST          record the set anew (veltrane-cli.exe under Wine)
    recordings.py replay --host DIST           every recording through the native veltrane-cli
    recordings.py replay --windows DIST        every recording through veltrane-cli.exe under Wine
    recordings.py replay --window DIST         the 64-page update through VeltraneUpdater.exe

A replay passes when the program ends as the recorded run did, the
simulator's trace names no divergence, and every packet it answered is the
recording's. A replay of update_64 with another image must diverge and fail.
Recordings from the real library drop into this folder with a line in
RECORDINGS saying how to run them.
"""

import argparse
import getpass
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "reference"))
sys.path.insert(0, os.path.join(ROOT, "tests", "gui"))
import layout  # noqa: E402
import reference_runs as reference  # noqa: E402
import updater_gui as gui  # noqa: E402

FIRMWARE = reference.FIRMWARE
HEADSET = gui.HEADSET
ADAPTER = gui.ADAPTER

# name: (command after the program's name, device lines, what else is laid out, exit code)
RECORDINGS = {
    "update_64": (["update", "--yes", FIRMWARE], HEADSET, None, 0),
    "verify": (["verify", FIRMWARE], HEADSET, "seeded", 0),
    "failed_packet": (["update", "--yes", FIRMWARE], HEADSET + " failpacket=40", None, 1),
    "discovery_two_devices": (["devices"], HEADSET + "\n" + ADAPTER, None, 0),
    # The headset pulled out in the middle of programming.
    "interrupted": (["update", "--yes", FIRMWARE], HEADSET + " unplugafter=900", None, 1),
}
DIVERGED = "replay diverged at call"
PACKET = re.compile(r"commandSendAndGetResponse handle=\S+ request=(\S+) response=(\S+) status=(-?\d+)")
CLI_PREFIX = os.path.join(gui.CACHE, "veltrane-updater", "wine-recordings-cli")
WINDOW_PREFIX = os.path.join(gui.CACHE, "veltrane-updater", "wine-recordings-window")
os.environ.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")


def recording_path(name):
    return os.path.join(HERE, name + ".jsonl")


def recorded_packets(path):
    packets = []
    with open(path) as f:
        next(f)
        for line in f:
            call = json.loads(line)
            if call["call"] == "commandSendAndGetResponse":
                packets.append((call["in"]["request"], call["out"]["response"], call["status"]))
    return packets


def traced_packets(folder):
    with open(os.path.join(folder, "sim_trace.log")) as f:
        return [(m.group(1), m.group(2), int(m.group(3))) for m in PACKET.finditer(f.read())]


def lay_out(dist, name, devices, extra, replay_of=None):
    """A working folder with the program, the simulator and the firmware; the
    device file replays `replay_of` when given."""
    folder = reference.copy_dist(dist)
    reference.lay_out_folder(folder, devices, extra)
    if replay_of:
        shutil.copy(replay_of, os.path.join(folder, "recording.jsonl"))
        with open(os.path.join(folder, "sim_devices.txt"), "w") as f:
            f.write("trace sim_trace.log\nreplay recording.jsonl\n")
    return folder


def cli_command(folder, wine):
    """The program and the environment of one console run: a data folder and
    a device lock of its own."""
    env = dict(os.environ)
    if wine:
        env.pop("DISPLAY", None)
        env["WINEPREFIX"] = CLI_PREFIX
        env["VELTRANE_DEVICE_LOCK"] = f"VELTRANE-RECORDINGS-{os.getpid()}"
        data = os.path.join(CLI_PREFIX, "drive_c", "users", getpass.getuser(), "AppData", "Local", "Veltrane Updater")
        shutil.rmtree(data, ignore_errors=True)
        return [gui.WINE_RUN, "veltrane-cli.exe"], env
    env["XDG_STATE_HOME"] = os.path.join(folder, "state")
    env["VELTRANE_DEVICE_LOCK"] = os.path.join(folder, "devices.lock")
    return [os.path.join(folder, "veltrane-cli")], env


def run_cli(folder, wine, args):
    program, env = cli_command(folder, wine)
    done = subprocess.run(program + args, cwd=folder, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=300)
    return done.returncode, done.stdout + done.stderr


def make(dist):
    for name, (args, devices, extra, code) in RECORDINGS.items():
        folder = lay_out(dist, name, devices, extra)
        try:
            got, output = run_cli(folder, True, ["--record", "recording.jsonl"] + args)
            if got != code:
                raise SystemExit(f"{name}: exit {got}, not {code}\n{output}")
            shutil.copy(os.path.join(folder, "recording.jsonl"), recording_path(name))
            print(f"{name}: recorded")
        finally:
            shutil.rmtree(folder, ignore_errors=True)


def replay_cli(dist, wine):
    failures = []
    for name, (args, devices, extra, code) in RECORDINGS.items():
        folder = lay_out(dist, name, devices, extra, replay_of=recording_path(name))
        try:
            got, output = run_cli(folder, wine, args)
            trace = open(os.path.join(folder, "sim_trace.log")).read()
            if got != code or DIVERGED in trace:
                failures.append(f"{name}: exit {got} (recorded {code})\n{output}\n" +
                                "\n".join(line for line in trace.splitlines() if "replay" in line))
            elif traced_packets(folder) != recorded_packets(recording_path(name)):
                failures.append(f"{name}: the packets differ from the recording's")
            else:
                print(f"{name}: replayed, exit {got}")
        finally:
            shutil.rmtree(folder, ignore_errors=True)
    failures += replay_another_image(dist, wine)
    return failures


def replay_another_image(dist, wine):
    """The 64-page update's recording with one byte of the image changed:
    the write of that page diverges and the run fails."""
    args, devices, extra, _ = RECORDINGS["update_64"]
    folder = lay_out(dist, "update_64", devices, extra, replay_of=recording_path("update_64"))
    try:
        path = os.path.join(folder, "files", FIRMWARE)
        with open(path) as f:
            lines = f.read().split("\n")
        lines[5000] = "%02X" % (int(lines[5000], 16) ^ 0xFF)
        with open(path, "w", newline="\r\n") as f:
            f.write("\n".join(lines))
        got, output = run_cli(folder, wine, args)
        trace = open(os.path.join(folder, "sim_trace.log")).read()
        if got == 0 or DIVERGED not in trace:
            return [f"another image: exit {got}, and the trace names no divergence\n{output}"]
        print("update_64 with another image: diverged, exit", got)
        return []
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def replay_window(dist):
    """The console program's 64-page update through the window: found,
    chosen, updated, and the history says passed."""
    gui.GUI_PREFIX = WINDOW_PREFIX
    with gui.VirtualDisplay():
        shutil.rmtree(gui.data_folder(), ignore_errors=True)
        app = gui.Updater(dist)
        try:
            reference.lay_out_folder(app.folder, HEADSET, None)
            shutil.copy(recording_path("update_64"), os.path.join(app.folder, "recording.jsonl"))
            with open(os.path.join(app.folder, "sim_devices.txt"), "w") as f:
                f.write("trace sim_trace.log\nreplay recording.jsonl\n")
            if not app.start_until_found():
                return ["window: the headset was not found\n" + app.trace()[-2000:]]
            if not record_next_session(app):
                return ["window: the About box did not start a recording"]
            if not app.choose_first_file():
                return ["window: the file could not be chosen"]
            app.click(*layout.centre("update"))
            history = os.path.join(gui.data_folder(), "history.jsonl")

            def settled():
                if not os.path.exists(history):
                    return False
                return any(json.loads(line).get("result") in ("passed", "failed") for line in open(history))
            if not gui.wait_until(settled, 240, 0.5):
                return ["window: the run did not end\n" + app.trace()[-2000:]]
            results = [json.loads(line)["result"] for line in open(history)]
            trace = app.trace()
            if results[-1] != "passed" or DIVERGED in trace:
                return [f"window: {results}\n" + "\n".join(l for l in trace.splitlines() if "replay" in l)]
            run = [p for p in recorded_packets(recording_path("update_64")) if not p[0].startswith("FD040700")]
            replayed = [p for p in traced_packets(app.folder) if not p[0].startswith("FD040700")]
            if replayed != run:
                return ["window: its run's packets differ from the recording's"]
            print("update_64 through the window: replayed, passed")
            return window_recording(app, run)
        finally:
            app.cleanup()
            gui.run_wine(["wineserver", "-k"])


def record_next_session(app):
    """About box, "Record the next device session" (after Save report and
    OK in the tab order), and the message that says where."""
    app.keys("alt+slash")
    if app.dialog("About Veltrane Updater") is None:
        return False
    app.keys("Tab", "Tab", "space")
    time.sleep(1)
    app.keys("Return")  # the message box
    app.keys("Escape")  # the About box
    return gui.wait_until(lambda: window_recordings(), 5)


def window_recordings():
    data = gui.data_folder()
    return [os.path.join(data, n) for n in os.listdir(data) if n.startswith("recording ")] if os.path.isdir(data) else []


def window_recording(app, run):
    """Closed, the window's own recording holds the run's packets and ends
    with the library's shutdown."""
    app.click(*layout.centre("close_glyph"))
    app.wait_exit(30)
    paths = window_recordings()
    if len(paths) != 1:
        return [f"window: {len(paths)} recordings in the data folder"]
    with open(paths[0]) as f:
        header = json.loads(next(f))
        calls = [json.loads(line) for line in f]
    packets = [p for p in recorded_packets(paths[0]) if not p[0].startswith("FD040700")]
    if header["program"] != "window" or packets != run or calls[-1]["call"] != "AvDllShutdown":
        return [f"window: its recording ({header['program']}, {len(calls)} calls) is not the run's"]
    print("the window's own recording of the session: the run's packets, to the shutdown")
    return []


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=("make", "replay"))
    parser.add_argument("--host")
    parser.add_argument("--windows")
    parser.add_argument("--window")
    a = parser.parse_args()
    if a.action == "make":
        make(os.path.abspath(a.windows))
        return 0
    failures = []
    if a.host:
        failures += replay_cli(os.path.abspath(a.host), False)
    if a.windows:
        failures += replay_cli(os.path.abspath(a.windows), True)
    if a.window:
        failures += replay_window(os.path.abspath(a.window))
    for failure in failures:
        print("FAILED", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
