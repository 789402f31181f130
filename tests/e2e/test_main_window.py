"""The main window's face and keys in the real Tolv.exe: the tab strip drawn
from the artwork, the caption controls at their places, the smallest size,
the tab band under a real mouse, the boss and sound keys on the real
keyboard while a tab of another process has the focus, the tray icon and
both menus.

The tabs are wintool's stand-in frames: each prints the sound state when it
changes and the keys the main window passes on. Screenshots are kept as
artefacts."""
import json
import os
import queue
import shutil
import subprocess
import threading
import time
import unittest

import test_install as install_paths

from screen import KEY, art, grab, park_mouse, screen_size, xdotool
from tolv_e2e import (TITLE, WINE, WINTOOL, Frame, StandIn, TolvTestCase, children, click,
                      command_lines, post, tolv_windows, wait_until, windows, wintool)

WM_TRAY_CALLBACK = 0x400 + 1
WM_LBUTTONUP, WM_RBUTTONUP = 0x202, 0x205
HIDE, SOUND, SYSTEM, ADD_ACCOUNT, SITE, FORUM, PORTAL = 1001, 1002, 1003, 1005, 1026, 1027, 1028
YES, NO = 5000, 5001
# Test seam: keeps the main window's thread busy for wParam milliseconds.
BUSY = 0x8000 + 0x103
BUTTON_INFO = "/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv"
LONG_ACCOUNT = "qq号码-张三abc李四def王五ghi赵六jkl钱七mno"
ACCOUNTS = ["甲-alpha", LONG_ACCOUNT, "乙-beta"]


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def close_to(a, b, tolerance=10):
    return all(abs(a[i] - b[i]) <= tolerance for i in range(3))


def button_info(text, host):
    body = {"status": 1, "data": {"btn": text, "url": "http://%s/activity" % host, "update": 0}}
    return {BUTTON_INFO: {"body": json.dumps(body, ensure_ascii=False),
                          "content_type": "application/json; charset=utf-8"}}


def processes_ending(tail):
    """Command lines of the running processes that end with `tail` (the
    installed copy shows under its Windows path, not the Unix one)."""
    return [line for line in command_lines() if line.endswith(tail)]


def tray_icons():
    """The icons Wine's notification area shows (its stand-alone tray
    window, used when the display has no tray of its own)."""
    icons = []
    for w in windows():
        if w["class"] == "__winex11_standalone_tray":
            icons += [c for c in children(w["hwnd"]) if c["class"] == "__winex11_tray_icon"]
    return icons


