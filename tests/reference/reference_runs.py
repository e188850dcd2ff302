#!/usr/bin/env python3
"""Reference runs: the window and the command line through a fixed set of
runs against the simulator, each written down as one text file (every
library call and packet, the stamps, the run log, the history, the exit
code, what the program printed, and for the window a digest of its pixels),
with times taken out, so that a change meant to keep behaviour can be
shown to keep it.

    reference_runs.py record --windows DIST --host DIST OUTDIR
    reference_runs.py compare --windows DIST --host DIST [EXPECTED]

--windows is a Windows distribution folder (VeltraneUpdater.exe,
veltrane-cli.exe and the simulator, run under Wine in a virtual display),
--host a native one (veltrane-cli and the native simulator); either may be
left out. `compare` runs the same scenarios again and diffs them against
EXPECTED (tests/reference/expected unless told): exit 1 and a unified diff
on any difference, keeping that run's records and the window's screens
(--keep keeps them always). --only REGEX runs the scenarios whose names
match.
"""

import argparse
import concurrent.futures
import difflib
import getpass
import hashlib
import os
import pty
import re
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "gui"))
import layout  # noqa: E402
import updater_gui as gui  # noqa: E402

EXPECTED = os.path.join(HERE, "expected")
# Wine prefixes of these runs' own: the window's, and the console program's,
# whose runs go side by side with the window's and so need a data folder
# (the Wine user's AppData/Local) of their own.
WINDOW_PREFIX = os.path.join(gui.CACHE, "veltrane-updater", "wine-reference")
CLI_PREFIX = os.path.join(gui.CACHE, "veltrane-updater", "wine-reference-cli")
# Wine quiet and without its Mono and Gecko prompts, whatever the caller set:
# its messages would be differences. Taken before any lane sets its own (the
# window's lane sets DISPLAY and WINEPREFIX in os.environ for updater_gui).
os.environ.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
BASE_ENV = dict(os.environ)
INCOMPLETE = "== scenario did not complete: "

# --- the firmware and the devices ---

# 64 pages of one byte a line: a name and a first-line tag that fit the RX93
# headset, and the version reply a device answers with once it runs it.
FIRMWARE = "RX93_Headset_v1_6_ef.txt"
FIRMWARE_TAG = "Headset_v1_6"
FIRMWARE_REPLY = "v1_6_RX93"
PAGES = 64
PAGE_BYTES = 1024
SERIAL_MEMORY_BYTES = 192 * 1024  # the simulator's serial memory (sim/simulator.h)
STAMP_OFFSET = 0x40  # where an image carries its version reply (sim/version_stamp.h)

HEADSET = gui.HEADSET
# Another model's headset under the same product id.
RX71_HEADSET = HEADSET.replace("reply=v1_0_RX93", "reply=v1_0_RX71")
RX71_REPLY_HEX = "RX71".encode().hex().upper()
VERSION_REQUEST = re.compile(r"commandSendAndGetResponse \S+ request=FD040700")

# name: (operation, device line, what else is done to it)
RUNS = {
    "update_64": ("update", HEADSET, None),
    "verify": ("verify", HEADSET, "seeded"),  # the device already holds the image
    "failed_packet": ("update", HEADSET + " failpacket=40", None),
    "refused_file": ("update", HEADSET, "no_number_on_line_17"),
    "swap": ("update", HEADSET, "swap"),  # an RX71 headset is attached after the file was chosen
}


def firmware_bytes():
    """Deterministic bytes, made as the build's sample firmware is made."""
    x = 2166136261
    for c in FIRMWARE.encode():
        x = ((x ^ c) * 16777619) & 0xFFFFFFFF
    data = bytearray()
    for _ in range(PAGES * PAGE_BYTES):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        data.append((x >> 16) & 0xFF)
    data[0] = 0
    stamp = b"VRPL" + FIRMWARE_REPLY.encode().ljust(18, b"\0")
    data[STAMP_OFFSET:STAMP_OFFSET + len(stamp)] = stamp
    return bytes(data)


