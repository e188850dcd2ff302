#!/usr/bin/env python3
"""A timed run of the whole program under Wine, not a test.

    program_bench.py <distribution folder> <folder of bare_window.exe and skin_switch_bench.exe>
                     [--idle-seconds N] [--starts N] [--runs N] [--dpi N]

Against the simulator with its trace off (only its `stamps` file, which
times the calls other than packets), in one virtual display, it reports:
start-up to a visible window and resident memory on the first screen, each
against a bare window of the same size (medians, alternating starts); idle
CPU on the no-device and one-headset screens; a 64-page headset update and
verify driven through the window, as wall time from ROM mode to the close
over the pauses mandated there, and the CPU used meanwhile, each run
followed at once by the same update through the engine alone
(update_bench.exe, no window), whose ratio is what the machine adds to a
lone pacing thread at that time; and the worst skin switch of the real window
(skin_switch_bench.exe, built with the program's own window code and
resources).
"""

import argparse
import ctypes
import os
import re
import select
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "gui"))
import updater_gui  # noqa: E402
from updater_gui import HEADSET, Updater, VirtualDisplay, run, run_wine, wait_until, WINE_RUN  # noqa: E402

import layout  # noqa: E402

# ROM mode to close: the pause after ROM mode, the one before the first
# page, 64 programmed pages (172 ms each), 64 verified pages (166 ms each),
# and the pause after the reset.
MANDATED_MS = 100 + 1 + 64 * 172 + 64 * 166 + 3000
IMAGE_NAME = "RX93_Headset_v1_6_ef.txt"
DPI = 96  # --dpi
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User and system time of a process, all its threads, in seconds."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as status:
        kib = int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))
    return kib / 1024


def wineserver_pid():
    prefix = os.environ.get("WINEPREFIX")
    for pid in run(["pgrep", "wineserver"]).stdout.split():
        try:
            with open(f"/proc/{pid}/environ", "rb") as env:
                if f"WINEPREFIX={prefix}".encode() in env.read().split(b"\0"):
                    return int(pid)
        except OSError:
            pass
    return None


def window_pid(title):
    found = run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"]).stdout.split()
    if not found:
        return None
    out = run(["xdotool", "getwindowpid", found[0]]).stdout.strip()
    return int(out) if out else None


def write_image(folder):
    """A 64-page headset image (64 KiB), the only file in the files folder."""
    files = os.path.join(folder, "files")
    for name in os.listdir(files):
        path = os.path.join(files, name)
        if os.path.isfile(path):
            os.remove(path)
    x = 12345
    lines = []
    for i in range(64 * 1024):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        lines.append(f"{(x >> 16) & 0xFF:02X}" + (" Headset_v1_6" if i == 0 else ""))
    with open(os.path.join(files, IMAGE_NAME), "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")


