#!/usr/bin/env python3
"""The x64 MSI under Wine, as a company's IT would deploy it: a silent
install, its files and Start-menu entry, the installed program started the
way the shortcut starts it, a silent uninstall that leaves nothing of ours,
and a newer version that replaces an older one.

    msi_test.py <build folder> <cmake> <wixl> <wixl-heat> <icon>

The build folder holds the packages (packages/), the simulator (dist/), and
gets a screenshot of the installed program (msi_test/).
"""

import glob
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from updater_gui import EXIT_NORMAL, HEADSET, ROOT, TITLE, WINE_RUN, Updater, VirtualDisplay, run, run_wine  # noqa: E402

import layout  # noqa: E402
from shell_link import read_shell_link  # noqa: E402

BUILD = CMAKE = WIXL = WIXL_HEAT = ICON = None
PREFIX = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache"),
                      "veltrane-updater", "wine-msi")
INSTALL_DIR = r"C:\Program Files\Veltrane Updater"
PROGRAM = INSTALL_DIR + r"\VeltraneUpdater.exe"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# Wine puts an all-users shortcut in the user's Start menu (its ProgramMenuFolder
# ignores ALLUSERS); Windows puts it in the common one. Either will do here.
START_MENUS = [r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs",
               r"C:\users\%s\AppData\Roaming\Microsoft\Windows\Start Menu\Programs" % os.environ.get("USER", "root")]
SHORTCUT = r"Veltrane Updater\Veltrane Updater.lnk"

display = None


def unix_path(windows_path):
    assert windows_path[:3].upper() == "C:\\", windows_path
    return os.path.join(PREFIX, "drive_c", *windows_path[3:].split("\\"))


def files_under(folder):
    found = set()
    for top, _, names in os.walk(folder):
        found.update(os.path.relpath(os.path.join(top, name), folder) for name in names)
    return found


def msi_property(msi, name):
    table = run(["msiinfo", "export", msi, "Property"]).stdout
    return dict(line.split("\t", 1) for line in table.splitlines() if "\t" in line)[name]


def msi_files(msi):
    """The files the MSI installs, relative to its install folder."""
    listing = run(["msiextract", "--list", msi]).stdout.splitlines()
    return {path.split("Veltrane Updater/", 1)[1] for path in listing if path}


def msiexec(*args):
    return run_wine([WINE_RUN, "msiexec", *args, "/qn"]).returncode


def key_exists(key):
    return run_wine([WINE_RUN, "reg", "query", key]).returncode == 0


def installed_products():
    """DisplayName -> DisplayVersion of every entry in Programs and Features."""
    exported = unix_path(r"C:\uninstall.reg")
    if os.path.exists(exported):
        os.remove(exported)
    run_wine([WINE_RUN, "reg", "export", UNINSTALL_KEY, r"C:\uninstall.reg", "/y"])
    with open(exported, encoding="utf-16") as f:
        text = f.read()
    products = []
    for section in text.split("\n[")[1:]:
        values = dict(line.split("=", 1) for line in section.splitlines()[1:] if line.startswith('"'))
        if values.get('"DisplayName"') == '"Veltrane Updater"':
            products.append(values.get('"DisplayVersion"', "").strip('"'))
    return products


def shortcut_paths():
    return [path for path in (unix_path(menu + "\\" + SHORTCUT) for menu in START_MENUS) if os.path.exists(path)]


class InstalledUpdater(Updater):
    """The installed program, started in the folder the shortcut names."""

    def __init__(self, folder, program):
        self.folder = folder
        self.PROGRAM = program
        self.process = None
        self.window_id = None
        self.plug(HEADSET)

    def cleanup(self):
        self.kill()
        if getattr(self, "output", None):
            self.output.close()


