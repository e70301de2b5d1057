"""Runs the built program from outside, as a user's desktop would: its own HOME and XDG folders, its own
session bus, offscreen or on a private X server, with stand-ins for the programs it starts. Every outside
program comes from program(), named there literally; whatever a test starts here is ended and removed when
it exits."""
import atexit
import os
import plistlib
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("VRDX_SOURCE_DIR", os.path.join(HERE, ".."))
BUILD = os.environ.get("VRDX_BUILD_DIR", os.path.join(SOURCE, "build"))
PROGRAM = os.path.join(BUILD, "vrdx")
APP_ID = "org.vrdx.VRDX"
PATH = "/org/vrdx/VRDX"
# Stand-ins first on the program's PATH: each call adds a line with its arguments to calls/NAME.
# The sudo stand-in also keeps what it reads (the password) and ends with $FAKE_SUDO_EXIT.
FAKES = {"xdg-open": 'printf "%s\\n" "$*" >>"$FAKE_CALLS/xdg-open"\n',
         "sudo": 'printf "%s\\n" "$*" >>"$FAKE_CALLS/sudo"\ncat >>"$FAKE_CALLS/sudo.stdin"\n'
                 'exit "${FAKE_SUDO_EXIT:-0}"\n'}
_cleanups = []
atexit.register(lambda: [undo() for undo in reversed(_cleanups)])


def program(name):
    """The outside program NAME as shutil.which finds it; the test fails at once without it."""
    found = shutil.which(name)
    if not found:
        raise SystemExit(f'needs the program "{name}", which is not installed (scripts/setup installs it)')
    return found


def run(path, *args, timeout=120, **kwargs):
    """A program (from program() or the build) with args, its output captured as text."""
    return subprocess.run([path, *args], capture_output=True, text=True, timeout=timeout, **kwargs)


def run_bytes(path, *args, timeout=120):
    """A program's standard output as bytes."""
    return subprocess.run([path, *args], capture_output=True, timeout=timeout).stdout


def in_private_bus():
    """Re-runs this script inside dbus-run-session once, so tests never share the program's bus name."""
    if os.environ.get("VRDX_PRIVATE_BUS") != "1":
        env = dict(os.environ, VRDX_PRIVATE_BUS="1")
        sys.exit(subprocess.call([program("dbus-run-session"), "--", sys.executable] + sys.argv, env=env))


def wait_until(condition, timeout=30, step=0.05):
    """Polls until condition() holds or the deadline passes; its last value."""
    deadline = time.monotonic() + timeout
    while not (value := condition()) and time.monotonic() < deadline:
        time.sleep(step)
    return value


def read_plist(path):
    with open(path, "rb") as f:
        return plistlib.load(f)


def write_plist(path, value):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        plistlib.dump(value, f)


