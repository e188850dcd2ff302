"""Drives the real Windows program under Wine in a virtual X display.

Each test gets a fresh copy of the distribution folder as the program's
working folder, so the simulator's device file, trace and memory are its own.
Pointer events are real X events (xdotool); screenshots come from ImageMagick.
"""

import getpass
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import layout

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")

HEADSET = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93"
ADAPTER = "device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93"
TITLE = "Veltrane Updater"
STARTUP_PROBLEM = "Veltrane Updater cannot start"

# The program's exit codes (app/exit_codes.h).
EXIT_NORMAL = 0
EXIT_NO_LIBRARY = 2
EXIT_OTHER_ARCHITECTURE = 4
EXIT_MISSING_ENTRY_POINT = 6
EXIT_INITIALIZE_FAILED = 7
EXIT_SHUTDOWN_STUCK = 9


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


def run_wine(args):
    """Wine commands leave daemons (wineserver, services) that would hold a
    captured pipe open for ever, so their output goes nowhere."""
    return subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


CACHE = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
# Each test program's own, so that window tests run side by side.
GUI_PREFIX = os.path.join(CACHE, "veltrane-updater",
                          "wine-gui-" + os.path.splitext(os.path.basename(sys.argv[0]))[0])
# The display's DPI for Wine (its LogPixels setting); None leaves Wine's 96.
GUI_DPI = None


def use_dpi(dpi):
    """The window tests from here on run in a Wine prefix of their own whose
    display has `dpi` pixels an inch (Wine reads it once, at its start)."""
    global GUI_PREFIX, GUI_DPI
    GUI_PREFIX = os.path.join(CACHE, "veltrane-updater", f"wine-gui-dpi{dpi}")
    GUI_DPI = dpi


def wine_user_folder(name):
    """A folder of the Wine user's profile in the GUI prefix: "AppData/Local", "Documents"."""
    return os.path.join(GUI_PREFIX, "drive_c", "users", getpass.getuser(), *name.split("/"))


def documents_folder():
    """The Wine user's Documents, made a folder of the prefix: Wine links it
    to the home folder, where a test must not leave its files."""
    documents = wine_user_folder("Documents")
    if os.path.islink(documents):
        os.remove(documents)
    os.makedirs(documents, exist_ok=True)
    return documents


def data_folder():
    """Where the program keeps its run log and history."""
    return os.path.join(wine_user_folder("AppData/Local"), "Veltrane Updater")


