"""The outside parts a sync test or benchmark runs against: a Radicale CalDAV server on a free port with htpasswd
accounts and one calendar, and gnome-keyring's Secret Service on the caller's session bus holding the password
the way the program's Preferences store it."""
import base64
import http.client
import os
import socket
import subprocess

import app_harness as h


class Radicale:
    """The server, on a free port, with one calendar collection made the way a client makes one."""

    def __init__(self, work, user, password, log=None):
        """`log`: a file that takes Radicale's account of every request (method, path, seconds spent)."""
        self.user, self.password, self.log = user, password, log
        os.makedirs(work, exist_ok=True)
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.storage = os.path.join(work, "collections")
        users = os.path.join(work, "users")
        with open(users, "w") as f:
            f.write(f"{user}:{password}\n")
        self.config = os.path.join(work, "radicale.conf")
        with open(self.config, "w") as f:
            f.write(f"[server]\nhosts = 127.0.0.1:{self.port}\n[auth]\ntype = htpasswd\nhtpasswd_filename = {users}\n"
                    f"htpasswd_encryption = plain\ndelay = 0\n[rights]\ntype = owner_only\n"
                    f"[storage]\nfilesystem_folder = {self.storage}\n[logging]\nlevel = {'info' if log else 'warning'}\n")
        self.proc = None
        self.start()
        status, _ = self.request("MKCALENDAR", f"/{user}/daynotes/")
        assert status == 201, status

    def start(self):
        self.proc = subprocess.Popen([h.program("radicale"), "--config", self.config], stdout=subprocess.DEVNULL,
                                     stderr=open(self.log, "a") if self.log else subprocess.DEVNULL)
        h._cleanups.append(self.stop)
        assert h.wait_until(lambda: self.answers(), 60), "radicale did not start"

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def answers(self):
        try:
            return self.request("OPTIONS", "/")[0] > 0
        except OSError:
            return False

    def request(self, method, path, body=b"", headers=None, timeout=60):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        auth = base64.b64encode(f"{self.user}:{self.password}".encode()).decode()
        conn.request(method, path, body, dict({"Authorization": "Basic " + auth}, **(headers or {})))
        response = conn.getresponse()
        return response.status, response.read()

    def account(self):
        """The keyring's name for the user's password on this server: the user and the whole address."""
        return f"{self.user}@http://127.0.0.1:{self.port}"

    def names(self):
        folder = os.path.join(self.storage, "collection-root", self.user, "daynotes")
        return [n for n in os.listdir(folder) if n.endswith(".ics")]

    def objects(self):
        """Every object of the collection, by name, as plain HTTP gives it."""
        return {n: self.request("GET", f"/{self.user}/daynotes/{n}")[1] for n in self.names()}


class Keyring:
    """gnome-keyring's Secret Service on this test's bus, its files away from the program's homes. Passwords go
    under an account name (Radicale.account() gives the program's)."""

    def __init__(self, work, account):
        self.account = account
        home = os.path.join(work, "keyring")
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=home)
        os.makedirs(home)
        self.proc = subprocess.Popen([h.program("gnome-keyring-daemon"), "--unlock", "--components=secrets",
                                      "--foreground"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, env=env)
        self.proc.stdin.write(b"keyring unlock words")
        self.proc.stdin.close()
        h._cleanups.append(lambda: (self.proc.terminate(), self.proc.wait()))
        # Asked before this daemon owns the name, the bus would start another one that wants a prompt.
        if not h.wait_until(lambda: "true" in h.gdbus("--dest", "org.freedesktop.DBus", "--object-path",
                                                      "/org/freedesktop/DBus", "--method",
                                                      "org.freedesktop.DBus.NameHasOwner",
                                                      "org.freedesktop.secrets").stdout, 60):
            raise SystemExit("gnome-keyring-daemon did not take the Secret Service name")

    def store(self, password, account=None):
        """As the program's Preferences leave it: the account's password under the keychain's attributes."""
        r = subprocess.run([h.program("secret-tool"), "store", "--label=VRD X CalDAV", "user", account or self.account,
                            "server", "VRD X CalDAV", "type", "plaintext"], input=password.encode(),
                           capture_output=True, timeout=60)
        return r.returncode == 0

    def lookup(self, account=None):
        """The password stored under the account, or None."""
        r = subprocess.run([h.program("secret-tool"), "lookup", "user", account or self.account, "server",
                            "VRD X CalDAV"], capture_output=True, timeout=60)
        return r.stdout.decode() if r.returncode == 0 else None

    def clear(self, account=None):
        subprocess.run([h.program("secret-tool"), "clear", "user", account or self.account, "server", "VRD X CalDAV"],
                       capture_output=True, timeout=60)