def lay_out_folder(folder, device, extra):
    """The firmware file as the only one in files/, written with CR LF as a
    maker's tool writes it, and the device file with the trace and stamps on."""
    files = os.path.join(folder, "files")
    shutil.rmtree(files, ignore_errors=True)
    os.makedirs(files)
    data = firmware_bytes()
    lines = [f"{data[0]:02X} {FIRMWARE_TAG}"] + [f"{b:02X}" for b in data[1:]]
    if extra == "no_number_on_line_17":
        lines[16] = "zz"
    with open(os.path.join(files, FIRMWARE), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    if extra == "seeded":
        # The serial memory the simulator keeps for the device "headset":
        # what an update with this file leaves there.
        os.makedirs(os.path.join(folder, "sim_state"), exist_ok=True)
        with open(os.path.join(folder, "sim_state", "headset.mem"), "wb") as f:
            f.write(data + b"\xff" * (SERIAL_MEMORY_BYTES - len(data)))
    plug(folder, device)


def plug(folder, device):
    """Written whole and renamed into place: the simulator reads the file at
    every listing, and a half-written one would unplug the device."""
    path = os.path.join(folder, "sim_devices.txt")
    with open(path + ".new", "w") as f:
        f.write(f"trace sim_trace.log\nmemory sim_state\nstamps sim_stamps.log\n{device}\n")
    os.replace(path + ".new", path)


def copy_dist(dist):
    folder = tempfile.mkdtemp(prefix="veltrane-reference-")
    shutil.copytree(dist, folder, dirs_exist_ok=True, ignore=shutil.ignore_patterns("sim_trace.log", "sim_state"))
    return folder


def read_bytes_text(path):
    """A file's text exactly as written (bytes kept through surrogateescape), or None."""
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read().decode("utf-8", "surrogateescape")


def version_replies(folder):
    trace = read_bytes_text(os.path.join(folder, "sim_trace.log")) or ""
    return [line for line in trace.splitlines() if VERSION_REQUEST.search(line)]


# --- normalising: times only ---

US = re.compile(r"\bus=\d+")
ISO_TIME = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z")
LOG_STAMP = re.compile(r"^\d\d:\d\d:\d\d\.\d{3} ", re.M)
LOG_DURATION = re.compile(r"^Duration: \d+\.\d{3} s$", re.M)
HISTORY_TIME = re.compile(r'"time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z"')
DURATION_MS = re.compile(r'"(durationMs|duration_ms)":\d+')
RUN_ID = re.compile(r'"runId":"([0-9a-f]+-[0-9a-f]+)"')


def calls_text(text):
    return US.sub("us=*", text)


def log_text(text):
    text = re.sub(r"^(==== Run started )" + ISO_TIME.pattern + "$", r"\1****-**-**T**:**:**.***Z", text, flags=re.M)
    text = LOG_STAMP.sub("**:**:**.*** ", text)
    return LOG_DURATION.sub("Duration: * s", text)


def run_ids(text):
    """A run id is made of the clock: each is named by its order of
    appearance, so a run's started and settled records still share theirs."""
    ids = {}
    return RUN_ID.sub(lambda m: '"runId":"run-%d"' % ids.setdefault(m.group(1), len(ids) + 1), text)


def history_text(text):
    text = HISTORY_TIME.sub('"time":"****-**-**T**:**:**.***Z"', text)
    return run_ids(DURATION_MS.sub(r'"\1":*', text))


def output_text(text):
    return run_ids(DURATION_MS.sub(r'"\1":*', text))


# The window lists the devices ten times a second while a screen waits for
# the person (app/update_worker.cpp), and each pass opens the device under a
# new handle: how many passes a run's trace holds, and so every sequence
# number and handle after them, depends on how long the screens stood. A
# pass that repeats the one before it call for call is written once, with a
# line saying it repeated; sequence numbers are counted again over what is
# kept and handles named by their order of appearance.
REPEATED = "~ the pass above, repeated while the screen waited (how often depends on time)"
CALL = re.compile(r"^(\d+) (\S+)(.*)$")
HANDLE = re.compile(r"\b((?:new)?[hH]andle)=(0x[0-9A-Fa-f]+)")


def window_calls(trace, stamps):
    if trace is None:
        return None, None if stamps is None else calls_text(stamps)
    lines = trace.split("\n")
    tail = lines.pop()  # "" after the last newline
    blocks = [[]]
    for line in lines:
        match = CALL.match(line)
        if match and match.group(2) == "AvDllListDevices" and blocks[-1]:
            blocks.append([])
        blocks[-1].append(line)

    def key(block):
        names = {}
        return tuple(HANDLE.sub(lambda m: m.group(1) + "=" + names.setdefault(m.group(2), str(len(names))),
                                US.sub("", CALL.sub(r"\2\3", line))) for line in block)

    kept = []  # [block, repeated]
    new_seq = {}  # sequence number -> index of its kept block, or None when its pass was dropped
    for block in blocks:
        repeat = bool(kept) and key(kept[-1][0]) == key(block)
        if repeat:
            kept[-1][1] = True
        else:
            kept.append([block, False])
        for line in block:
            match = CALL.match(line)
            if match:
                new_seq[match.group(1)] = None if repeat else len(kept) - 1
    handles = {}
    counter = 0
    renumbered = {}
    out = []
    for block, repeated in kept:
        for line in block:
            match = CALL.match(line)
            if match:
                counter += 1
                renumbered[match.group(1)] = counter
                line = f"{counter} {match.group(2)}{match.group(3)}"
            line = HANDLE.sub(lambda m: m.group(1) + "=H" + handles.setdefault(m.group(2), str(len(handles) + 1)), line)
            out.append(calls_text(line))
        if repeated:
            out.append(REPEATED)
    trace_out = "\n".join(out + [tail])
    if stamps is None:
        return trace_out, None
    stamp_lines = stamps.split("\n")
    stamp_tail = stamp_lines.pop()
    out = []
    previous = None
    for line in stamp_lines:
        match = CALL.match(line)
        block = new_seq.get(match.group(1), "unknown") if match else "unknown"
        if block is None:
            continue
        if previous not in (None, "unknown", block) and kept[previous][1]:
            out.append(REPEATED)
        previous = block
        if match and match.group(1) in renumbered:
            line = f"{renumbered[match.group(1)]} {match.group(2)}{match.group(3)}"
        out.append(calls_text(line))
    if previous not in (None, "unknown") and kept[previous][1]:
        out.append(REPEATED)
    return trace_out, "\n".join(out + [stamp_tail])


# --- the record of one scenario ---

def section(title, text):
    if text is None:
        return f"== {title}: (no file)\n"
    if text and not text.endswith("\n"):
        text += "\n(no newline at the end)\n"
    return f"== {title}\n{text}"


def calls_and_records(folder, data, window):
    trace = read_bytes_text(os.path.join(folder, "sim_trace.log"))
    stamps = read_bytes_text(os.path.join(folder, "sim_stamps.log"))
    if window:
        trace, stamps = window_calls(trace, stamps)
    else:
        trace = None if trace is None else calls_text(trace)
        stamps = None if stamps is None else calls_text(stamps)
    log = read_bytes_text(os.path.join(data, "updater.log"))
    history = read_bytes_text(os.path.join(data, "history.jsonl"))
    return (section("simulator trace sim_trace.log", trace) + section("simulator stamps sim_stamps.log", stamps) +
            section("run log updater.log", None if log is None else log_text(log)) +
            section("run history history.jsonl", None if history is None else history_text(history)))


# --- the console program ---

def run_cli(command, folder, env, operation, json, extra):
    """Runs one command; for the swap, on a pseudo-terminal that is answered
    once the device file has been rewritten under the question."""
    # update asks first unless told --yes; the swap is made while it asks.
    asks = operation == "update" and extra == "swap"
    args = (["--json"] if json else []) + [operation] + (["--yes"] if operation == "update" and not asks else [])
    args.append(FIRMWARE)
    out_path, err_path = os.path.join(folder, "stdout.txt"), os.path.join(folder, "stderr.txt")
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        if not asks:
            process = subprocess.Popen(command + args, cwd=folder, env=env, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=err)
            try:
                process.wait(timeout=300)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        else:
            master, terminal = pty.openpty()
            try:
                process = subprocess.Popen(command + args, cwd=folder, env=env, stdin=terminal, stdout=out, stderr=err)
                os.close(terminal)
                terminal = None
                asked = gui.wait_until(lambda: "[y/N]" in (read_bytes_text(err_path) or ""), 60, 0.1)
                if asked:
                    plug(folder, RX71_HEADSET)
                    os.write(master, b"y\r")
                deadline = time.time() + 300
                while process.poll() is None and time.time() < deadline:
                    ready, _, _ = select.select([master], [], [], 0.2)
                    if ready:
                        try:
                            os.read(master, 4096)  # the terminal's echo
                        except OSError:
                            pass
                if process.poll() is None:
                    process.kill()
                process.wait()
            finally:
                if terminal is not None:
                    os.close(terminal)
                os.close(master)
    return (section("exit code", f"{process.returncode}\n") +
            section("standard output", output_text(read_bytes_text(out_path))) +
            section("standard error", output_text(read_bytes_text(err_path))))


def cli_scenario(dist, run, json, wine):
    operation, device, extra = RUNS[run]
    folder = copy_dist(dist)
    try:
        lay_out_folder(folder, device, extra)
        env = dict(BASE_ENV)
        if wine:
            command = [gui.WINE_RUN, "veltrane-cli.exe"]
            env.pop("DISPLAY", None)  # a console program: no display to outlive
            env["WINEPREFIX"] = CLI_PREFIX
            env["VELTRANE_DEVICE_LOCK"] = f"VELTRANE-REFERENCE-CLI-{os.getpid()}"
            data = os.path.join(CLI_PREFIX, "drive_c", "users", getpass.getuser(), "AppData", "Local",
                                "Veltrane Updater")
            shutil.rmtree(data, ignore_errors=True)
        else:
            command = [os.path.join(folder, "veltrane-cli")]
            env["XDG_STATE_HOME"] = os.path.join(folder, "state")
            env["VELTRANE_DEVICE_LOCK"] = os.path.join(folder, "devices.lock")
            data = os.path.join(folder, "state", "veltrane-updater")
        console = run_cli(command, folder, env, operation, json, extra)
        return calls_and_records(folder, data, window=False) + console
    finally:
        shutil.rmtree(folder, ignore_errors=True)


# --- the window ---

def window_pixels(app, name, shots):
    """The window's region of the screen, once two looks a moment apart agree:
    its size and the MD5 of its RGB pixels."""
    left, top, width, height = app.geometry()
    crop = ["-crop", f"{width}x{height}+{left}+{top}", "+repage"]
    previous = None
    for _ in range(20):
        shot = app.screenshot(os.path.join(app.folder, name + ".png"))
        pixels = subprocess.run(["convert", shot, *crop, "-depth", "8", "rgb:-"], capture_output=True).stdout
        digest = hashlib.md5(pixels).hexdigest()
        if digest == previous:
            break
        previous = digest
        time.sleep(0.5)
    if shots:
        gui.run(["convert", shot, *crop, os.path.join(shots, name + ".png")])
    return f"{width}x{height} md5 {previous}\n"


def choose_the_file(app):
    app.click(*layout.centre("firmware_box"))
    if app.dialog("Choose a Firmware") is None:
        raise RuntimeError("the selection dialog did not open")
    app.keys("Down", "Tab", "space")
    if not gui.wait_until(lambda: app.dialog("Choose a Firmware", timeout=0.2) is None, 10):
        raise RuntimeError("the selection dialog did not close")


def window_scenario(dist, run, shots):
    operation, device, extra = RUNS[run]
    data = gui.data_folder()
    shutil.rmtree(data, ignore_errors=True)
    app = gui.Updater(dist, devices=(device,))
    try:
        lay_out_folder(app.folder, device, extra)
        app.start()
        if app.find_window() is None:
            raise RuntimeError("the window did not show")
        time.sleep(1)
        app.click(*layout.centre("continue"))
        if not gui.wait_until(lambda: version_replies(app.folder), 10):
            raise RuntimeError("the headset was not found")
        time.sleep(1)
        choose_the_file(app)
        if extra == "swap":
            plug(app.folder, RX71_HEADSET)
            if not gui.wait_until(lambda: RX71_REPLY_HEX in version_replies(app.folder)[-1], 10):
                raise RuntimeError("the RX71 headset was not listed")
        time.sleep(1)
        found = window_pixels(app, f"window_{run}_found", shots)
        app.click(*layout.centre(operation))
        history = os.path.join(data, "history.jsonl")
        touches = extra not in ("swap", "no_number_on_line_17")
        if not gui.wait_until(lambda: os.path.exists(history) and (not touches or gui.runs_finished(app.trace())),
                              180, 0.5):
            raise RuntimeError("the run did not end")
        time.sleep(1.5)
        result = window_pixels(app, f"window_{run}_result", shots)
        app.click(*layout.centre("close_glyph"))
        try:
            code, _ = app.wait_exit(30)
        except subprocess.TimeoutExpired:
            code = "did not end within 30 s"
        out = read_bytes_text(os.path.join(app.folder, "stdout.txt"))
        return (calls_and_records(app.folder, data, window=True) + section("exit code", f"{code}\n") +
                section("standard output", out) + section("window: found screen before the run", found) +
                section("window: result screen", result))
    finally:
        app.cleanup()


# --- running them ---

def scenario_names(windows, host):
    names = []
    if windows:
        names += [f"window_{run}" for run in RUNS]
    for tree, dist in (("exe", windows), ("host", host)):
        if dist:
            names += [f"cli_{tree}_update_64"] + [f"cli_{tree}_{run}_json" for run in RUNS]
    return names


class Runner:
    def __init__(self, windows, host, only, shots):
        self.windows, self.host, self.shots = windows, host, shots
        self.names = [n for n in scenario_names(windows, host) if not only or re.search(only, n)]
        self.results = {}
        self.lock = threading.Lock()

    def one(self, name, action):
        start = time.time()
        try:
            text = action()
        except Exception as error:  # noqa: BLE001 - the record says what went wrong
            text = f"{INCOMPLETE}{error}\n"
        with self.lock:
            self.results[name] = text
            print(f"  {name:32s} {time.time() - start:6.1f} s", flush=True)

    def cli(self, name, dist, wine):
        rest = name.split("_", 2)[2]
        json = rest.endswith("_json")
        run = rest[:-5] if json else rest
        self.one(name, lambda: cli_scenario(dist, run, json, wine))

    def window_lane(self):
        names = [n for n in self.names if n.startswith("window_")]
        if not names:
            return
        gui.GUI_PREFIX = WINDOW_PREFIX
        os.environ["VELTRANE_DEVICE_LOCK"] = f"VELTRANE-REFERENCE-{os.getpid()}"
        with gui.VirtualDisplay():
            try:
                for name in names:
                    self.one(name, lambda: window_scenario(self.windows, name[len("window_"):], self.shots))
            finally:
                # The prefix's server would outlive the display it is bound to.
                gui.run_wine(["wineserver", "-k"])

    def cli_exe_lane(self):
        names = [n for n in self.names if n.startswith("cli_exe_")]
        try:
            for name in names:
                self.cli(name, self.windows, wine=True)
        finally:
            if names:
                subprocess.run(["wineserver", "-k"], env=dict(BASE_ENV, WINEPREFIX=CLI_PREFIX),
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def host_lane(self):
        names = [n for n in self.names if n.startswith("cli_host_")]
        # Each in a folder, data folder and lock of its own: they can run side by side.
        with concurrent.futures.ThreadPoolExecutor(max_workers=len(names) or 1) as pool:
            for future in [pool.submit(self.cli, name, self.host, False) for name in names]:
                future.result()

    def run(self):
        start = time.time()
        lanes = [threading.Thread(target=lane) for lane in (self.window_lane, self.cli_exe_lane, self.host_lane)]
        for lane in lanes:
            lane.start()
        for lane in lanes:
            lane.join()
        print(f"  {len(self.results)} scenarios in {time.time() - start:.1f} s", flush=True)
        return self.results


def write(folder, results):
    os.makedirs(folder, exist_ok=True)
    for name, text in results.items():
        with open(os.path.join(folder, name + ".txt"), "w", encoding="utf-8", errors="surrogateescape",
                  newline="") as f:
            f.write(text)


def compare(expected_folder, results, actual_folder):
    differences = 0
    for name in sorted(results):
        path = os.path.join(expected_folder, name + ".txt")
        expected = read_bytes_text(path)
        if expected is None:
            print(f"{name}: no reference in {expected_folder}")
            differences += 1
            continue
        if expected == results[name]:
            continue
        differences += 1
        sys.stdout.writelines(difflib.unified_diff(expected.splitlines(keepends=True),
                                                   results[name].splitlines(keepends=True),
                                                   f"expected/{name}.txt", f"actual/{name}.txt"))
    if differences:
        print(f"{differences} of {len(results)} scenarios differ; this run's records are in {actual_folder}")
        return 1
    print(f"all {len(results)} scenarios match the references")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=("record", "compare"))
    parser.add_argument("folder", nargs="?", help="record: where to write; compare: the references")
    parser.add_argument("--windows", help="a Windows distribution folder")
    parser.add_argument("--host", help="a native distribution folder")
    parser.add_argument("--only", help="only the scenarios whose names match this regular expression")
    parser.add_argument("--keep", action="store_true", help="compare: keep this run's records and window screens")
    options = parser.parse_intermixed_args()
    if not options.windows and not options.host:
        parser.error("give --windows, --host or both")
    if options.mode == "record" and not options.folder:
        parser.error("record needs the folder to write to")
    windows = os.path.abspath(options.windows) if options.windows else None
    host = os.path.abspath(options.host) if options.host else None
    if options.mode == "record":
        results = Runner(windows, host, options.only, None).run()
        broken = sorted(name for name, text in results.items() if text.startswith(INCOMPLETE))
        if broken:
            print("not recorded, as these did not complete: " + ", ".join(broken))
            return 1
        write(options.folder, results)
        print(f"wrote {len(results)} records to {options.folder}")
        return 0
    actual = tempfile.mkdtemp(prefix="veltrane-reference-actual-")
    shots = os.path.join(actual, "screens")
    os.makedirs(shots)
    results = Runner(windows, host, options.only, shots).run()
    write(actual, results)
    code = compare(options.folder or EXPECTED, results, actual)
    if code == 0 and not options.keep:
        shutil.rmtree(actual, ignore_errors=True)
    elif code == 0:
        print(f"this run's records and window screens are in {actual}")
    return code


if __name__ == "__main__":
    sys.exit(main())
