"""A long evening at the client: one main window with three real tabs (the
test build plays their logins) goes through many rounds of what a player
does all the time, and the main window's process is counted from outside
after every round.

A round: close the last tab (its close cross, then "是"), add an account
through the prompt under link 1005 (a new login process becomes the third
tab again), the boss key F10 twice (hiding, then bringing back from another
program), the window-switch key Ctrl+Tab, and two left clicks on the tray
icon.

Counted: GDI and USER objects and kernel handles (Windows counts them for
wintool's GetGuiResources and GetProcessHandleCount; Wine does not, so
there the test build's main window walks its own tables when asked, see
WM_SEAM_COUNT), private bytes and the working set, and the client's
processes, which must stay one main window and three tabs.

    python3 soak.py ROUNDS     prints a figure line every tenth of the rounds
"""
import ctypes
import ctypes.util
import functools
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

from screen import screen_size
from tolv_e2e import (EXE, TITLE, WINE, WINTOOL, StandIn, children, click, command_lines, message_box,
                      post, tolv_windows, wait_until, windows, wintool)

WM_CLOSE = 0x0010
WM_KEYDOWN = 0x0100
VK_TAB = 0x09
# Repeat count 1, scan code 0x0F: Tab going down.
TAB_DOWN = 0x000F0001
WM_LBUTTONUP = 0x0202
WM_TRAY_CALLBACK = 0x400 + 1
WM_ADD_ACCOUNT = 0x400 + 6
WM_SEAM_CLOSE_TAB = 0x8000 + 0x100
WM_SEAM_COUNT = 0x8000 + 0x102
# Test seam of the game frame: it stops answering for wParam milliseconds.
WM_SEAM_HANG = 0x8000 + 0x50
ADD_ACCOUNT_LINK = 1005
PROMPT_YES = 1
BOX_YES = 5000
TABS = 3
WARM_UP = 2
FIGURES = ("gdi", "user", "handles", "private", "working_set", "processes", "cached_dcs")


@functools.lru_cache(maxsize=None)
def xlib():
    """The X client library, loaded once, with the calls keys_to makes."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def keys_to(x, y):
    """Sends the keyboard to the window under screen point (x, y), as a window
    manager would give it to the window a player works in. The test display
    has none: without it the X keyboard stays with a window Wine once picked
    (even one it hid), whatever Windows's foreground is."""
    x11 = xlib()
    display = x11.XOpenDisplay(None)
    if not display:
        raise AssertionError("no X display to send keys on")
    pointer_root = 1
    x11.XSetInputFocus(display, pointer_root, pointer_root, 0)
    x11.XCloseDisplay(display)
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)


def hand_over(action, *args, what):
    """Posts or clicks through the window helper (tolv_e2e.post or click).
    A helper run that fails has handed nothing over, so it may run once
    more; a second failure ends the run with what was meant to happen."""
    for _ in range(2):
        if action(*args):
            return
        print("soak: the window helper could not hand over %s" % what, flush=True)
    raise AssertionError("the window helper could not hand over %s" % what)


