"""Runs the built program from outside, as a user's desktop would: its own HOME and XDG folders, its own
session bus, offscreen. Shared by the black-box tests."""
import os
import plistlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

BUILD = os.environ.get("VRDX_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "build"))
PROGRAM = os.path.join(BUILD, "vrdx")
APP_ID = "org.vrdx.VRDX"
PATH = "/org/vrdx/VRDX"


def in_private_bus():
    """Re-runs this script inside dbus-run-session once, so tests never share the program's bus name."""
    if os.environ.get("VRDX_PRIVATE_BUS") != "1":
        env = dict(os.environ, VRDX_PRIVATE_BUS="1")
        sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env))


class Home:
    """A fresh home with XDG folders; removed at the end."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="vrdx-home-")
        self.data = os.path.join(self.root, "data")
        self.config = os.path.join(self.root, "config")
        for d in (self.data, self.config):
            os.makedirs(d)

    def env(self):
        return dict(os.environ, HOME=self.root, XDG_DATA_HOME=self.data, XDG_CONFIG_HOME=self.config,
                    XDG_RUNTIME_DIR=self.root, QT_QPA_PLATFORM="offscreen")

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class XServer:
    """A private Xvfb for tests that look at real windows or at URLs opened the desktop's way; display is its
    name, ":N". Xvfb picks a free number itself, so that tests running side by side never race for one."""

    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:  # written once the server accepts clients
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def env(self):
        return {"QT_QPA_PLATFORM": "xcb", "DISPLAY": self.display}

    def window_tree(self):
        return subprocess.run(["xwininfo", "-root", "-tree", "-display", self.display], capture_output=True,
                              text=True).stdout

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def gdbus(*args, timeout=10):
    return subprocess.run(["gdbus", "call", "--session"] + list(args), capture_output=True, text=True,
                          timeout=timeout)


def name_owned():
    r = gdbus("--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus", "--method",
              "org.freedesktop.DBus.NameHasOwner", APP_ID)
    return "true" in r.stdout


def start(home, *files):
    proc = subprocess.Popen([PROGRAM] + list(files), env=home.env(), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    deadline = time.time() + 20
    while not name_owned():
        if proc.poll() is not None or time.time() > deadline:
            raise AssertionError("vrdx did not claim its bus name: " + proc.stderr.read())
        time.sleep(0.05)
    return proc


def stop(proc, how=signal.SIGTERM, timeout=20):
    if how == "quit":
        r = gdbus("--dest", APP_ID, "--object-path", PATH, "--method",
                  "org.freedesktop.Application.ActivateAction", "quit", "[]", "{}")
        assert r.returncode == 0, r.stderr
    else:
        proc.send_signal(how)
    return proc.wait(timeout=timeout)


def launch_and_quit(home, check):
    """One launch and quit with time for start-up to open its windows; the preferences it left."""
    proc = start(home)
    time.sleep(1)
    status = stop(proc)
    check("exit status 0", status == 0, f"got {status}")
    with open(os.path.join(home.config, "VRDX", "VRDX.plist"), "rb") as f:
        return plistlib.load(f)


class Checks:
    """Counts checks and prints the closing line CTest and CI read: "N passed, N failed"."""

    def __init__(self):
        self.passed = self.failed = 0

    def __call__(self, name, condition, detail=""):
        if condition:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL:", name, detail)

    def finish(self):
        print(f"{self.passed} passed, {self.failed} failed")
        raise SystemExit(1 if self.failed or not self.passed else 0)