class Home:
    """A fresh home with XDG folders, where the daynote and preferences files go, and the stand-ins' logs."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="vrdx-home-")
        _cleanups.append(lambda: shutil.rmtree(self.root, ignore_errors=True))
        self.data, self.config, self.bin, self.calls = (os.path.join(self.root, d) for d in
                                                        ("data", "config", "bin", "calls"))
        self.mail = os.path.join(self.calls, "sendmail")
        for d in (self.data, self.config, self.bin, self.mail):
            os.makedirs(d)
        self.daynotes = os.path.join(self.data, "VRDX", "VRDX DayNotes")
        self.prefs = os.path.join(self.config, "VRDX", "VRDX.plist")
        for name, body in FAKES.items():
            with open(os.path.join(self.bin, name), "w") as f:
                f.write("#!/bin/sh\n" + body)
            os.chmod(f.name, 0o755)

    def env(self, **extra):
        env = dict(os.environ, HOME=self.root, XDG_DATA_HOME=self.data, XDG_CONFIG_HOME=self.config,
                   XDG_RUNTIME_DIR=self.root, QT_QPA_PLATFORM="offscreen", PATH=self.bin + ":" + os.environ["PATH"],
                   FAKE_CALLS=self.calls, VRDX_SENDMAIL=os.path.join(HERE, "fake-sendmail"),
                   FAKE_SENDMAIL_DIR=self.mail)
        env.pop("XDG_CURRENT_DESKTOP", None)  # a desktop's own opener would bypass the xdg-open stand-in
        return dict(env, **extra)

    def called(self, name):
        """The argument lines of each call of a stand-in, in order."""
        path = os.path.join(self.calls, name)
        return open(path).read().splitlines() if os.path.exists(path) else []

    def mails(self):
        """What each call of the sendmail stand-in read so far."""
        paths = [os.path.join(self.mail, d, "stdin") for d in sorted(os.listdir(self.mail))]
        return [open(p, "rb").read() for p in paths if os.path.exists(p)]


class XServer:
    """A private Xvfb for tests that look at real windows or at URLs opened the desktop's way; display is its
    name, ":N". Xvfb picks a free number itself, so that tests running side by side never race for one."""

    def __init__(self):
        read, write = os.pipe()
        proc = subprocess.Popen([program("Xvfb"), "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        _cleanups.append(lambda: (proc.terminate(), proc.wait()))
        os.close(write)
        with os.fdopen(read) as f:  # written once the server accepts clients
            self.display = ":" + f.readline().strip()
        if self.display == ":":
            raise RuntimeError("Xvfb did not start")

    def env(self):
        return {"QT_QPA_PLATFORM": "xcb", "DISPLAY": self.display}

    def xwininfo(self, *args):
        return run(program("xwininfo"), "-display", self.display, *args).stdout

    def window_tree(self):
        return self.xwininfo("-root", "-tree")

    def xdotool(self, *args):
        return run(program("xdotool"), *args, env=dict(os.environ, DISPLAY=self.display))

    def start_window_manager(self):
        """openbox on this server, as a plain desktop has one; returns once it manages the screen."""
        proc = subprocess.Popen([program("openbox")], env=dict(os.environ, DISPLAY=self.display),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _cleanups.append(lambda: (proc.terminate(), proc.wait()))
        wait_until(lambda: "_NET_SUPPORTING_WM_CHECK" in run(program("xprop"), "-display", self.display,
                                                            "-root").stdout, 30)

    def window_rect(self, title):
        """(x, y, width, height) of the content of the visible window whose title contains title, or None."""
        ids = self.xdotool("search", "--onlyvisible", "--name", title).stdout.split()
        if not ids:
            return None
        found = {}
        for line in self.xwininfo("-id", ids[0]).splitlines():
            key, _, value = line.strip().partition(":")
            found[key] = value.strip()
        return tuple(int(found[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def screen_picture(self):
        """The whole screen as the X server shows it, read the way screenshot tools read it (xwd -root)."""
        return XPicture(run_bytes(program("xwd"), "-root", "-silent", "-display", self.display))


    # --- trimb ---
    def alert_windows(self):
        """Mapped windows titled "VRD X": the program's alert boxes (the others carry a date or a clock)."""
        return sum("IsViewable" in self.xwininfo("-id", line.split()[0])
                   for line in self.window_tree().splitlines() if '"VRD X":' in line)

    def visible(self, title):
        return self.xdotool("search", "--onlyvisible", "--name", f"^{title}$").stdout.split()

    def window(self, title):
        """The visible window of that exact title once it shows, else None."""
        return wait_until(lambda: (self.visible(title) or [None])[-1], 60, 0.1)


class XPicture:
    """An xwd picture of 24-bit TrueColor pixels."""

    def __init__(self, data):
        import struct
        header = struct.unpack(">25I", data[:100])
        self.width, self.height, self.line = header[4], header[5], header[12]
        self.step = header[11] // 8  # bits per pixel
        self.pixels = data[header[0] + header[19] * 12:]

    def colours(self, rect, every=3):
        """The set of colours in the rectangle, sampled every few pixels, and the share of them that is black."""
        x0, y0, w, h = rect
        seen, black, count = set(), 0, 0
        for y in range(max(0, y0), min(self.height, y0 + h), every):
            for x in range(max(0, x0), min(self.width, x0 + w), every):
                at = y * self.line + x * self.step
                pixel = self.pixels[at:at + 3]
                seen.add(pixel)
                black += pixel == b"\0\0\0"
                count += 1
        return seen, black / max(count, 1)


# --- trimb ---
# A daynote's font and colour record as the program writes it: Geneva 11, plain, black.
STYLE = struct.pack("<12h", 0x024F, -1, 11, 1, 0, 0, 0, 0, 0, 0, 0, 0)


def gdbus(*args, timeout=10):
    """One gdbus call that waits up to timeout seconds for its answer; no answer reads as an error."""
    try:
        return run(program("gdbus"), "call", "--session", "--timeout", str(timeout), *args, timeout=timeout + 30)
    except subprocess.TimeoutExpired as e:
        return subprocess.CompletedProcess(e.cmd, -1, "", "no answer")


def action(name, timeout=10):
    return gdbus("--dest", APP_ID, "--object-path", PATH, "--method", "org.freedesktop.Application.ActivateAction",
                 name, "[]", "{}", timeout=timeout)


def open_paths(*paths):
    return gdbus("--dest", APP_ID, "--object-path", PATH, "--method", "org.freedesktop.Application.Open",
                 str(["file://" + urllib.parse.quote(p) for p in paths]), "{}")