class Soak:
    """One client copy `exe` (in a folder of its own) and its stand-in."""

    def __init__(self, exe):
        self.exe = exe
        self.standin = StandIn()
        self.proc = None
        self.other = None
        # The tab last registered, the last of the strip.
        self.newest = None
        self.ended = False
        self.main = None
        self.pid = None

    def login_page(self, index):
        """What the login page of the index-th login (by tab count) hands over."""
        return "app://loadgame|S1-soak%d|http://127.0.0.1:%d/game.htm?uid=soak%d" % (
            index, self.standin.port, index)

    def start(self):
        self.standin.start()
        # Another program on the desktop, which takes the keyboard while the
        # client is hidden (Wine passes keys on only to a window of its own).
        self.other = subprocess.Popen([WINE, WINTOOL, "window"], stdin=subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.other_hwnd = json.loads(self.other.stdout.readline().decode("utf-8"))["hwnd"]
        # In the display's bottom-right corner, clear of the client's windows
        # on a display of any size.
        width, height = screen_size()
        wintool("move", self.other_hwnd, width - 280, height - 224, 240, 160)
        self.other_point = (width - 160, height - 144)
        env = dict(os.environ, TOLV_TEST_SEAM_FRAME="1")
        for index in range(TABS):
            env["TOLV_TEST_SEAM_LOGIN_%d" % index] = self.login_page(index)
        self.proc = subprocess.Popen([WINE, self.exe, "/TolvD"], env=env,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.main = wait_until(self._find_main, 30, what="the main window")
        self.pid = self.main["pid"]
        self.wait_tabs(1)
        for count in range(2, TABS + 1):
            known = {t["hwnd"] for t in self.tabs()}
            hand_over(post, self.hwnd, WM_ADD_ACCOUNT, 1, 0, what="an added account")
            self.newest = self.new_tab(known, count)
        return self

    def new_tab(self, known, count):
        """The tab that joined beside `known`: the last in the strip, whose
        account the next login of this tab count hands over again."""
        return [t for t in self.wait_tabs(count) if t["hwnd"] not in known][0]

    def _find_main(self):
        found = [w for w in tolv_windows(TITLE, "#32770") if w["owner"] == 0
                 and any(c["id"] == 1028 for c in children(w["hwnd"]))]
        return found[0] if found else None

    @property
    def hwnd(self):
        return self.main["hwnd"]

    def tabs(self):
        return [c for c in children(self.hwnd) if c["class"] == "TolvFrame"]

    def wait_tabs(self, count, timeout=45):
        return wait_until(lambda: len(self.tabs()) == count and self.tabs(), timeout,
                          what="%d tabs" % count)

    def main_visible(self):
        return any(w["hwnd"] == self.hwnd and w["visible"] for w in windows())

    def wait_main_visible(self, visible, what):
        wait_until(lambda: self.main_visible() == visible, 10, what=what)

    def processes(self):
        """Command lines of this copy's running processes."""
        unix = os.path.abspath(self.exe)
        # The first process shows the path Wine was given; those the client
        # started show their Windows path.
        ours = (unix + " ", "Z:" + unix.replace("/", "\\") + " ")
        return [line for line in command_lines() if line.startswith(ours)]

    # ---- One round -------------------------------------------------------------

    def close_last_tab(self):
        self.wait_tabs(TABS)
        closed = self.newest["hwnd"]
        hand_over(post, self.hwnd, WM_SEAM_CLOSE_TAB, TABS - 1, 0, what="the close cross")
        box, texts = message_box()
        if not any(t.startswith("确定要退出账号：") for t in texts):
            raise AssertionError("closing a tab asked %r" % texts)
        hand_over(click, box["hwnd"], BOX_YES, what="\"是\" to the close question")
        self.wait_tabs(TABS - 1)
        # The closed tab's process ends with its frame.
        wait_until(lambda: not any(w["hwnd"] == closed for w in windows()), 20,
                   what="the closed tab's frame to go")

    def close_hung_tab(self):
        """The last tab's game hangs, then the player closes it: the main
        window answers throughout, and the tab's process is ended."""
        self.wait_tabs(TABS)
        hand_over(post, self.newest["hwnd"], WM_SEAM_HANG, 60000, 0, what="the hang to the last tab")
        time.sleep(0.5)
        self.close_last_tab()
        if not wintool("send", self.hwnd, 0, 0, 0)[0]:
            raise AssertionError("the main window did not answer after closing a hung tab")

    def kill_tab(self):
        """The last tab's process dies: the strip drops it, and its account
        may log in again."""
        self.wait_tabs(TABS)
        if wintool("kill", self.newest["pid"])[1] != 0:
            raise AssertionError("the last tab's process could not be ended")
        self.wait_tabs(TABS - 1, timeout=5)

    def add_account(self):
        hand_over(click, self.hwnd, ADD_ACCOUNT_LINK, what="the add-account link")
        prompt = wait_until(lambda: [w for w in windows() if w["title"] == "登录其他账号"
                                     and w["pid"] == self.pid and w["visible"]], 10,
                            what="the add-account prompt")[0]
        known = {t["hwnd"] for t in self.tabs()}
        hand_over(click, prompt["hwnd"], PROMPT_YES, what="\"是\" to the add-account prompt")
        self.newest = self.new_tab(known, TABS)

    def main_rect(self):
        # A window list the helper failed to print does not mean the window
        # has gone: the next listing tells.
        return wait_until(lambda: [w for w in windows() if w["hwnd"] == self.hwnd], 5,
                          what="the main window in the window list")[0]["rect"]

    def over_main(self):
        rect = self.main_rect()
        keys_to(rect[0] + 60, rect[1] + 14)

    def boss_key(self):
        self.over_main()
        subprocess.run(["xdotool", "key", "F10"], check=True)
        self.wait_main_visible(False, "the boss key to hide the main window")
        # The player works in the other program, then brings the game back.
        keys_to(*self.other_point)
        subprocess.run(["xdotool", "key", "F10"], check=True)
        self.wait_main_visible(True, "the boss key to bring the main window back")

    def switch_key(self):
        """Ctrl+Tab in the game: the tab that has the keyboard passes the key
        on to the main window, which shows the next tab. The key is posted to
        the tab while Ctrl is really held: under Wine, keys for a tab that the
        main window made the foreground window get lost (see README, Wine
        differences)."""
        # The tab a new login made is shown by its own process, a moment
        # after the main window took it.
        shown = wait_until(lambda: [t["hwnd"] for t in self.tabs() if t["visible"]], 10,
                           what="a tab to be shown")
        subprocess.run(["xdotool", "keydown", "ctrl"], check=True)
        try:
            hand_over(post, shown[0], WM_KEYDOWN, VK_TAB, TAB_DOWN, what="Tab to the shown tab")
            wait_until(lambda: [t["hwnd"] for t in self.tabs() if t["visible"]] not in ([], shown),
                       10, what="the switch key to show the next tab")
        finally:
            subprocess.run(["xdotool", "keyup", "ctrl"], check=True)

    def tray_toggle(self):
        hand_over(post, self.hwnd, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP, what="a tray click")
        self.wait_main_visible(False, "the tray icon to hide the main window")
        hand_over(post, self.hwnd, WM_TRAY_CALLBACK, 1, WM_LBUTTONUP, what="a tray click")
        self.wait_main_visible(True, "the tray icon to bring the main window back")

    def warm_up(self):
        """Rounds before the first figures: Wine and the client make some
        things on first use, and so does the first count of the process's
        own tables (its private bytes settle at the next)."""
        for _ in range(WARM_UP):
            self.round()
        self.figures()
        self.round()

    def round(self, closing=None):
        """One round; `closing` replaces the closing of the last tab."""
        (closing or self.close_last_tab)()
        self.add_account()
        self.boss_key()
        self.switch_key()
        self.tray_toggle()

    # ---- Figures ---------------------------------------------------------------

    def count_inside(self, which):
        out, rc = wintool("send", self.hwnd, WM_SEAM_COUNT, which, 0)
        if rc != 0 or not out:
            raise AssertionError("the main window did not count its objects")
        value = out[0]["result"]
        return value - (1 << 64) if value >= 1 << 63 else value

    def figures(self):
        """What the main window's process holds now."""
        out, _ = wintool("resources", self.pid)
        held = out[0]
        figures = {"private": held["private"], "working_set": held["working_set"],
                   "processes": len(self.processes())}
        for which, name in enumerate(("gdi", "user", "handles")):
            # -1: the system does not count them (Wine); the process does.
            figures[name] = held[name] if held[name] >= 0 else self.count_inside(which)
        # Window DCs the window manager keeps in the process under Wine, left
        # out of "gdi" as Windows leaves them out (0 where the system counts).
        figures["cached_dcs"] = 0 if held["gdi"] >= 0 else self.count_inside(3)
        figures["counted_by"] = "the system" if held["gdi"] >= 0 else "the process"
        return figures

    # ---- The end ---------------------------------------------------------------

    def end(self):
        """Closes the main window as a player does; every process must end."""
        if self.ended:
            return
        self.ended = True
        if self.main and self.proc.poll() is None:
            post(self.hwnd, WM_CLOSE)
            box, texts = message_box()
            click(box["hwnd"], BOX_YES)
        try:
            wait_until(lambda: not self.processes(), 30, what="every process of the client to end")
        finally:
            if self.proc:
                if self.proc.poll() is None:
                    self.proc.kill()
                self.proc.wait(10)
            subprocess.run([WINE, "taskkill", "/f", "/im", "Tolv.exe"], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            self.standin.stop()
            if self.other:
                if self.other.poll() is None:
                    self.other.kill()
                self.other.wait(10)
                self.other.stdout.close()


def describe_failure(soak):
    """What the player would have seen: the client's windows, whether the
    main window still answers, and whether it shows itself later after all."""
    for w in windows():
        if w["pid"] == soak.pid or w["title"] == TITLE:
            print("soak:   window %s %r class %s visible %s pid %s" % (
                w["hwnd"], w["title"], w["class"], w["visible"], w["pid"]))
    if soak.main:
        fg, _ = wintool("foreground")
        _, rc = wintool("send", soak.hwnd, 0, 0, 0)  # WM_NULL
        print("soak:   foreground %s; the main window %s" % (
            fg[0]["hwnd"] if fg else "?", "answers" if rc == 0 else "does not answer in 5 s"))
        time.sleep(30)
        print("soak:   30 s later the main window is %s" % (
            "shown" if soak.main_visible() else "hidden"))


def growth(first, last):
    return {name: last[name] - first[name] for name in FIGURES}


def main(rounds):
    folder = tempfile.mkdtemp(prefix="tolv-soak-")
    exe = os.path.join(folder, "Tolv.exe")
    shutil.copy(EXE, exe)
    soak = Soak(exe)
    failed = False
    n = 0  # the round under way; 0 while starting and warming up
    try:
        soak.start()
        soak.warm_up()
        first = soak.figures()
        print("soak: %d rounds; GDI, USER and handles counted by %s" % (rounds, first["counted_by"]))
        print("%6s %6s %6s %8s %12s %12s %10s %11s %8s" % (
            "round", "gdi", "user", "handles", "private", "working set", "processes",
            "cached DCs", "s/round"))
        line = "%6d %6d %6d %8d %12d %12d %10d %11d %8.2f"
        print(line % (0, first["gdi"], first["user"], first["handles"], first["private"],
                      first["working_set"], first["processes"], first["cached_dcs"], 0))
        started = time.time()
        last = first
        for n in range(1, rounds + 1):
            soak.round()
            if n % max(1, rounds // 10) == 0 or n == rounds:
                last = soak.figures()
                print(line % (n, last["gdi"], last["user"], last["handles"], last["private"],
                              last["working_set"], last["processes"], last["cached_dcs"],
                              (time.time() - started) / n), flush=True)
        print("soak: growth over %d rounds: %s" % (rounds, json.dumps(growth(first, last))))
    except Exception as e:  # noqa: BLE001 - the run's one verdict
        print("soak: FAILED in round %d: %s" % (n, e))
        traceback.print_exc(limit=-3, file=sys.stdout)
        describe_failure(soak)
        failed = True
    finally:
        try:
            soak.end()
        except AssertionError as e:
            print("soak: FAILED at the end: %s" % e)
            failed = True
        shutil.rmtree(folder, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(int(sys.argv[1]) if len(sys.argv) > 1 else 200))