def wine(program, folder=None):
    """Starts a program under Wine directly: the wrapper's own checks would
    be timed too. The prefix and its services are up by then."""
    env = dict(os.environ, WINEARCH="win64", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return subprocess.Popen(["wine", program], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class BenchUpdater(Updater):
    """The program with the simulator's trace off and its stamps on (off
    while idle is measured: they would be written ten times a second)."""

    stamping = True

    def start(self):
        self.process = wine("VeltraneUpdater.exe", self.folder)
        return self

    def plug(self, *devices, extra=()):
        self.devices = devices
        lines = ["stamps stamps.log" if self.stamping else "stamps off", "memory sim_state", *extra, *devices]
        with open(os.path.join(self.folder, "sim_devices.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")

    def stamps(self):
        """The stamps so far. Read on from where the last call stopped: the
        bench shares the processors with the run it times, and reading and
        parsing the whole file fifty times a second cost the run a
        millisecond each time on the processor the program was waiting for."""
        path = os.path.join(self.folder, "stamps.log")
        if not os.path.exists(path):
            return []
        if not hasattr(self, "_stamps") or os.path.getsize(path) < self._stamps_read:
            self._stamps, self._stamps_read, self._stamps_tail = [], 0, ""
        with open(path) as f:
            f.seek(self._stamps_read)
            chunk = f.read()
        self._stamps_read += len(chunk.encode())
        # The simulator may be writing the last line as it is read.
        *lines, self._stamps_tail = (self._stamps_tail + chunk).split("\n")
        for parts in (line.split() for line in lines):
            if len(parts) == 3 and parts[2][3:].isdigit():
                self._stamps.append((parts[1], int(parts[2][3:])))
        return self._stamps

    def stamp_after(self, entry, after=0):
        for name, micros in self.stamps():
            if name == entry and micros > after:
                return micros
        return None


class MapWatch:
    """Tells when a top-level window of a given title is mapped, from the X
    server's own notice. Looking for it with xdotool every 5 ms took as much
    of the two processors as the start being timed, and the more so the
    longer that start."""

    SUBSTRUCTURE_NOTIFY = 1 << 19
    MAP_NOTIFY = 19
    WINDOW_AT = 40  # XMapEvent.window, on a 64-bit system

    def __init__(self):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XPending.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x = x
        self.display = x.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("no X display")
        x.XSelectInput(self.display, x.XDefaultRootWindow(self.display), self.SUBSTRUCTURE_NOTIFY)
        x.XSync(self.display, 1)  # forget what came before

    def close(self):
        self.x.XCloseDisplay(self.display)

    def title_of(self, window):
        name = ctypes.c_char_p()
        if not self.x.XFetchName(self.display, window, ctypes.byref(name)) or name.value is None:
            return None
        return name.value.decode(errors="replace")

    def wait_for(self, title, deadline):
        """The monotonic time at which a window titled `title` was mapped."""
        event = ctypes.create_string_buffer(192)  # an XEvent
        fd = self.x.XConnectionNumber(self.display)
        while time.monotonic() < deadline:
            while self.x.XPending(self.display):
                self.x.XNextEvent(self.display, event)
                if int.from_bytes(event.raw[:4], "little") != self.MAP_NOTIFY:
                    continue
                mapped = time.monotonic()
                window = int.from_bytes(event.raw[self.WINDOW_AT:self.WINDOW_AT + 8], "little")
                if self.title_of(window) == title:
                    return mapped
            select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
        return None


def time_to_window(start, title):
    """Seconds from the start of a program to its window on the screen, and its pid."""
    watch = MapWatch()
    try:
        began = time.monotonic()
        process = start()
        mapped = watch.wait_for(title, began + 60)
    finally:
        watch.close()
    if mapped is None:
        raise RuntimeError(f"{title}: no window")
    if not wait_until(lambda: window_pid(title) is not None, 10, 0.05):
        raise RuntimeError(f"{title}: no process for the window")
    pid = window_pid(title)
    return mapped - began, pid, process


def measure_starts(dist, bare, starts):
    updater_times, bare_times, updater_rss, bare_rss = [], [], [], []
    # One working folder for every start, written out to disk before the
    # first: copying the 27 MB program must not be timed with it. Wine ends
    # its desktop process when the last program ends and starts it again
    # with the next (over a second); a program kept open meanwhile keeps the
    # desktop up, as it always is on Windows.
    app = BenchUpdater(dist, devices=())
    os.sync()
    keeper = wine("notepad.exe")
    time.sleep(3)
    try:
        for _ in range(starts):
            seconds, pid, process = time_to_window(lambda: wine(bare), "Bare Window")
            time.sleep(1.5)
            bare_times.append(seconds)
            bare_rss.append(rss_mib(pid))
            process.kill()
            process.wait()
            run(["kill", str(pid)])
            time.sleep(0.5)

            seconds, pid, _ = time_to_window(app.start, "Veltrane Updater")
            time.sleep(1.5)
            updater_times.append(seconds)
            updater_rss.append(rss_mib(pid))
            app.kill()
            run(["kill", str(pid)])
            wait_until(lambda: window_pid("Veltrane Updater") is None, 10, 0.1)
            time.sleep(0.5)
    finally:
        app.cleanup()
        keeper.kill()
        keeper.wait()
    ms = lambda values: statistics.median(values) * 1000  # noqa: E731
    print(f"start-up to a visible window: {ms(updater_times):.0f} ms against {ms(bare_times):.0f} ms "
          f"for a bare window, {ms(updater_times) / ms(bare_times):.2f} x (medians of {starts})")
    print(f"  program {', '.join(f'{t * 1000:.0f}' for t in updater_times)} ms; "
          f"bare {', '.join(f'{t * 1000:.0f}' for t in bare_times)} ms")
    u, b = statistics.median(updater_rss), statistics.median(bare_rss)
    print(f"resident memory on the first screen: {u:.1f} MiB against {b:.1f} MiB, {u / b:.2f} x")


def idle_cpu(pid, server, seconds, screen):
    cpu, server_cpu, began = cpu_seconds(pid), cpu_seconds(server) if server else 0, time.monotonic()
    time.sleep(seconds)
    wall = time.monotonic() - began
    used = (cpu_seconds(pid) - cpu) / wall * 100
    server_used = (cpu_seconds(server) - server_cpu) / wall * 100 if server else float("nan")
    print(f"idle on the {screen} screen: {used:.2f} % of a core (wineserver {server_used:.2f} %) over {wall:.0f} s")


def bench_output(bench, folder, timeout):
    """What one of the benches built beside the tests prints, run under Wine
    in `folder`; None when it is missing or takes too long."""
    if not os.path.exists(bench):
        return None
    env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    try:
        return subprocess.run(["wine", bench], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                              timeout=timeout).stdout
    except subprocess.TimeoutExpired:
        return None


def measure_skin_switches(dist, bench):
    if not os.path.exists(bench):
        print("worst skin switch: not measured (no skin_switch_bench.exe)")
        return
    out = bench_output(bench, dist, 120)
    if out is None:
        print("worst skin switch: timed out")
    else:
        print(out.strip() or "worst skin switch: no figure")


def measure_engine(bench):
    """The ratio of the engine alone, the same update in-process without a
    window; None when the bench is missing or says nothing."""
    found = re.search(r"ratio (\d+\.\d+)", bench_output(bench, os.path.dirname(bench), 120) or "")
    return float(found.group(1)) if found else None


def measure_run(dist, idle_seconds):
    app = BenchUpdater(dist, devices=())
    write_image(app.folder)
    # The copies of the programs and the image go to disk now: written back
    # during the run, they would stall it at random.
    os.sync()
    try:
        app.start()
        if not app.find_window():
            raise RuntimeError("no window")
        pid = window_pid("Veltrane Updater")
        server = wineserver_pid()
        time.sleep(1)
        app.click(*layout.centre("continue", DPI))
        if not wait_until(lambda: app.stamp_after("AvDllListDevices") is not None, 10):
            raise RuntimeError("no discovery after Continue")
        app.stamping = False
        app.plug()
        time.sleep(2)
        idle_cpu(pid, server, idle_seconds, "no-device")
        app.stamping = True
        app.plug(HEADSET)
        if not wait_until(lambda: app.stamp_after("AvDllOpenDevice") is not None, 10):
            raise RuntimeError("the headset was not found")
        app.stamping = False
        app.plug(HEADSET)
        time.sleep(2)
        idle_cpu(pid, server, idle_seconds, "one-headset")
        app.stamping = True
        app.plug(HEADSET)
        time.sleep(1)

        app.click(*layout.centre("firmware_box", DPI))
        if app.dialog("Choose a Firmware") is None:
            raise RuntimeError("no selection dialog")
        app.keys("Down")
        app.keys("Tab", "space")
        time.sleep(1)
        before = app.stamps()[-1][1]
        # Under Wine the first click after the dialog may only give the
        # window the pointer back; a click while the run starts does nothing.
        for _ in range(3):
            app.click(*layout.centre("update", DPI))
            if wait_until(lambda: app.stamp_after("SerialMemEnterFlashMode", before), 3, 0.02):
                break
        else:
            app.screenshot("/tmp/perf-bench-failure.png")
            raise RuntimeError("the run did not start (screenshot /tmp/perf-bench-failure.png)")
        cpu, server_cpu, began = cpu_seconds(pid), cpu_seconds(server), time.monotonic()
        rom = app.stamp_after("SerialMemEnterFlashMode", before)
        if not wait_until(lambda: app.stamp_after("AvDllCloseHandle", rom), 600, 0.25):
            raise RuntimeError("the run did not end")
        wall = time.monotonic() - began
        used, server_used = cpu_seconds(pid) - cpu, cpu_seconds(server) - server_cpu
        close = app.stamp_after("AvDllCloseHandle", rom)
        run_ms = (close - rom) / 1000
        ratio = run_ms / MANDATED_MS
        print(f"update, ROM mode to close: {run_ms:.0f} ms over {MANDATED_MS} ms mandated, ratio {ratio:.4f}")
        print(f"CPU during the run: {used:.2f} s, {used / wall * 100:.1f} % of a core "
              f"(wineserver {server_used / wall * 100:.1f} %)")
        wait_until(lambda: app.stamp_after("AvDllListDevices", close), 15)
        return ratio
    finally:
        app.cleanup()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("dist")
    parser.add_argument("benches", help="the folder of bare_window.exe and skin_switch_bench.exe")
    parser.add_argument("--idle-seconds", type=float, default=60)
    parser.add_argument("--starts", type=int, default=5)
    parser.add_argument("--runs", type=int, default=1, help="updates, each in a new start of the program")
    parser.add_argument("--dpi", type=int, default=96, help="the display's DPI, in a Wine prefix of its own")
    args = parser.parse_args()
    global DPI
    DPI = args.dpi
    if DPI != 96:
        updater_gui.use_dpi(DPI)
    with VirtualDisplay(size="1920x1200" if DPI > 96 else "1366x768"):
        run_wine([WINE_RUN, "cmd", "/c", "exit"])  # the prefix is ready before anything is timed
        benches = os.path.abspath(args.benches)
        if args.starts > 0:
            measure_starts(os.path.abspath(args.dist), os.path.join(benches, "bare_window.exe"), args.starts)
        # The engine alone right after each update: what the machine adds
        # to a lone pacing thread at that time, beside what the window,
        # Wine's server and the X server add around it.
        ratios, engine = [], []
        for _ in range(args.runs):
            ratios.append(measure_run(os.path.abspath(args.dist), args.idle_seconds))
            engine.append(measure_engine(os.path.join(benches, "update_bench.exe")))
            if engine[-1] is not None:
                print(f"  the engine alone right after: ratio {engine[-1]:.4f}")
        if len(ratios) > 1:
            print(f"update ratio over {len(ratios)} runs: median {statistics.median(ratios):.4f} "
                  f"({', '.join(f'{r:.4f}' for r in ratios)})")
        measured = [e for e in engine if e is not None]
        if len(measured) > 1:
            print(f"  the engine alone after each: median {statistics.median(measured):.4f} "
                  f"({', '.join(f'{e:.4f}' for e in measured)})")
        measure_skin_switches(os.path.abspath(args.dist), os.path.join(benches, "skin_switch_bench.exe"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
