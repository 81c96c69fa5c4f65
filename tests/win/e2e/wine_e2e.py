#!/usr/bin/env python3
"""Quillo.exe under wine as a user meets it: started from its folder, wine's
notepad typed into with xdotool and read back from inside the Windows session
(notepad-text), the suggestion list beside notepad's caret, the tray icon and
the settings window, the Startup shortcut, and the silent installer.

One wine prefix is made for the run; each group starts its own Quillo on a
copy of the build's settings.ini and snippets.mdb. The X display is the one
in DISPLAY (the test run's private one), or one of its own when none is set.
Screenshots go to QUILLO_E2E_OUTPUT.
"""
import getpass
import glob
import os
import shutil
import subprocess
import tempfile
import time
import unittest

BIN = os.environ.get("QUILLO_WIN_BIN", "")
BUILD = os.environ.get("QUILLO_WIN_BUILD", "")
HELPER = os.environ.get("QUILLO_NOTEPAD_TEXT", "")
OUTPUT = os.environ.get("QUILLO_E2E_OUTPUT") or tempfile.mkdtemp(prefix="wine-e2e-output-")

# Bounds on waits for a loaded machine; nothing asserts how long a step took.
WAIT_S = 30
POLL_S = 0.1
HELPER_TIMEOUT_MS = 20000
# xdotool's pause between keys: a quick typist; the burst types the keys
# after the trigger before the expansion can have ended.
TYPE_DELAY_MS = 20
BURST_DELAY_MS = 1
# The parked suggestion list: off every screen, this wide.
LIST_WIDTH_PX = 244
PARKED_PX = -1333
# The list may lie off the caret by the rounding of twips.
CARET_SLACK_PX = 2
# An empty tray is one or two flat colours; an icon brings many.
ICON_MIN_COLOURS = 8
SAMPLE_ABBREVIATION, SAMPLE_CONTENT = "sig", "Best regards"

session = {}


def env():
    return session["env"]