class MainWindow(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn()
        self.addCleanup(self.standin.stop)
        # A copy of its own, so that Statistic.ini beside it is this test's.
        _, self.exe = self.own_copy("tolv-main-")
        park_mouse()

    def start_main(self, link_text=None):
        host = "127.0.0.1:%d" % self.standin.port
        self.standin.start(button_info(link_text, host) if link_text is not None else None)
        self.proc = self.start_tolv("/update", exe=self.exe)
        return wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                                   if w["owner"] == 0 and w["rect"][2] - w["rect"][0] == 1],
                          20, what="the 1x1 main window")[0]

    def add_tab(self, main, account):
        out, rc = wintool("copydata", main["hwnd"], account)
        self.assertEqual(1, out[0]["result"])
        frame = Frame(main["hwnd"])
        self.frames.append(frame)
        wait_until(lambda: any(c["hwnd"] == frame.hwnd for c in children(main["hwnd"])), 10,
                   what="the tab to join its main window")
        return frame

    def with_tabs(self, accounts=ACCOUNTS, link_text=None):
        main = self.start_main(link_text)
        for account in accounts:
            self.add_tab(main, account)
            time.sleep(0.3)
        main = self.main_now(main)
        wait_until(lambda: self.main_now(main)["rect"][2] > 1000, 10, what="the full layout")
        time.sleep(0.8)
        self.clear_login_windows(main)
        return self.main_now(main)

    def clear_login_windows(self, main, wait=False):
        """Moves the login processes' windows down to the display's bottom edge.
        They stay in front of the main window, and on a display less tall than
        both together (1366x768) they cover the caption, the prompt and the
        tabs that the real mouse aims at. With `wait`, waits for one to show."""
        image = os.path.basename(self.exe).lower()

        def login_windows():
            return [w for w in windows() if w["visible"] and w["pid"] != main["pid"]
                    and w["owner"] and w["image"].lower().endswith(image)]
        found = wait_until(login_windows, 10, what="a login window") if wait else login_windows()
        height = screen_size()[1]
        for w in found:
            wintool("move", w["hwnd"], w["rect"][0], height - 20, w["rect"][2] - w["rect"][0],
                    w["rect"][3] - w["rect"][1])

    @staticmethod
    def main_now(main):
        found = [w for w in windows() if w["hwnd"] == main["hwnd"]]
        return found[0] if found else None

    def controls(self, main):
        return {c["id"]: c for c in children(main["hwnd"])}

    def visible_frames(self, main):
        return {c["hwnd"] for c in children(main["hwnd"])
                if c["class"] == "TolvTestFrame" and c["visible"]}

    def at(self, main, x, y):
        """Screen point of client point (x, y)."""
        return main["client"][0] + x, main["client"][1] + y

    def answer_box(self, button):
        box, texts = self.message_box()
        click(box["hwnd"], button)
        wait_until(lambda: not [w for w in tolv_windows(TITLE, "#32770")
                                if w["hwnd"] == box["hwnd"]], 10, what="the box to close")
        return texts

    def open_menu(self, main):
        """The system menu, by a real click on its button."""
        button = self.controls(main)[SYSTEM]
        xdotool("mousemove", *centre(button["rect"]))
        time.sleep(0.3)
        xdotool("click", 1)
        menu = wait_until(lambda: [w for w in windows() if w["class"] == "#32768"
                                   and w["visible"] and w["pid"] == main["pid"]], 10,
                          what="the system menu")[0]
        time.sleep(0.3)
        return button, menu

    def choose(self, *keys):
        for key in keys:
            xdotool("key", key)
            time.sleep(0.1)
        wait_until(lambda: not [w for w in windows() if w["class"] == "#32768" and w["visible"]],
                   10, what="the menu to close")

    # ---- Drawing -------------------------------------------------------------

    def test_three_tabs_drawn_from_the_artwork(self):
        main = self.with_tabs()
        # Tab 2 is current (the last registered); the pointer rests on tab
        # 0's close cross.
        xdotool("mousemove", *self.at(main, 302, 9))
        time.sleep(0.8)
        shot = grab("main_three_tabs")
        tab, cross = art("account_tab.png"), art("tab_close.png")
        origin = main["client"]

        def cell_shows(i, look):
            # A column left of the label and one right of it, clear of the cross.
            for dx, dy in ((4, 11), (10, 20), (170, 20)):
                got = shot.pixel(origin[0] + 120 + 189 * i + dx, origin[1] + 3 + dy)
                if not close_to(got, tab.pixel(189 * look + dx, dy)):
                    return False
            return True
        self.assertTrue(cell_shows(0, 1), "tab 0 hovered")
        self.assertTrue(cell_shows(1, 0), "tab 1 normal")
        self.assertTrue(cell_shows(2, 2), "tab 2 current")
        # The hovered cross of tab 0, from the cross artwork's hover cell.
        got = shot.pixel(origin[0] + 296 + 6, origin[1] + 3 + 6)
        self.assertTrue(close_to(got, cross.pixel(13 + 6, 6)), got)
        # Tab 2's area has no cross drawn: its pixel stays the tab's.
        got = shot.pixel(origin[0] + 296 + 378 + 6, origin[1] + 3 + 6)
        self.assertTrue(close_to(got, tab.pixel(189 * 2 + 176 + 6, 6)), got)

    # ---- Caption and size ---------------------------------------------------

    def test_three_tabs_keep_room_and_the_caption_controls_follow_the_width(self):
        main = self.with_tabs()
        out, _ = wintool("move", main["hwnd"], 10, 10, 800, 200)
        rect = out[0]["rect"]
        self.assertEqual((1138, 260), (rect[2] - rect[0], rect[3] - rect[1]))
        for width in (1150, 1260):
            out, _ = wintool("move", main["hwnd"], 0, 0, width, 700)
            main = self.main_now(main)
            time.sleep(0.3)
            kids = self.controls(main)
            ox, oy = main["client"]

            def place(cid):
                r = kids[cid]["rect"]
                return r[0] - ox, r[1] - oy, r[2] - r[0], r[3] - r[1]
            self.assertEqual((width - 185, 0, 44, 28), place(SYSTEM))
            self.assertEqual((width - 114, 0, 27, 27), place(HIDE))
            self.assertEqual((width - 141, 0, 27, 27), place(SOUND))
            self.assertEqual((width - 229, 0, 44, 28), place(FORUM))
            self.assertEqual((width - 273, 0, 44, 28), place(SITE))
            self.assertEqual((width - 373, 7, 92, 16), place(ADD_ACCOUNT))
            # The stand-in's link text "官方论坛" ends 381 pixels from the edge.
            left, top, w, h = place(PORTAL)
            self.assertEqual((width - 381, 7, 16), (left + w, top, h))
            self.assertEqual("官方论坛", kids[PORTAL]["title"])

    def test_portal_link_shows_its_text_or_stays_empty_and_unplaced(self):
        main = self.with_tabs(["甲-alpha"], link_text="")
        link = self.controls(main)[PORTAL]
        width = main["rect"][2] - main["rect"][0]
        self.assertEqual("", link["title"])
        self.assertNotEqual(width - 381, link["rect"][2] - main["client"][0])
        self.close_all(main)

        main = self.with_tabs(["乙-beta"], link_text="活动")
        link = self.controls(main)[PORTAL]
        width = main["rect"][2] - main["rect"][0]
        self.assertEqual("活动", link["title"])
        self.assertEqual(width - 381, link["rect"][2] - main["client"][0])

    def close_all(self, main):
        post(main["hwnd"], WM_TRAY_CALLBACK, 0, WM_RBUTTONUP)
        wait_until(lambda: [w for w in windows() if w["class"] == "#32768" and w["visible"]],
                   10, what="the tray menu")
        time.sleep(0.3)
        self.choose("Up", "Return")
        self.assertEqual(0, self.wait_exit(self.proc))
        self.end_frames()
        self.frames = []
        self.standin.stop()
        self.standin = StandIn()
        self.addCleanup(self.standin.stop)

    # ---- The tab band by mouse -----------------------------------------------

    def test_tab_band_by_real_mouse(self):
        main = self.with_tabs()
        frames = self.frames
        # Pressing a tab selects it: its frame is the one shown.
        xdotool("mousemove", *self.at(main, 200, 14))
        xdotool("click", 1)
        wait_until(lambda: self.visible_frames(main) == {frames[0].hwnd}, 5,
                   what="tab 0's frame to show")
        # Pressed on tab 0's cross, released on tab 2's: tab 2 is asked about.
        xdotool("mousemove", *self.at(main, 302, 9))
        xdotool("mousedown", 1)
        time.sleep(0.2)
        xdotool("mousemove", *self.at(main, 302 + 378, 9))
        time.sleep(0.2)
        xdotool("mouseup", 1)
        self.assertIn("确定要退出账号：乙-beta ?", self.answer_box(NO))
        # A middle click anywhere on a tab asks about that tab.
        xdotool("mousemove", *self.at(main, 120 + 189 + 40, 20))
        xdotool("click", 2)
        self.assertIn("确定要退出账号：%s ?" % LONG_ACCOUNT, self.answer_box(NO))
        self.assertEqual(3, len([c for c in children(main["hwnd"])
                                 if c["class"] == "TolvTestFrame"]))
        # A double click on a tab leaves the size alone...
        before = self.main_now(main)["rect"]
        xdotool("mousemove", *self.at(main, 200, 14))
        xdotool("click", "--repeat", 2, "--delay", 80, 1)
        time.sleep(0.8)
        self.assertEqual(before, self.main_now(main)["rect"])
        # ...while one on the caption beside the tabs restores the window.
        xdotool("mousemove", *self.at(main, 60, 14))
        xdotool("click", "--repeat", 2, "--delay", 80, 1)
        wait_until(lambda: self.main_now(main)["rect"] != before, 5,
                   what="the caption's double click to restore")
        # "是" on the middle click's question closes that tab.
        main = self.main_now(main)
        self.clear_login_windows(main)
        xdotool("mousemove", *self.at(main, 120 + 189 + 40, 20))
        xdotool("click", 2)
        self.answer_box(YES)
        wait_until(lambda: frames[1].proc.poll() is not None, 10, what="tab 1's frame to end")
        self.assertEqual(2, len([c for c in children(main["hwnd"])
                                 if c["class"] == "TolvTestFrame"]))

    # ---- Keys --------------------------------------------------------------

    def focus_elsewhere(self, main):
        """Clicks into a window of another process, the login process's
        background, which stays up beside the main window: the keyboard
        focus then lies outside the main window's thread, as it does while
        a game tab has it."""
        other = wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                                    if w["owner"] == main["hwnd"] and w["pid"] != main["pid"]],
                           10, what="the login process's window")[0]
        ours = {main["hwnd"]} | {c["hwnd"] for c in children(main["hwnd"])}

        def focused():
            focus = wintool("focus")[0][0]["focus"]
            return focus and focus not in ours
        xdotool("mousemove", *centre(other["rect"]))
        xdotool("click", 1)
        wait_until(focused, 5, what="the focus in another process")

    def sounds(self, frame):
        got = []
        while not frame.lines.empty():
            line = frame.lines.get()
            if "sound" in line:
                got.append(line["sound"])
        return got

    def test_keys_do_nothing_before_the_first_tab(self):
        main = self.start_main()
        time.sleep(1)
        xdotool("key", "F10")
        time.sleep(0.5)
        self.assertTrue(self.main_now(main)["visible"])
        xdotool("key", "ctrl+q")
        # The first tab hears the sound on: the key before it changed nothing.
        frame = self.add_tab(main, "甲-alpha")
        first = wait_until(lambda: self.sounds(frame), 5, what="the first sound state")
        self.assertEqual([0], first)

    def test_boss_and_sound_keys_act_while_a_tab_has_the_focus(self):
        main = self.with_tabs(ACCOUNTS[:2])
        first, second = self.frames
        self.focus_elsewhere(main)
        # F10 hides the main window and, with it, every tab.
        xdotool("key", "F10")
        wait_until(lambda: not self.main_now(main)["visible"], 5, what="the boss key to hide")
        self.assertEqual(set(), self.visible_frames(main))
        xdotool("key", "F10")
        wait_until(lambda: self.main_now(main)["visible"], 5, what="the boss key to restore")

        # Ctrl+Q with the focus in another process: every tab hears "off"
        # within 400 ms.
        self.focus_elsewhere(main)
        for f in (first, second):
            self.sounds(f)
        pressed = time.time()
        xdotool("key", "ctrl+q")
        for f in (first, second):
            wait_until(lambda: 1 in self.sounds(f), 2, interval=0.02, what="the muted state")
        self.assertLess(time.time() - pressed, 1.2)
        time.sleep(0.5)
        shot = grab("main_sound_off")
        button = self.controls(main)[SOUND]["rect"]
        muted = art("sound_off.png")
        # The glyph's own pixels (magenta lets the caption show through).
        glyph = [(x, y) for y in range(27) for x in range(27) if muted.pixel(x, y) != KEY]
        self.assertGreater(len(glyph), 20)
        self.assertEqual([], [(x, y) for x, y in glyph if not close_to(
            shot.pixel(button[0] + x, button[1] + y), muted.pixel(x, y), 12)])
        # Ctrl+Shift+Q is not the sound key.
        xdotool("key", "ctrl+shift+q")
        time.sleep(1)
        self.assertEqual([], self.sounds(first))

    def test_keys_never_wait_for_a_busy_main_window(self):
        # On Windows a low-level hook that keeps the desktop's keys waiting is
        # dropped for the session; Wine waits for it for ever. The hook has a
        # thread of its own, so a busy main window holds up no key.
        main = self.with_tabs(ACCOUNTS[:1])
        other = subprocess.Popen([WINE, WINTOOL, "window"], stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (other.kill(), other.wait(10), other.stdout.close()))
        other_hwnd = json.loads(other.stdout.readline().decode("utf-8"))["hwnd"]
        keys = queue.Queue()
        threading.Thread(target=lambda: [keys.put(json.loads(l)) for l in other.stdout],
                         daemon=True).start()
        rect = [w for w in windows() if w["hwnd"] == other_hwnd][0]["rect"]
        xdotool("mousemove", *centre(rect))
        xdotool("click", 1)
        wait_until(lambda: wintool("focus")[0][0]["focus"] == other_hwnd, 5,
                   what="the keyboard in the other program")
        self.assertTrue(post(main["hwnd"], BUSY, 3000))
        busy_from = time.time()
        time.sleep(0.3)
        pressed = time.time()
        xdotool("key", "a")
        self.assertEqual(ord("A"), keys.get(timeout=5)["key"])
        self.assertLess(time.time() - pressed, 1.0, "the key waited for the main window")
        # The boss key pressed meanwhile acts once the window's thread is free.
        xdotool("key", "F10")
        self.assertEqual(0x79, keys.get(timeout=5)["key"])
        self.assertTrue(self.main_now(main)["visible"])
        wait_until(lambda: not self.main_now(main)["visible"], 8, interval=0.05,
                   what="the boss key to hide the window")
        self.assertGreater(time.time() - busy_from, 2.5)

    # ---- Tray ----------------------------------------------------------------

    def test_tray_icon_clicks_and_its_exit(self):
        icons_before = len(tray_icons())
        main = self.start_main()
        time.sleep(1)
        self.assertEqual(icons_before, len(tray_icons()))
        main = self.with_tabs_on(main, ACCOUNTS[:2])
        wait_until(lambda: len(tray_icons()) == icons_before + 1, 10, what="the tray icon")
        # Explorer restarts: the icon is gone until its "TaskbarCreated",
        # and a second broadcast adds no second icon.
        self.assertEqual(0, wintool("trayremove", main["hwnd"], 1)[1])
        wait_until(lambda: len(tray_icons()) == icons_before, 10, what="the icon to go")
        for _ in range(2):
            self.assertEqual(0, wintool("postreg", main["hwnd"], "TaskbarCreated")[1])
        wait_until(lambda: len(tray_icons()) == icons_before + 1, 10, what="the icon again")
        time.sleep(1)
        self.assertEqual(icons_before + 1, len(tray_icons()))
        # "设置..." of the tray menu while the settings are open: still one.
        self.assertTrue(post(main["hwnd"], 0x8000 + 0x101))
        dialog = self.wait_window("设置", "#32770")
        post(main["hwnd"], WM_TRAY_CALLBACK, 0, WM_RBUTTONUP)
        wait_until(lambda: [w for w in windows() if w["class"] == "#32768" and w["visible"]],
                   10, what="the tray menu")
        time.sleep(0.3)
        self.choose("Up", "Up", "Return")
        time.sleep(1)
        self.assertEqual([dialog["hwnd"]], [w["hwnd"] for w in tolv_windows("设置", "#32770")])
        click(dialog["hwnd"], 2)
        wait_until(lambda: not tolv_windows("设置", "#32770"), 10, what="the settings to close")
        post(main["hwnd"], WM_TRAY_CALLBACK, 0, WM_LBUTTONUP)
        wait_until(lambda: not self.main_now(main)["visible"], 5, what="the games to hide")
        post(main["hwnd"], WM_TRAY_CALLBACK, 0, WM_LBUTTONUP)
        wait_until(lambda: self.main_now(main)["visible"], 5, what="the games to come back")
        post(main["hwnd"], WM_TRAY_CALLBACK, 0, WM_RBUTTONUP)
        wait_until(lambda: [w for w in windows() if w["class"] == "#32768" and w["visible"]],
                   10, what="the tray menu")
        time.sleep(0.3)
        grab("main_tray_menu")
        # "退出", the last item, ends everything without asking.
        self.choose("Up", "Return")
        self.assertEqual(0, self.wait_exit(self.proc))
        for f in self.frames:
            wait_until(lambda: f.proc.poll() is not None, 10, what="every tab to end")
        wait_until(lambda: len(tray_icons()) == icons_before, 10, what="the icon to go")

    def with_tabs_on(self, main, accounts):
        for account in accounts:
            self.add_tab(main, account)
        wait_until(lambda: self.main_now(main)["rect"][2] > 1000, 10, what="the full layout")
        time.sleep(0.5)
        return self.main_now(main)

    # ---- The system menu -------------------------------------------------------

    def test_system_menu_items_act(self):
        main = self.with_tabs(ACCOUNTS[:1])
        frame = self.frames[0]
        # The window-switch key shows the only tab again (a real tab shows
        # itself once its page has loaded).
        xdotool("key", "ctrl+Tab")
        wait_until(lambda: self.visible_frames(main) == {frame.hwnd}, 5, what="the tab to show")
        button, menu = self.open_menu(main)
        grab("main_system_menu")
        # Under the button, 2 pixels below it.
        self.assertEqual((button["rect"][0], button["rect"][3] + 2), tuple(menu["rect"][:2]))
        # "刷新 (F5)": the tab's frame gets F5 marked as the client's own.
        self.choose("Down", "Return")
        key = wait_until(lambda: [l for l in list(frame.lines.queue) if "key" in l], 5,
                         what="F5 at the tab")[0]
        self.assertEqual((0x74, 0x100, 5271), (key["key"], key["message"], key["lparam"]))

        # "版本号: 3.0.1.3" does nothing.
        self.open_menu(main)
        self.choose("Up", "Return")
        time.sleep(1)
        self.assertEqual([main["hwnd"]], [w["hwnd"] for w in tolv_windows(TITLE, "#32770")
                                          if w["pid"] == main["pid"]])

        # "清除缓存": the message at once.
        self.open_menu(main)
        self.choose("Down", "Down", "Down", "Return")
        self.assertIn("缓存清除完毕！", self.answer_box(YES))

        # "设置..." opens the settings over the main window; the boss key
        # hides the games and closes the dialog as cancelled.
        self.open_menu(main)
        self.choose("Down", "Down", "Down", "Down", "Return")
        dialog = self.wait_window("设置", "#32770")
        self.assertEqual(main["hwnd"], dialog["owner"])
        grab("main_settings")
        xdotool("key", "F10")
        wait_until(lambda: not self.main_now(main)["visible"], 5, what="the boss key to hide")
        wait_until(lambda: not [w for w in windows() if w["hwnd"] == dialog["hwnd"]], 5,
                   what="the settings to close")
        xdotool("key", "F10")
        wait_until(lambda: self.main_now(main)["visible"], 5, what="the games to come back")

        # "隐藏/恢复(F10)" hides.
        self.open_menu(main)
        self.choose("Down", "Down", "Return")
        wait_until(lambda: not self.main_now(main)["visible"], 5, what="the menu to hide")

    # ---- The add-account prompt ------------------------------------------------

    def prompt(self, main, visible=True):
        found = [w for w in windows() if w["title"] == "登录其他账号" and w["class"] == "#32770"
                 and w["pid"] == main["pid"] and w["visible"] == visible]
        return found[0] if found else None

    def click_link(self, main):
        link = self.controls(main)[ADD_ACCOUNT]
        xdotool("mousemove", *centre(link["rect"]))
        time.sleep(0.2)
        xdotool("click", 1)
        return link, wait_until(lambda: self.prompt(main), 5, what="the prompt")

    def click_prompt_button(self, prompt, cid):
        button = [c for c in children(prompt["hwnd"]) if c["id"] == cid][0]
        xdotool("mousemove", *centre(button["rect"]))
        time.sleep(0.2)
        xdotool("click", 1)
        wait_until(lambda: not self.prompt({"pid": prompt["pid"]}), 5, what="the prompt to go")

    def test_add_account_prompt_by_real_mouse(self):
        # Run from the install folder, where a start without a switch opens
        # a main window (elsewhere it would install first).
        folder = install_paths.install_folder()
        self.addCleanup(shutil.rmtree, folder, True)
        os.makedirs(folder, exist_ok=True)
        shutil.copy(self.exe, os.path.join(folder, "Tolv.exe"))
        self.exe = os.path.join(folder, "Tolv.exe")
        main = self.with_tabs(ACCOUNTS[:1])
        link, prompt = self.click_link(main)
        # Under the link, right edges aligned, the size of its background.
        self.assertEqual((link["rect"][2], link["rect"][3]), (prompt["rect"][2], prompt["rect"][1]))
        self.assertEqual((284, 150), (prompt["rect"][2] - prompt["rect"][0],
                                      prompt["rect"][3] - prompt["rect"][1]))
        time.sleep(0.5)
        shot = grab("main_add_account_prompt")
        back = art("addacc_back.png")
        left, top = prompt["rect"][:2]
        for x, y in ((142, 10), (6, 60), (270, 140)):
            self.assertTrue(close_to(shot.pixel(left + x, top + y), back.pixel(x, y)), (x, y))
        # It cannot be dragged by its caption.
        xdotool("mousemove", left + 60, top + 12)
        xdotool("mousedown", 1)
        xdotool("mousemove", left + 160, top + 112)
        xdotool("mouseup", 1)
        time.sleep(0.5)
        self.assertEqual(prompt["rect"], self.prompt(main)["rect"])
        # "是" with one tab: a login process for tab 2.
        self.click_prompt_button(prompt, 1)
        wanted = "/newgm /%d /1" % main["hwnd"]
        wait_until(lambda: processes_ending(wanted), 10, what="the login process for tab 2")
        self.clear_login_windows(main, wait=True)
        # A click on the main window's caption hides the prompt; nothing starts.
        self.click_link(main)
        started = processes_ending("/newgm /%d /1" % main["hwnd"]) + processes_ending("Tolv.exe")
        xdotool("mousemove", *self.at(main, 60, 14))
        xdotool("click", 1)
        wait_until(lambda: not self.prompt(main), 5, what="the prompt to hide")
        time.sleep(1)
        self.assertEqual(sorted(started), sorted(processes_ending("/newgm /%d /1" % main["hwnd"])
                                                 + processes_ending("Tolv.exe")))
        self.assertEqual([], [w for w in tolv_windows(TITLE, "#32770") if w["owner"] == 0
                              and w["pid"] != main["pid"]])
        # "否": a second main window.
        _, prompt = self.click_link(main)
        self.click_prompt_button(prompt, 2)
        wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                            if w["owner"] == 0 and w["pid"] != main["pid"]], 20,
                   what="a second main window")

    def test_add_account_prompt_with_three_tabs_names_the_limit(self):
        main = self.with_tabs()
        _, prompt = self.click_link(main)
        self.click_prompt_button(prompt, 1)
        self.assertIn("当前窗体只支持3个游戏页", self.answer_box(YES))


if __name__ == "__main__":
    unittest.main()