def setUpModule():
    global display
    os.environ["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d"  # no menu entries on this machine
    os.environ["WINEPREFIX"] = PREFIX
    run_wine(["wineserver", "-k"])
    shutil.rmtree(PREFIX, ignore_errors=True)
    display = VirtualDisplay(prefix=PREFIX).__enter__()


def tearDownModule():
    run_wine(["wineserver", "-k"])
    display.__exit__()


class MsiTest(unittest.TestCase):
    def setUp(self):
        self.msi = glob.glob(os.path.join(BUILD, "packages", "VeltraneUpdater-*-x64.msi"))[0]
        self.version = msi_property(self.msi, "ProductVersion")
        # After a failure, the next test starts from a clean prefix too.
        self.addCleanup(shutil.rmtree, unix_path(INSTALL_DIR), True)
        self.addCleanup(msiexec, "/x", self.msi)

    def assert_nothing_of_ours_left(self, installed):
        self.assertEqual(installed_products(), [])
        self.assertFalse(key_exists(UNINSTALL_KEY + "\\" + msi_property(self.msi, "ProductCode")))
        self.assertFalse(key_exists(r"HKLM\Software\Veltrane"))
        self.assertEqual(shortcut_paths(), [])
        for menu in START_MENUS:
            self.assertFalse(os.path.exists(unix_path(menu + r"\Veltrane Updater")), "the Start-menu folder is left")
        left = files_under(unix_path(INSTALL_DIR))
        self.assertEqual(left & installed, set(), "installed files are left")

    def test_install_start_and_uninstall_leave_nothing_of_ours(self):
        self.assertEqual(msiexec("/i", self.msi), 0)
        installed = msi_files(self.msi)
        self.assertEqual(files_under(unix_path(INSTALL_DIR)), installed)
        self.assertIn("VeltraneUpdater.exe", installed)
        self.assertFalse({"VeltraneUpdater32.exe", "hostapi_vmi.dll", "README.txt"} & installed)
        self.assertEqual(installed_products(), [self.version])

        shortcuts = shortcut_paths()
        self.assertEqual(len(shortcuts), 1, "one Start-menu entry")
        link = read_shell_link(shortcuts[0])
        self.assertEqual(link["target"], PROGRAM)
        self.assertEqual(link["working_dir"].rstrip("\\"), INSTALL_DIR)

        # The vendor's library (here the simulator) goes beside the program.
        folder = unix_path(link["working_dir"].rstrip("\\"))
        shutil.copy(os.path.join(BUILD, "dist", "hostapi_vmi.dll"), folder)
        app = InstalledUpdater(folder, link["target"])
        self.addCleanup(app.cleanup)
        app.start()
        self.assertIsNotNone(app.find_window(), f"no window titled {TITLE}")
        shots = os.path.join(BUILD, "msi_test")
        os.makedirs(shots, exist_ok=True)
        app.screenshot(os.path.join(shots, "installed_program.png"))
        self.assertIn("AvDllInitialize", app.trace())
        app.click(*layout.centre("close_glyph"))
        self.assertEqual(app.wait_exit()[0], EXIT_NORMAL)

        self.assertEqual(msiexec("/x", self.msi), 0)
        self.assert_nothing_of_ours_left(installed)
        # What was put there by hand stays: the library, the simulator's files.
        self.assertIn("hostapi_vmi.dll", files_under(folder))

    def build_newer(self):
        """An MSI of the same files with only a higher version."""
        work = tempfile.mkdtemp(prefix="veltrane-msi-")
        self.addCleanup(shutil.rmtree, work, True)
        run(["msiextract", "-C", work, self.msi], check=True)
        os.rename(os.path.join(work, "Veltrane Updater"), os.path.join(work, "stage"))
        major, minor, patch = self.version.split(".")
        newer_version = f"{major}.{minor}.{int(patch) + 1}"
        newer = os.path.join(work, f"VeltraneUpdater-{newer_version}-x64.msi")
        built = run([CMAKE, "-DUPDATER_MSI_ARCH=x64", f"-DUPDATER_MSI_STAGING={work}/stage",
             f"-DUPDATER_MSI_VERSION={newer_version}", f"-DUPDATER_MSI_OUTPUT={newer}", f"-DUPDATER_MSI_ICON={ICON}",
             f"-DUPDATER_WIXL={WIXL}", f"-DUPDATER_WIXL_HEAT={WIXL_HEAT}",
             "-P", os.path.join(ROOT, "cmake", "msi_build.cmake")])
        self.assertTrue(os.path.exists(newer), built.stderr)
        self.addCleanup(msiexec, "/x", newer)
        return newer, newer_version

    def test_a_newer_version_replaces_the_older_and_is_not_downgraded(self):
        newer, newer_version = self.build_newer()
        self.assertEqual(msiexec("/i", self.msi), 0)
        self.assertEqual(installed_products(), [self.version])
        self.assertEqual(msiexec("/i", newer), 0)
        self.assertEqual(installed_products(), [newer_version])
        self.assertFalse(key_exists(UNINSTALL_KEY + "\\" + msi_property(self.msi, "ProductCode")))
        self.assertIn("VeltraneUpdater.exe", files_under(unix_path(INSTALL_DIR)))
        self.assertEqual(len(shortcut_paths()), 1)

        self.assertNotEqual(msiexec("/i", self.msi), 0, "an older version was installed over a newer one")
        self.assertEqual(installed_products(), [newer_version])

        self.assertEqual(msiexec("/x", newer), 0)
        self.assert_nothing_of_ours_left(msi_files(newer))
        self.assertFalse(os.path.exists(unix_path(INSTALL_DIR)))


if __name__ == "__main__":
    if len(sys.argv) < 6:
        print(__doc__)
        sys.exit(2)
    BUILD, CMAKE, WIXL, WIXL_HEAT, ICON = sys.argv[1:6]
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[6:])