def run(args, check=True, timeout=WAIT_S):
    # Output through files, not pipes: wine's own processes, started by the
    # first program of a session, inherit them and would hold a pipe open.
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        code = subprocess.run(args, env=env(), stdout=out, stderr=err, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(args, code, out.read(), err.read())
    if check and result.returncode != 0:
        raise AssertionError("%s failed (%d): %s%s" % (" ".join(args), result.returncode, result.stdout,
                                                        result.stderr))
    return result


def wait_until(condition, what, timeout=WAIT_S):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(POLL_S)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def quillo(*args, exe=None, check=False):
    return run(["wine", exe or os.path.join(BIN, "Quillo.exe"), *args], check=check)


def notepad_text(*args):
    return run(["wine", HELPER, "--timeout-ms", str(HELPER_TIMEOUT_MS), *args], check=False,
               timeout=HELPER_TIMEOUT_MS / 1000 + WAIT_S)


def xdotool(*args, check=True):
    return run(["xdotool", *args], check=check).stdout.strip()


def screenshot(name):
    path = os.path.join(OUTPUT, name)
    run(["import", "-window", "root", path])
    return path


def windows_named(pattern, visible=False):
    found = run(["xdotool", "search", *(["--onlyvisible"] if visible else []), "--name", pattern], check=False)
    return found.stdout.split()


def geometry(window):
    """(x, y, width, height) of an X window, or None once it is gone."""
    result = run(["xdotool", "getwindowgeometry", "--shell", window], check=False)
    if result.returncode != 0:
        return None
    values = dict(line.split("=", 1) for line in result.stdout.split() if "=" in line)
    return tuple(int(values[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))


def user_folder():
    return os.path.join(session["prefix"], "drive_c", "users", getpass.getuser())


def start_menu_programs():
    return os.path.join(user_folder(), "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")


def startup_folder():
    programs = start_menu_programs()
    names = [name for name in os.listdir(programs) if name.lower() == "startup"] if os.path.isdir(programs) else []
    return os.path.join(programs, names[0] if names else "Startup")


def start_own_display():
    number = 190
    while os.path.exists("/tmp/.X11-unix/X%d" % number) or os.path.exists("/tmp/.X%d-lock" % number):
        number += 1
    display = ":%d" % number
    session["env"]["DISPLAY"] = display
    session["own"] = [subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
    wait_until(lambda: run(["xdotool", "getmouselocation"], check=False).returncode == 0, "the X server")
    session["own"].append(subprocess.Popen(["openbox"], env=env(), stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))


def setUpModule():
    if not (BIN and HELPER and os.path.exists(os.path.join(BIN, "Quillo.exe"))):
        raise unittest.SkipTest("QUILLO_WIN_BIN and QUILLO_NOTEPAD_TEXT must name the Windows build")
    root = tempfile.mkdtemp(prefix="quillo-wine-e2e-")
    os.makedirs(OUTPUT, exist_ok=True)
    home = os.path.join(root, "home")
    os.makedirs(home)
    session.update(root=root, prefix=os.path.join(root, "prefix"), own=[])
    # The recycle bin of wine is the Linux user's trash: a home of the run's own.
    session["env"] = dict(os.environ, WINEPREFIX=session["prefix"], WINEDEBUG="-all", HOME=home,
                          XDG_DATA_HOME=os.path.join(home, ".local", "share"), QUILLO_FIRST_RUN_NOTICE="0")
    if not session["env"].get("DISPLAY"):
        start_own_display()
    run(["wineboot", "-i"], timeout=WAIT_S * 4)


def tearDownModule():
    if "env" not in session:
        return
    run(["wineserver", "-k"], check=False)
    for process in session["own"]:
        process.terminate()
        process.wait()
    shutil.rmtree(session["root"], ignore_errors=True)


class RunningQuillo:
    """Quillo.exe started on a program folder of its own, as a user starts it."""

    def __init__(self, name):
        self.folder = os.path.join(session["root"], name)
        os.makedirs(self.folder)
        for file in ("settings.ini", "snippets.mdb"):
            shutil.copy(os.path.join(BIN, file), self.folder)
        self.log = open(os.path.join(OUTPUT, name + ".log"), "w")
        self.process = subprocess.Popen(["wine", os.path.join(BIN, "Quillo.exe"), "--home",
                                         windows_path(self.folder)], env=env(), stdout=self.log,
                                        stderr=subprocess.STDOUT)
        wait_until(lambda: quillo("status").returncode == 0, "Quillo to answer")

    def settings_path(self):
        return os.path.join(self.folder, "settings.ini")

    def set_option(self, key, value):
        path = self.settings_path()
        with open(path) as file:
            lines = file.read().splitlines()
        lines = [key + "=" + value if line.startswith(key + "=") else line for line in lines]
        # As an editor saves: a new file put in place.
        with open(path + ".new", "w") as file:
            file.write("\n".join(lines) + "\n")
        os.replace(path + ".new", path)

    def stop(self):
        quillo("exit")
        self.process.wait(WAIT_S)
        self.log.close()


class ExpansionInNotepad(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.quillo = RunningQuillo("expansion")
        cls.notepad = subprocess.Popen(["wine", "notepad"], env=env(), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        cls.window = wait_until(lambda: windows_named("Notepad$", visible=True), "notepad's window")[0]

    @classmethod
    def tearDownClass(cls):
        cls.quillo.stop()
        cls.notepad.terminate()
        cls.notepad.wait(WAIT_S)

    def setUp(self):
        xdotool("windowactivate", "--sync", self.window)
        self.assertEqual(notepad_text("--foreground").returncode, 0, "notepad is not in front")
        xdotool("key", "ctrl+a", "BackSpace")
        self.expect_text("")

    def expect_text(self, text):
        result = notepad_text("--wait-for", text)
        self.assertEqual(result.returncode, 0, "notepad holds %r, not %r" % (result.stdout, text))

    def test_abbreviation_and_space_become_the_content(self):
        xdotool("type", "--delay", str(TYPE_DELAY_MS), "hello %s " % SAMPLE_ABBREVIATION)
        self.expect_text("hello " + SAMPLE_CONTENT)

    def test_keys_typed_right_after_the_trigger_follow_the_content(self):
        # The Space that expands is not kept: what follows it joins the content.
        xdotool("type", "--delay", str(BURST_DELAY_MS), SAMPLE_ABBREVIATION + " xyz")
        self.expect_text(SAMPLE_CONTENT + "xyz")

    def list_geometry(self):
        for window in windows_named("^Quillo$"):
            shape = geometry(window)
            if shape and shape[2] == LIST_WIDTH_PX:
                return shape
        return None

    def test_suggestion_list_shows_beside_the_caret(self):
        self.assertEqual(self.list_geometry()[:2], (PARKED_PX, PARKED_PX), "the list is not parked")
        xdotool("type", "--delay", str(TYPE_DELAY_MS), "hi " + SAMPLE_ABBREVIATION[:2])
        self.expect_text("hi " + SAMPLE_ABBREVIATION[:2])
        caret = notepad_text("--caret")
        self.assertEqual(caret.returncode, 0, caret.stderr)
        x, y, width, height = (int(value) for value in caret.stdout.split())

        def beside_caret():
            shape = self.list_geometry()
            return shape if shape and abs(shape[0] - (x + width)) <= CARET_SLACK_PX and \
                abs(shape[1] - (y + height)) <= CARET_SLACK_PX else None

        try:
            wait_until(beside_caret, "the list below right of the caret")
        finally:
            screenshot("list-beside-caret.png")
        # The focus stayed in notepad: the rest of the word goes there and expands.
        self.assertEqual(notepad_text("--foreground").returncode, 0, "the list took the focus")
        xdotool("type", "--delay", str(TYPE_DELAY_MS), SAMPLE_ABBREVIATION[2:] + " ")
        self.expect_text("hi " + SAMPLE_CONTENT)
        wait_until(lambda: self.list_geometry()[:2] == (PARKED_PX, PARKED_PX), "the list to be parked again")


class ProgramShell(unittest.TestCase):
    def tray_shown(self):
        trays = windows_named("^Wine System Tray$", visible=True)
        return trays[0] if trays else None

    def test_tray_icon_and_settings_window_appear(self):
        running = RunningQuillo("shell")
        try:
            tray = wait_until(self.tray_shown, "wine's tray to show an icon")
            xdotool("windowraise", tray)
            picture = os.path.join(OUTPUT, "tray.png")
            run(["import", "-window", tray, picture])
            colours = int(run(["convert", picture, "-format", "%k", "info:"]).stdout)
            self.assertGreaterEqual(colours, ICON_MIN_COLOURS, "the tray shows no icon")
            screenshot("tray-desktop.png")

            self.assertEqual(quillo("settings").returncode, 0)
            window = wait_until(lambda: windows_named("^Setting$", visible=True), "the settings window")[0]
            self.assertEqual(xdotool("getwindowname", window), "Setting")
            screenshot("settings-window.png")
        finally:
            running.stop()
        # Its icon leaves with the program.
        wait_until(lambda: not self.tray_shown(), "the tray to empty")

    def test_startup_shortcut_follows_the_option(self):
        running = RunningQuillo("startup")
        shortcut = lambda: os.path.join(startup_folder(), "Quillo.lnk")
        try:
            self.assertFalse(os.path.exists(shortcut()))
            running.set_option("StartWin", "True")
            wait_until(lambda: os.path.exists(shortcut()), "Quillo.lnk in the Startup folder")
            with open(shortcut(), "rb") as file:
                target = file.read()
            self.assertTrue(b"Quillo.exe" in target or "Quillo.exe".encode("utf-16-le") in target,
                            "the shortcut does not start Quillo.exe")
            running.set_option("StartWin", "False")
            wait_until(lambda: not os.path.exists(shortcut()), "Quillo.lnk to be removed")
        finally:
            running.stop()


class Installer(unittest.TestCase):
    def test_silent_install_and_uninstall_keep_the_users_folder(self):
        setups = sorted(glob.glob(os.path.join(BUILD, "Quillo-*-setup.exe")), key=os.path.getmtime)
        if not setups:
            self.skipTest("no installer in %s: ./dev.sh windows makes it after the tests" % BUILD)
        if os.path.getmtime(setups[-1]) < os.path.getmtime(os.path.join(BIN, "Quillo.exe")):
            self.skipTest("the installer %s is older than the build: not what is tested" % setups[-1])
        local = os.path.join(user_folder(), "AppData", "Local", "Programs", "Quillo")
        roaming = os.path.join(user_folder(), "AppData", "Roaming", "Quillo")
        menu_entry = os.path.join(start_menu_programs(), "Quillo.lnk")
        run(["wine", setups[-1], "/S"], timeout=WAIT_S * 4)
        for path in (os.path.join(local, "Quillo.exe"), os.path.join(local, "Uninstall.exe"), menu_entry):
            self.assertTrue(os.path.exists(path), path)

        installed = os.path.join(local, "Quillo.exe")
        process = subprocess.Popen(["wine", installed], env=env(), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        wait_until(lambda: quillo("status", exe=installed).returncode == 0, "the installed Quillo to answer")
        self.assertTrue(os.path.exists(os.path.join(roaming, "snippets.mdb")))
        quillo("exit", exe=installed)
        process.wait(WAIT_S)

        # The uninstaller runs on from a copy of itself: its work is awaited.
        run(["wine", os.path.join(local, "Uninstall.exe"), "/S"])
        wait_until(lambda: not os.path.exists(local), "the program folder to go")
        self.assertFalse(os.path.exists(menu_entry))
        for file in ("snippets.mdb", "settings.ini"):
            self.assertTrue(os.path.exists(os.path.join(roaming, file)), "the user's %s went too" % file)


if __name__ == "__main__":
    unittest.main(verbosity=2)
