"""The main window as host of the game tabs: its login processes, the login
hand-off, frame registration, the add-account limit and closing."""
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from screen import xdotool
from tolv_e2e import (EXE, WINE, WINTOOL, StandIn, TolvTestCase, TITLE, WM_CLOSE, children,
                      click, login_processes, message_box, post, tolv_windows, wait_until,
                      windows, wintool)

WM_FRAME_REGISTER = 0x400 + 2
WM_ADD_ACCOUNT = 0x400 + 6
WM_TRAY_CALLBACK, WM_RBUTTONUP = 0x400 + 1, 0x205
# Test seam: closes tab wParam as its cross does.
CLOSE_TAB = 0x8000 + 0x100
# The stand-in tab stops answering for wParam milliseconds.
HANG = 0x8000 + 0x50


class TabHost(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.frames = []
        self.addCleanup(self.end_frames)

    def end_frames(self):
        for p in self.frames:
            if p.poll() is None:
                p.kill()
                p.wait(10)

    def start_main(self, exe=None):
        """The main window of an "/update" start: 1 by 1 pixel, one login process."""
        proc = self.start_tolv("/update", exe=exe)
        main = wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                                   if w["owner"] == 0 and w["rect"][2] - w["rect"][0] == 1],
                          20, what="the 1x1 main window")[0]
        return proc, main

    def login_background(self, main):
        return wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                                   if w["owner"] == main["hwnd"]], 20,
                          what="the login background owned by the main window")[0]

    def hand_off(self, main, text):
        out, rc = wintool("copydata", main["hwnd"], text)
        self.assertEqual(0, rc)
        return out[0]["result"]

    def add_frame(self, main):
        p = subprocess.Popen([WINE, WINTOOL, "frame", str(main["hwnd"])], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.frames.append(p)
        line = p.stdout.readline().decode("utf-8")
        return json.loads(line)["frame"]

    def frame_state(self, main):
        return {c["hwnd"]: c for c in children(main["hwnd"]) if c["class"] == "TolvTestFrame"}

    def test_main_window_starts_one_login_process(self):
        proc, main = self.start_main()
        self.login_background(main)
        lines = login_processes()
        self.assertEqual(1, len(lines), lines)
        # The executable's path, then the main window and the tab count.
        expected = "Z:%s /newgm /%d /0" % (os.path.abspath(EXE).replace("/", "\\"), main["hwnd"])
        self.assertEqual(expected, lines[0])

    def test_preload_login_window_waits_for_the_login_process(self):
        # The main process's preload browser would slow the login process's
        # start: it comes once the login background is up.
        proc, main = self.start_main()

        def seen():
            """(the preload window or None, whether the login background shows)"""
            preload, background = None, False
            for w in tolv_windows(None, "#32770", only_visible=False):
                if w["pid"] == main["pid"] and w["owner"] == 0 and w["hwnd"] != main["hwnd"]:
                    preload = w
                if w["owner"] == main["hwnd"] and w["pid"] != main["pid"] and w["visible"]:
                    background = True
            return preload, background
        preload, background = wait_until(lambda: (lambda f: f if f[0] else None)(seen()), 20,
                                         interval=0.02, what="the preload login window")
        self.assertTrue(background, "the preload came before the login background")
        # It is the 1 by 1 login window at the corner, and goes with the first tab.
        # It is made hidden at its dialog's size and moved there once made: a
        # first look may come while its browser is still being set up.
        wait_until(lambda: (seen()[0] or {}).get("rect") == [0, 0, 1, 1], 10, interval=0.05,
                   what="the preload at 1 by 1 in the corner")
        self.assertFalse(preload["visible"])
        self.add_frame(main)
        wait_until(lambda: not seen()[0], 10, what="the preload to go with the first tab")

    def test_a_client_in_a_folder_with_blanks_starts_its_login_process(self):
        # Profiles under "Documents and Settings" and user names with blanks
        # put a blank into the executable's path.
        folder = tempfile.mkdtemp(prefix="tolv dir ")
        self.addCleanup(shutil.rmtree, folder, True)
        exe = os.path.join(folder, "Tolv.exe")
        shutil.copy(EXE, exe)
        proc, main = self.start_main(exe)
        # The login process found its switch and joined this main window.
        self.login_background(main)
        lines = login_processes(exe)
        self.assertEqual(["Z:%s /newgm /%d /0" % (exe.replace("/", "\\"), main["hwnd"])], lines)

    def test_abandoned_first_login_ends_the_main_window(self):
        proc, main = self.start_main()
        background = self.login_background(main)
        post(background["hwnd"], WM_CLOSE)
        self.assertEqual(0, self.wait_exit(proc))
        wait_until(lambda: not login_processes(), 10, what="the login process to end")

    def test_hand_off_refuses_duplicates_and_reports_logins(self):
        proc, main = self.start_main()
        self.assertEqual(1, self.hand_off(main, "S1双-alice"))
        self.assertEqual(0, self.hand_off(main, "S1双-alice"))
        self.assertEqual(1, self.hand_off(main, "S1双-ALICE"))
        wait_until(lambda: len([p for p in self.standin.paths() if p.startswith("/login.htm")])
                   == 2, 10, what="two login reports")
        reports = sorted(p for p in self.standin.paths() if p.startswith("/login.htm"))
        self.assertEqual(["/login.htm?tag=Tolv&ver=3.0.1.3&uid=ALICE&index=2",
                          "/login.htm?tag=Tolv&ver=3.0.1.3&uid=alice&index=1"], reports)

    def login_reports(self):
        return [p for p in self.standin.paths() if p.startswith("/login.htm")]

    def test_empty_records_and_accounts_are_refused(self):
        proc, main = self.start_main()
        # The terminator alone: 00 00.
        out, rc = wintool("copybytes", main["hwnd"], "0000")
        self.assertEqual(0, out[0]["result"])
        self.assertEqual(0, self.hand_off(main, "S1-"))
        self.assertEqual(1, self.hand_off(main, "S1-bob"))
        wait_until(self.login_reports, 10, what="the login report")
        self.assertEqual(["/login.htm?tag=Tolv&ver=3.0.1.3&uid=bob&index=1"], self.login_reports())

    def test_report_address_carries_the_account_encoded(self):
        proc, main = self.start_main()
        self.assertEqual(1, self.hand_off(main, "S1-a b&index=999#x"))
        # "S1-x", CR LF, "XEvil: 1" in UTF-16 with its terminator.
        record = "S1-x\r\nXEvil: 1".encode("utf-16-le").hex() + "0000"
        out, rc = wintool("copybytes", main["hwnd"], record)
        self.assertEqual(1, out[0]["result"])
        wait_until(lambda: len(self.login_reports()) == 2, 10, what="two login reports")
        self.assertEqual(["/login.htm?tag=Tolv&ver=3.0.1.3&uid=a%20b%26index=999%23x&index=1",
                          "/login.htm?tag=Tolv&ver=3.0.1.3&uid=x%0D%0AXEvil:%201&index=2"],
                         self.login_reports())
        for r in self.standin.requests():
            self.assertNotIn("xevil", [k.lower() for k, _ in r["headers"]])

    def test_a_burst_of_logins_is_reported_once_each_in_order(self):
        proc, main = self.start_main()
        count = 400
        out, rc = wintool("handoffs", main["hwnd"], "S1", count)
        self.assertEqual(count, out[0]["accepted"])
        wait_until(lambda: len(self.login_reports()) >= count, 60, interval=0.5,
                   what="%d login reports" % count)
        expected = ["/login.htm?tag=Tolv&ver=3.0.1.3&uid=%d&index=%d" % (i, i)
                    for i in range(1, count + 1)]
        self.assertEqual(expected, self.login_reports())

    def test_frames_become_tabs_and_the_limit_is_three(self):
        proc, main = self.start_main()
        first = self.add_frame(main)
        # The first frame gives the main window its full-size layout.
        full = wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                                   if w["hwnd"] == main["hwnd"]
                                   and w["rect"][2] - w["rect"][0] > 100], 10,
                          what="the full-size layout")[0]
        self.assertTrue(full["visible"])
        second = self.add_frame(main)
        third = self.add_frame(main)
        frames = wait_until(lambda: len(self.frame_state(main)) == 3 and self.frame_state(main),
                            10, what="three tabs")
        self.assertEqual({first, second, third}, set(frames))
        # Registration hides the other tabs; the newest is current.
        self.assertFalse(frames[first]["visible"])
        self.assertFalse(frames[second]["visible"])
        # With three tabs, "this window" in the add-account prompt says no.
        post(main["hwnd"], WM_ADD_ACCOUNT, 1, 0)
        box, texts = self.message_box()
        self.assertIn("当前窗体只支持3个游戏页", texts)
        click(box["hwnd"], 5000)
        wait_until(lambda: not [w for w in tolv_windows(TITLE, "#32770")
                                if w["hwnd"] == box["hwnd"]], 10, what="the message to close")
        self.assertEqual([], login_processes()[1:])

    def test_a_burst_of_add_account_answers_shows_one_message(self):
        proc, main = self.start_main()
        for _ in range(3):
            self.add_frame(main)
        wait_until(lambda: len(self.frame_state(main)) == 3, 10, what="three tabs")
        out, rc = wintool("postmany", main["hwnd"], WM_ADD_ACCOUNT, 1, 0, 1000)
        self.assertEqual(1000, out[0]["posted"])
        box, texts = self.message_box()
        self.assertIn("当前窗体只支持3个游戏页", texts)
        # The other 999 answers arrive while it is open and are ignored.
        time.sleep(2)
        boxes = [w for w in tolv_windows(TITLE, "#32770")
                 if any(c["id"] == 5000 for c in children(w["hwnd"]))]
        self.assertEqual([box["hwnd"]], [b["hwnd"] for b in boxes])
        click(box["hwnd"], 5000)
        wait_until(lambda: not [w for w in tolv_windows(TITLE, "#32770")
                                if w["hwnd"] == box["hwnd"]], 10, what="the message to close")
        # No second message follows, and the main window lives on.
        time.sleep(1)
        self.assertEqual([], [w for w in tolv_windows(TITLE, "#32770")
                              if any(c["id"] == 5000 for c in children(w["hwnd"]))])
        self.assertIsNone(proc.poll())
        self.assertEqual(3, len(self.frame_state(main)))

    def test_closing_asks_then_ends_every_tab(self):
        proc, main = self.start_main()
        self.add_frame(main)
        self.add_frame(main)
        wait_until(lambda: len(self.frame_state(main)) == 2, 10, what="two tabs")
        post(main["hwnd"], WM_CLOSE)
        box, texts = self.message_box()
        self.assertIn("窗口即将关闭，确定要退出游戏？", texts)
        click(box["hwnd"], 5000)
        self.assertEqual(0, self.wait_exit(proc))
        # Every tab was told to close.
        for p in self.frames:
            self.assertEqual(0, p.wait(10))

    def test_declined_close_keeps_everything(self):
        proc, main = self.start_main()
        self.add_frame(main)
        wait_until(lambda: len(self.frame_state(main)) == 1, 10, what="a tab")
        post(main["hwnd"], WM_CLOSE)
        box, _ = self.message_box()
        click(box["hwnd"], 5001)
        wait_until(lambda: not [w for w in tolv_windows(TITLE, "#32770")
                                if w["hwnd"] == box["hwnd"]], 10, what="the question to close")
        self.assertIsNone(proc.poll())
        self.assertEqual(1, len(self.frame_state(main)))

    def answers(self, main):
        """Seconds the main window took to answer a message (at most 5)."""
        start = time.time()
        out, rc = wintool("send", main["hwnd"], 0, 0, 0)
        self.assertEqual(0, rc, "the main window did not answer")
        return time.time() - start

    def with_two_tabs(self):
        """(process, main window, it at full size, the tabs' windows in tab order)"""
        proc, main = self.start_main()
        tabs = []
        for account in ("S1-a", "S1-b"):
            self.assertEqual(1, self.hand_off(main, account))
            tabs.append(self.add_frame(main))
        wait_until(lambda: len(self.frame_state(main)) == 2, 10, what="two tabs")
        return proc, main, [w for w in windows() if w["hwnd"] == main["hwnd"]][0], tabs

    def test_a_hung_tab_never_holds_up_the_main_window(self):
        # A window of another process waits for its thread unless called
        # asynchronously: one hung game must not freeze the main window.
        proc, main, shown, (first, second) = self.with_two_tabs()
        a, b = self.frames
        self.assertTrue(post(second, HANG, 60000))
        time.sleep(0.5)
        # Resizing moves the hung current tab.
        start = time.time()
        wintool("move", main["hwnd"], 0, 0, 1200, 700)
        self.assertLess(time.time() - start, 3)
        self.assertLess(self.answers(main), 1)
        # Switching to the other tab hides the hung one.
        xdotool("mousemove", shown["client"][0] + 200, shown["client"][1] + 14)
        xdotool("click", 1)
        wait_until(lambda: self.frame_state(main)[first]["visible"], 5, what="tab 0 to show")
        self.assertLess(self.answers(main), 1)
        # Closing the hung tab: its process is ended within a few seconds.
        self.assertTrue(post(main["hwnd"], CLOSE_TAB, 1))
        box, texts = message_box()
        self.assertIn("确定要退出账号：S1-b ?", texts)
        click(box["hwnd"], 5000)
        start = time.time()
        b.wait(8)
        self.assertLess(time.time() - start, 6)
        self.assertEqual([first], list(self.frame_state(main)))
        self.assertLess(self.answers(main), 1)
        # "退出" with the last tab hung ends the client and the tab in time.
        self.assertTrue(post(first, HANG, 60000))
        post(main["hwnd"], WM_TRAY_CALLBACK, 0, WM_RBUTTONUP)
        wait_until(lambda: [w for w in windows() if w["class"] == "#32768" and w["visible"]],
                   10, what="the tray menu")
        time.sleep(0.3)
        xdotool("key", "Up")
        xdotool("key", "Return")
        start = time.time()
        self.assertEqual(0, self.wait_exit(proc, 10))
        a.wait(5)
        self.assertLess(time.time() - start, 8)

    def test_a_dead_tab_leaves_the_strip_and_frees_its_account(self):
        proc, main, _, (first, second) = self.with_two_tabs()
        killed = time.time()
        self.frames[1].kill()
        self.frames[1].wait(10)
        wait_until(lambda: list(self.frame_state(main)) == [first], 5, interval=0.05,
                   what="the dead tab to leave")
        self.assertLess(time.time() - killed, 1.5)
        wait_until(lambda: self.frame_state(main)[first]["visible"], 5, what="tab 0 to show")
        # Its account may log in again; the living one is still refused.
        self.assertEqual(1, self.hand_off(main, "S1-b"))
        self.assertEqual(0, self.hand_off(main, "S1-a"))

    def test_closing_a_tab_asks_once_and_keeps_the_other_shown(self):
        proc, main, _, (first, second) = self.with_two_tabs()
        # A second close while the question is open is not asked again.
        self.assertTrue(post(main["hwnd"], CLOSE_TAB, 0))
        self.assertTrue(post(main["hwnd"], CLOSE_TAB, 0))
        box, texts = message_box()
        self.assertIn("确定要退出账号：S1-a ?", texts)
        self.assertEqual(main["hwnd"], box["owner"])
        time.sleep(1)
        boxes = [w for w in tolv_windows(TITLE, "#32770")
                 if any(c["id"] == 5000 for c in children(w["hwnd"]))]
        self.assertEqual([box["hwnd"]], [w["hwnd"] for w in boxes])
        click(box["hwnd"], 5000)
        self.frames[0].wait(10)
        wait_until(lambda: list(self.frame_state(main)) == [second]
                   and self.frame_state(main)[second]["visible"], 5,
                   what="the other tab alone, shown")
        time.sleep(1)
        self.assertEqual([], [w for w in tolv_windows(TITLE, "#32770")
                              if any(c["id"] == 5000 for c in children(w["hwnd"]))])


if __name__ == "__main__":
    unittest.main()
