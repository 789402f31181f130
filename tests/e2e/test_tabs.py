"""The main window as host of the game tabs: its login processes, the login
hand-off, frame registration, the add-account limit and closing."""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

from tolv_e2e import (EXE, WINE, WINTOOL, StandIn, TolvTestCase, TITLE, WM_CLOSE, children,
                      click, post, tolv_windows, wait_until, wintool)

WM_FRAME_REGISTER = 0x400 + 2
WM_ADD_ACCOUNT = 0x400 + 6


def login_processes(exe=EXE):
    """Command lines of the running login processes of `exe` (Wine shows them
    in /proc)."""
    ours = "Z:" + os.path.abspath(exe).replace("/", "\\") + " /newgm"
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                line = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
        if line.startswith(ours):
            found.append(line)
    return found


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


if __name__ == "__main__":
    unittest.main()
