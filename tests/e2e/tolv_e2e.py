"""Shared pieces of the end-to-end tests: the stand-in server, starting the real
Tolv.exe under Wine, and looking at its windows through the wintool helper.

scripts/test sets the environment: WINEPREFIX and the other Wine variables,
DISPLAY (an Xvfb), TOLV_EXE, TOLV_WINTOOL and TOLV_STANDIN_PORT.
"""
import json
import os
import queue
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
STANDIN = os.path.join(ROOT, "standin", "server.py")

WINE = os.environ.get("WINELOADER", "wine")
EXE = os.environ.get("TOLV_EXE", "")
WINTOOL = os.environ.get("TOLV_WINTOOL", "")
PORT = int(os.environ.get("TOLV_STANDIN_PORT", "28631"))

WM_CLOSE = 0x0010
WM_KEYDOWN = 0x0100
WM_KEYUP = 0x0101
VK_RETURN = 0x0D
VK_ESCAPE = 0x1B

TITLE = "BrindloTolvane"
NO_NETWORK = "当前网络不可用，请检查网络连接是否正常！"


def wait_until(condition, timeout=15.0, interval=0.1, what="condition"):
    """Polls `condition` until it returns something true; fails after `timeout`."""
    deadline = time.time() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.time() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class StandIn:
    """The local stand-in server, with its request log and scenario file."""

    def __init__(self, port=PORT):
        self.port = port
        self.dir = tempfile.mkdtemp(prefix="tolv-standin-")
        self.log = os.path.join(self.dir, "requests.jsonl")
        self.scenario_path = os.path.join(self.dir, "scenario.json")
        self.proc = None

    def start(self, routes=None):
        # A server left listening by an interrupted run would answer in
        # this one's place, with its own log.
        with socket.socket() as probe:
            probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            try:
                probe.bind(("127.0.0.1", self.port))
            except OSError:
                raise AssertionError("port %d is taken: a stand-in of an interrupted run?"
                                     % self.port) from None
        self.set_routes(routes or {})
        self.proc = subprocess.Popen(
            [sys.executable, STANDIN, "--port", str(self.port), "--log", self.log,
             "--scenario", self.scenario_path],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(self._listening, 10, what="the stand-in to listen")
        return self

    def _listening(self):
        if self.proc.poll() is not None:
            raise AssertionError("the stand-in server ended with %s" % self.proc.returncode)
        try:
            with socket.create_connection(("127.0.0.1", self.port), timeout=0.2):
                return True
        except OSError:
            return False

    def set_routes(self, routes):
        tmp = self.scenario_path + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump({"routes": routes}, f, ensure_ascii=False)
        os.replace(tmp, self.scenario_path)

    def requests(self):
        """Every request received so far, oldest first."""
        try:
            with open(self.log, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def paths(self):
        return [r["path"] for r in self.requests()]

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


def wintool(*args):
    """Runs the window helper; returns its JSON lines as objects."""
    # Its errors go to a file, not a pipe: Wine hands every process it starts
    # the starter's stderr, so when this run is the one that brings up Wine's
    # desktop process, a pipe would stay open as long as that process lives
    # and the wait for its end would last until the time limit.
    with tempfile.TemporaryFile() as err:
        out = subprocess.run([WINE, WINTOOL] + [str(a) for a in args], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=err, timeout=30)
        err.seek(0)
        said = err.read()
    # The helper's own word on a failure (Wine's chatter stays out).
    for line in said.decode("utf-8", "replace").splitlines():
        if line.startswith("wintool:"):
            print(line, file=sys.stderr, flush=True)
    lines = out.stdout.decode("utf-8", "replace").splitlines()
    return [json.loads(line) for line in lines if line.startswith("{")], out.returncode


def windows():
    return wintool("windows")[0]


def children(hwnd):
    return wintool("children", hwnd)[0]


def post(hwnd, msg, wparam=0, lparam=0):
    return wintool("post", hwnd, msg, wparam, lparam)[1] == 0


def click(hwnd, control_id):
    return wintool("click", hwnd, control_id)[1] == 0


def tolv_windows(title=TITLE, cls=None, only_visible=True):
    """Top-level windows of Tolv.exe processes with this title."""
    found = []
    for w in windows():
        if not w["image"].lower().endswith("tolv.exe"):
            continue
        if title is not None and w["title"] != title:
            continue
        if cls is not None and w["class"] != cls:
            continue
        if only_visible and not w["visible"]:
            continue
        found.append(w)
    return found


def child_texts(hwnd):
    return [c["title"] for c in children(hwnd)]


class TolvTestCase(unittest.TestCase):
    """Starts Tolv.exe processes and makes sure none outlives its test."""

    def setUp(self):
        if not EXE or not WINTOOL:
            self.skipTest("TOLV_EXE and TOLV_WINTOOL are set by scripts/test")
        self.procs = []

    def tearDown(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait(10)
        # Processes that Tolv started itself are ended by name.
        if tolv_windows(title=None, only_visible=False):
            subprocess.run([WINE, "taskkill", "/f", "/im", "Tolv.exe"], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            wait_until(lambda: not tolv_windows(title=None, only_visible=False), 20,
                       what="every Tolv window to go")

    def own_copy(self, prefix):
        """A copy of the client in a folder of its own, so that Statistic.ini
        beside it is this test's; its tab stand-ins end with the test."""
        folder = tempfile.mkdtemp(prefix=prefix)
        self.addCleanup(shutil.rmtree, folder, True)
        exe = os.path.join(folder, "Tolv.exe")
        shutil.copy(EXE, exe)
        self.frames = []
        self.addCleanup(self.end_frames)
        return folder, exe

    def end_frames(self):
        for f in self.frames:
            f.end()

    def start_tolv(self, *args, exe=None):
        p = subprocess.Popen([WINE, exe or EXE] + list(args), stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def wait_exit(self, proc, timeout=20):
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("Tolv.exe did not end within %d s" % timeout)

    def wait_window(self, title=TITLE, cls=None, timeout=20):
        return wait_until(lambda: tolv_windows(title, cls), timeout,
                          what="a Tolv window titled %r" % title)[0]

    def main_window(self, timeout=20):
        """The main game window: the dialog titled BrindloTolvane that no
        window owns (login windows are owned by it)."""
        return wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770") if w["owner"] == 0
                                   and any(c["id"] == 1028 for c in children(w["hwnd"]))],
                          timeout, what="the main window")[0]

    def close_main(self, main, proc):
        """Closes the main window as a user does: close, then "是"."""
        post(main["hwnd"], WM_CLOSE)
        box, texts = self.message_box()
        self.assertIn("窗口即将关闭，确定要退出游戏？", texts)
        click(box["hwnd"], 5000)
        self.assertEqual(0, self.wait_exit(proc))

    def message_box(self, timeout=20):
        return message_box(timeout)


def message_box(timeout=20):
    """The visible message box of a Tolv process: (window, its text)."""
    def find():
        for w in tolv_windows(TITLE, "#32770"):
            kids = children(w["hwnd"])
            if any(c["id"] == 5000 for c in kids):
                return w, [c["title"] for c in kids]
        return None
    return wait_until(find, timeout, what="a message box")


def command_lines():
    """Command lines of every running process (Wine shows Windows programs'
    in /proc)."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                found.append(f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip())
        except OSError:
            continue
    return found


def login_processes(exe=EXE):
    """Command lines of the running login processes of `exe`."""
    ours = "Z:" + os.path.abspath(exe).replace("/", "\\") + " /newgm"
    return [line for line in command_lines() if line.startswith(ours)]


def read_ini(path):
    """Section "Tolv" of an INI file as a dict; None when there is no file."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return None
    text = data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("gbk")
    values, section = {}, None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            section = line.strip("[]")
        elif "=" in line and section == "Tolv":
            k, v = line.split("=", 1)
            values[k] = v
    return values


class Frame:
    """A stand-in game tab of one main window, collecting what it printed."""

    def __init__(self, main):
        self.proc = subprocess.Popen([WINE, WINTOOL, "frame", str(main)], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        self.hwnd = json.loads(self.proc.stdout.readline().decode("utf-8"))["frame"]
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(json.loads(line.decode("utf-8")))

    def reloads(self):
        n = 0
        while not self.lines.empty():
            n += 1 if self.lines.get().get("reload") else 0
        return n

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)
        self.proc.stdout.close()