def prepare_wine(prefix=None):
    """A Wine prefix of its own for the window tests, made while the display
    is up (Wine takes the desktop size from the display it first meets), and
    drawing dialog captions itself, as there is no window manager."""
    prefix = prefix or GUI_PREFIX
    os.environ["WINEPREFIX"] = prefix
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        run_wine([WINE_RUN, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f"])
        if GUI_DPI:
            run_wine([WINE_RUN, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                      "/d", str(GUI_DPI), "/f"])
            # Read when Wine starts: the prefix's server starts afresh.
            run_wine(["wineserver", "-k"])
            run_wine(["wineserver", "-w"])
    run_wine(["wineserver", "-p", "120"])


class VirtualDisplay:
    """An Xvfb display, 1366 x 768 unless told, for the length of a test module.
    Xvfb picks a free number itself, so tests side by side never share one."""

    def __init__(self, prefix=None, size="1366x768"):
        self.prefix = prefix
        self.size = size
        self.process = None

    def __enter__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{self.size}x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as told:
            number = told.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number
        self.wine_prefix = self.prefix or GUI_PREFIX
        prepare_wine(self.wine_prefix)
        return self

    def __exit__(self, *exc):
        # Wine's desktop lives on this display: a server kept past it would
        # meet the prefix's next test with a desktop whose display is gone.
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=self.wine_prefix),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.process:
            self.process.terminate()
            self.process.wait()


class Updater:
    """One run of VeltraneUpdater.exe in its own working folder."""

    SIMULATOR = "simulator"
    PROGRAM = "VeltraneUpdater.exe"

    def __init__(self, dist, devices=(HEADSET,), library=SIMULATOR):
        """`library`: the simulator of the distribution folder, another
        hostapi_vmi.dll to use instead, or None for none at all."""
        self.folder = tempfile.mkdtemp(prefix="veltrane-gui-")
        shutil.copytree(dist, self.folder, dirs_exist_ok=True,
                        ignore=shutil.ignore_patterns("sim_trace.log", "sim_state"))
        target = os.path.join(self.folder, "hostapi_vmi.dll")
        if library is None:
            os.remove(target)
        elif library != Updater.SIMULATOR:
            shutil.copy(library, target)
        self.plug(*devices)
        self.process = None
        self.window_id = None

    # --- the simulated devices ---

    def plug(self, *devices, extra=()):
        lines = ["trace sim_trace.log", "memory sim_state", *extra, *devices]
        with open(os.path.join(self.folder, "sim_devices.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")

    def trace(self):
        path = os.path.join(self.folder, "sim_trace.log")
        if not os.path.exists(path):
            return ""
        with open(path) as trace:
            return trace.read()

    def reported_versions(self):
        """The version texts the devices answered with, in trace order."""
        replies = re.findall(r"commandSendAndGetResponse handle=\S+ request=FD040700\S* response=(\S+)", self.trace())
        return [bytes.fromhex(r)[7:10].decode("latin-1") for r in replies]

    # --- the process ---

    def start(self):
        self.output = open(os.path.join(self.folder, "stdout.txt"), "w")
        self.process = subprocess.Popen([WINE_RUN, self.PROGRAM], cwd=self.folder, stdin=subprocess.DEVNULL,
                                        stdout=self.output, stderr=subprocess.DEVNULL)
        return self

    def wait_exit(self, timeout=30):
        """The exit code and what the program wrote to standard output."""
        self.process.wait(timeout=timeout)
        self.output.close()
        with open(os.path.join(self.folder, "stdout.txt")) as out:
            return self.process.returncode, out.read()

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def cleanup(self):
        self.kill()
        if getattr(self, "output", None):
            self.output.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    # --- the window ---

    def find_window(self, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"]).stdout.split()
            if found:
                self.window_id = found[0]
                return self.window_id
            if self.process and self.process.poll() is not None:
                return None
            time.sleep(0.2)
        return None

    def loaded_libraries(self):
        """The file names of the libraries mapped into the window's process."""
        pid = run(["xdotool", "getwindowpid", self.window_id]).stdout.strip()
        names = set()
        with open(f"/proc/{pid}/maps") as maps:
            for line in maps:
                fields = line.split(maxsplit=5)  # the sixth, when there is one, is the file
                if len(fields) == 6:
                    names.add(os.path.basename(fields[5].strip()).lower())
        return names

    def geometry(self):
        out = run(["xdotool", "getwindowgeometry", "--shell", self.window_id]).stdout
        values = dict(line.split("=") for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, x, y):
        left, top, _, _ = self.geometry()
        run(["xdotool", "mousemove", str(left + x), str(top + y), "click", "1"])
        time.sleep(0.3)

    def drag(self, x, y, dx, dy, steps=10):
        """Drags from (x, y) in the window by (dx, dy) in small steps, each once
        the window has followed the last: during a drag the window holds the
        pointer inside its band where the window stands, so steps that came
        together before it moved (a busy machine) could run past the band's
        edge and be held short, as a hand too fast would be.

        A step the window has not followed within 2 s goes on from a fresh
        press where the window stands, as a person would, and says so. (Most
        such steps came from the window taking its grab from the pointer's
        position when the press was handled, not from the press: a pointer
        already one step on left the window a step behind for the drag.)"""
        left, top, _, _ = self.geometry()
        run(["xdotool", "mousemove", str(left + x), str(top + y), "mousedown", "1"])
        for step in range(1, steps + 1):
            to = (left + dx * step // steps, top + dy * step // steps)
            run(["xdotool", "mousemove", str(to[0] + x), str(to[1] + y)])
            if wait_until(lambda: self.geometry()[:2] == to, 2, 0.02):
                continue
            here = self.geometry()[:2]
            print(f"  (the drag was let go at {here}; pressed again there)")
            run(["xdotool", "mouseup", "1", "mousemove", str(here[0] + x), str(here[1] + y), "mousedown", "1",
                 "mousemove", str(to[0] + x), str(to[1] + y)])
            wait_until(lambda: self.geometry()[:2] == to, 5, 0.02)
        run(["xdotool", "mouseup", "1"])
        time.sleep(0.3)

    def keys(self, *names):
        run(["xdotool", "key", *names])
        time.sleep(0.3)

    # --- the usual way through ---

    def start_until_found(self):
        """Starts the window, presses Continue and waits until the devices
        answered with version 1_0; False when the window or the version
        never came."""
        self.start()
        if self.find_window() is None:
            return False
        time.sleep(1)
        self.click(*layout.centre("continue"))
        found = wait_until(lambda: "1_0" in self.reported_versions(), 10)
        time.sleep(1)
        return found

    def choose_first_file(self):
        """Opens the selection dialog and selects its first row; False when
        the dialog did not open or did not close."""
        self.click(*layout.centre("firmware_box"))
        if self.dialog("Choose a Firmware") is None:
            return False
        self.keys("Down", "Tab", "space")
        return wait_until(lambda: self.dialog("Choose a Firmware", timeout=0.2) is None, 10)

    def dialog(self, title, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"]).stdout.split()
            if found:
                return found[0]
            time.sleep(0.2)
        return None

    def dismiss(self, window_id):
        """Clicks the OK button of a message box: centred, near its bottom
        edge. (Without a window manager the box does not take the keyboard.)"""
        out = run(["xdotool", "getwindowgeometry", "--shell", window_id]).stdout
        values = dict(line.split("=") for line in out.split() if "=" in line)
        x = int(values["X"]) + int(values["WIDTH"]) // 2
        y = int(values["Y"]) + int(values["HEIGHT"]) - 24
        run(["xdotool", "mousemove", str(x), str(y), "click", "1"])
        time.sleep(0.3)

    def screenshot(self, path):
        run(["import", "-window", "root", path])
        return path

    def numbered_screenshot(self, folder, number, name):
        """A screenshot named by its place in a walk through the screens."""
        path = os.path.join(folder, f"{number:02d}_{name}.png")
        self.screenshot(path)
        print(f"  screenshot {path}")
        return path

    def pixel(self, path, x, y):
        """The colour at window pixel (x, y) of a screenshot, as (r, g, b)."""
        left, top, _, _ = self.geometry()
        out = run(["convert", path, "-format", f"%[pixel:p{{{left + x},{top + y}}}]", "info:"]).stdout
        numbers = [int(float(n)) for n in re.findall(r"[\d.]+", out)[:3]]
        return tuple(numbers)


def brightest(updater, path, rect):
    """The brightest grey (0 to 1) within window rectangle (x, y, w, h) of a screenshot."""
    left, top, _, _ = updater.geometry()
    x, y, w, h = rect
    out = run(["convert", path, "-crop", f"{w}x{h}+{left + x}+{top + y}", "-colorspace", "Gray",
               "-format", "%[fx:maxima]", "info:"]).stdout
    return float(out or 0)


def differing_pixels(updater, path, picture, outside=None):
    """How many pixels of the window in a screenshot differ from `picture`;
    with `outside` (x, y, w, h), only those outside that window rectangle."""
    left, top, width, height = updater.geometry()
    crop = path + ".window.png"
    run(["convert", path, "-crop", f"{width}x{height}+{left}+{top}", "+repage", crop])
    if outside:
        x, y, w, h = outside
        box = ["-fill", "black", "-draw", f"rectangle {x},{y} {x + w - 1},{y + h - 1}"]
        masked = path + ".picture.png"
        run(["convert", crop, *box, crop])
        run(["convert", picture, *box, masked])
        picture = masked
    out = run(["compare", "-metric", "AE", crop, picture, "null:"]).stderr
    return int(float(out.split()[0])) if out else -1


def wait_until(predicate, timeout=30, step=0.2):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return predicate()


def count(text, pattern):
    return len(re.findall(pattern, text))


def runs_finished(trace):
    """Operations whose result the worker has drawn: after each run's reset
    the worker lists and queries the device once more before drawing."""
    done = 0
    for part in trace.split(" systemReset ")[1:]:
        listing = part.find("AvDllListDevices")
        if listing >= 0 and part.find("AvDllCloseHandle", listing) >= 0:
            done += 1
    return done