def answers(timeout=10):
    """An unknown action refused by the main thread: its event loop runs, so start-up is over."""
    r = action("no such", timeout=timeout)
    return r.returncode != 0 and "InvalidArgs" in r.stderr and "No action named" in r.stderr


def _dbus_message(kind, serial, fields, body=b"", signature=""):
    """One little-endian D-Bus message: fields are (code, type, text) header fields; body one marshalled string."""
    head = bytearray()
    for code, kind_of, text in fields + ([(8, "g", signature)] if signature else []):
        head += b"\0" * (-len(head) % 8)  # the array starts at offset 16: alignment here is alignment there
        head += bytes([code, 1]) + kind_of.encode() + b"\0"
        raw = text.encode()
        if kind_of == "g":
            head += bytes([len(raw)]) + raw + b"\0"
        else:
            head += b"\0" * (-len(head) % 4) + struct.pack("<I", len(raw)) + raw + b"\0"
    message = b"l" + bytes([kind, 0, 1]) + struct.pack("<III", len(body), serial, len(head)) + head
    return message + b"\0" * (-len(message) % 8) + body


def send_signals(member, texts, interface=APP_ID, path="/"):
    """Sends a signal with one string argument for each text, as fast as the session bus takes them, on one
    connection of its own (gdbus would start a process for each)."""
    address = dict(part.split("=", 1) for part in
                   os.environ["DBUS_SESSION_BUS_ADDRESS"].split(";")[0].split(":", 1)[1].split(","))
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as bus:
        bus.connect("\0" + address["abstract"] if "abstract" in address else address["path"])
        bus.sendall(b"\0AUTH EXTERNAL " + str(os.getuid()).encode().hex().encode() + b"\r\n")
        if not bus.recv(4096).startswith(b"OK"):
            raise RuntimeError("the session bus refused this connection")
        bus.sendall(b"BEGIN\r\n" + _dbus_message(1, 1, [(1, "o", "/org/freedesktop/DBus"),
                                                          (2, "s", "org.freedesktop.DBus"), (3, "s", "Hello"),
                                                          (6, "s", "org.freedesktop.DBus")]))
        for serial, text in enumerate(texts, 2):
            raw = text.encode()
            bus.sendall(_dbus_message(4, serial, [(1, "o", path), (2, "s", interface), (3, "s", member)],
                                      struct.pack("<I", len(raw)) + raw + b"\0", "s"))
        # A call answered after the signals: the bus has passed them all on.
        bus.sendall(_dbus_message(1, serial + 1, [(1, "o", "/org/freedesktop/DBus"),
                                                  (2, "s", "org.freedesktop.DBus"), (3, "s", "GetId"),
                                                  (6, "s", "org.freedesktop.DBus")]))
        bus.settimeout(120)
        seen, reply = b"", b"\x05\x01u\x00" + struct.pack("<I", serial + 1)  # its REPLY_SERIAL field
        while reply not in seen:
            chunk = bus.recv(65536)
            if not chunk:
                break
            seen = seen[-len(reply):] + chunk


def name_owned():
    return "true" in gdbus("--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus", "--method",
                           "org.freedesktop.DBus.NameHasOwner", APP_ID).stdout


class App:
    """One run of the program in a home, optionally on an X server, its standard error kept line by line.
    Returns once it owns its bus name and, unless told not to wait for that, its event loop runs."""

    def __init__(self, home, *files, x=None, env=None, until_loop=True):
        self.proc = subprocess.Popen([PROGRAM, *files], env=home.env(**(x.env() if x else {}), **(env or {})),
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                     text=True)
        _cleanups.append(self.kill)
        self.lines = []
        threading.Thread(target=lambda: [self.lines.append(line) for line in self.proc.stderr], daemon=True).start()
        if not wait_until(lambda: self.proc.poll() is not None or name_owned(), 120) or self.proc.poll() is not None:
            raise AssertionError("vrdx did not claim its bus name: " + self.stderr)
        if until_loop and not answers(timeout=120):
            raise AssertionError("vrdx does not answer on the bus: " + self.stderr)

    @property
    def stderr(self):
        return "".join(self.lines)

    def said(self, text, timeout=60):
        """Waits for text on standard error; all of it so far."""
        wait_until(lambda: text in self.stderr, timeout)
        return self.stderr

    def stop(self, how=signal.SIGTERM, timeout=30):
        """Ends the run by a signal or the quit action, or (how None) waits for it to end: its exit status, or a
        note that it is still running."""
        if how == "quit":
            r = action("quit")
            assert r.returncode == 0, r.stderr
        elif how:
            self.proc.send_signal(how)
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            return f"still running {timeout} s later"

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


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
        return condition

    def finish(self):
        print(f"{self.passed} passed, {self.failed} failed")
        raise SystemExit(1 if self.failed or not self.passed else 0)
