"""The road from a start to playing tabs, with the real processes: login
processes hand their accounts over, their game frames become the main
window's tabs, and closing ends them. The test build plays the web pages'
part (see test_login.py) and treats a game page that reached the server as
loaded (TOLV_TEST_SEAM_FRAME)."""
import os
import subprocess
import time
import unittest

from tolv_e2e import (StandIn, TolvTestCase, TITLE, children, click, login_processes, post,
                      tolv_windows, wait_until)

WM_KEYDOWN = 0x0100
VK_F5 = 0x74


WM_ADD_ACCOUNT = 0x400 + 6
WM_SEAM_CLOSE_TAB = 0x8000 + 0x100
TAB_LIMIT = "当前窗体只支持3个游戏页"


class Road(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.env = {}
        self.addCleanup(self.clear_env)

    def clear_env(self):
        for k in self.env:
            os.environ.pop(k, None)

    def game(self, user):
        return "http://127.0.0.1:%d/game.htm?uid=%s" % (self.standin.port, user)

    def pages(self, *per_login):
        """What the login page of the n-th login process (by tab count) does."""
        self.env = {"TOLV_TEST_SEAM_FRAME": "1"}
        for index, commands in enumerate(per_login):
            self.env["TOLV_TEST_SEAM_LOGIN_%d" % index] = commands
        os.environ.update(self.env)

    def loadgame(self, server_text, user):
        return "app://loadgame|%s|%s" % (server_text, self.game(user))

    def tabs(self, main):
        return [c for c in children(main["hwnd"]) if c["class"] == "TolvFrame"]

    def wait_tabs(self, main, count, timeout=45):
        return wait_until(lambda: len(self.tabs(main)) == count and self.tabs(main), timeout,
                          what="%d tabs" % count)

    def add_account(self, main):
        post(main["hwnd"], WM_ADD_ACCOUNT, 1, 0)

    def test_a_login_becomes_a_tab_of_the_full_size_main_window(self):
        self.pages(self.loadgame("S1%E5%8F%8C-alice", "alice"))
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        tab = self.wait_tabs(main, 1)[0]
        self.assertTrue(tab["visible"])
        self.assertEqual(main["hwnd"], tab["parent"])
        self.assertEqual(TITLE, tab["title"])
        full = [w for w in tolv_windows(TITLE, "#32770") if w["hwnd"] == main["hwnd"]][0]
        self.assertGreater(full["rect"][2] - full["rect"][0], 600)
        # The tab sits in the content area, inside the chrome's bands.
        self.assertEqual([full["client"][0] + 4, full["client"][1] + 30], tab["rect"][:2])
        paths = self.standin.paths()
        self.assertIn("/login.htm?tag=Tolv&ver=3.0.1.3&uid=alice&index=1", paths)
        # GameUrl: the frame loads exactly the handed-over game address.
        self.assertIn("/game.htm?uid=alice", paths)
        # Only the login page loads in the login window; no hall page.
        self.assertNotIn("/webgame.htm", paths)
        self.close_main(main, proc)
        wait_until(lambda: not login_processes(), 10, what="the tab's process to end")

    def test_ctrl_tab_switches_to_the_next_tab(self):
        self.pages(self.loadgame("S1-a", "a"), self.loadgame("S1-b", "b"))
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        self.wait_tabs(main, 1)
        self.add_account(main)
        tabs = self.wait_tabs(main, 2)
        shown = [t["hwnd"] for t in tabs if t["visible"]]
        self.assertEqual(1, len(shown))
        # Real key input, wherever the focus is: the main window switches
        # itself, a tab forwards the key to it.
        subprocess.run(["xdotool", "key", "ctrl+Tab"], check=True)
        wait_until(lambda: [t["hwnd"] for t in self.tabs(main) if t["visible"]] not in ([], shown),
                   10, what="the other tab to show")
        self.close_main(main, proc)

    def test_hall_process_becomes_the_hall_not_a_tab(self):
        self.pages()
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        hall = self.start_tolv("/gmhall", "/%d" % main["hwnd"])
        frame = self.wait_tabs(main, 1)[0]
        self.assertEqual(main["hwnd"], frame["parent"])
        wait_until(lambda: "/webgame.htm" in self.standin.paths(), 20, what="the hall page")
        # The hall is no tab: F5 is not forwarded to it while there are none.
        post(main["hwnd"], WM_KEYDOWN, VK_F5, 0x003F0001)
        time.sleep(2)
        self.assertEqual(1, self.standin.paths().count("/webgame.htm"))
        # The hall process ends with the main window.
        proc.kill()
        self.assertEqual(0, self.wait_exit(hall, timeout=10))

    def test_duplicate_is_refused_with_its_message(self):
        self.pages(self.loadgame("S1%E5%8F%8C-alice", "alice"),
                   self.loadgame("S1%E5%8F%8C-alice", "alice"))
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        self.wait_tabs(main, 1)
        self.add_account(main)
        box, texts = self.message_box(timeout=30)
        self.assertIn("账号 alice 已在 S1双 登录，同一账号不能在一服重复登录", texts)
        click(box["hwnd"], 5000)
        wait_until(lambda: len(login_processes()) == 1, 20, what="the refused login to end")
        time.sleep(1)
        self.assertEqual(1, len(self.tabs(main)))
        self.assertIsNone(proc.poll())
        self.assertEqual(1, len([p for p in self.standin.paths() if p.startswith("/login.htm")]))

    def test_letter_case_makes_another_account_and_three_tabs_are_the_limit(self):
        self.pages(self.loadgame("S1%E5%8F%8C-alice", "alice"),
                   self.loadgame("S1%E5%8F%8C-ALICE", "ALICE"),
                   self.loadgame("S1%E5%8F%8C-bob", "bob"))
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        self.wait_tabs(main, 1)
        self.add_account(main)
        self.wait_tabs(main, 2)
        self.add_account(main)
        tabs = self.wait_tabs(main, 3)
        # One tab is shown at a time.
        self.assertEqual([False, False, True], sorted(t["visible"] for t in tabs))
        self.add_account(main)
        box, texts = self.message_box()
        self.assertIn(TAB_LIMIT, texts)
        click(box["hwnd"], 5000)
        self.assertEqual(3, len(login_processes()))
        reports = sorted(p for p in self.standin.paths() if p.startswith("/login.htm"))
        self.assertEqual(["/login.htm?tag=Tolv&ver=3.0.1.3&uid=ALICE&index=2",
                          "/login.htm?tag=Tolv&ver=3.0.1.3&uid=alice&index=1",
                          "/login.htm?tag=Tolv&ver=3.0.1.3&uid=bob&index=3"], reports)
        self.assertIsNone(proc.poll())

    def three_tabs(self):
        self.pages(self.loadgame("S1-a", "a"), self.loadgame("S1-b", "b"),
                   self.loadgame("S1-c", "c"))
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        self.wait_tabs(main, 1)
        self.add_account(main)
        self.wait_tabs(main, 2)
        self.add_account(main)
        return proc, main, self.wait_tabs(main, 3)

    def test_closing_a_tab_asks_and_the_next_one_takes_its_place(self):
        proc, main, tabs = self.three_tabs()
        # Tab 3 (account c) is current; closing tab 2 (b) moves it into place 2.
        shown = [t["hwnd"] for t in tabs if t["visible"]]
        self.assertEqual(1, len(shown))
        post(main["hwnd"], WM_SEAM_CLOSE_TAB, 1, 0)
        box, texts = self.message_box()
        self.assertIn("确定要退出账号：S1-b ?", texts)
        click(box["hwnd"], 5000)
        left = wait_until(lambda: len(self.tabs(main)) == 2 and self.tabs(main), 20,
                          what="two tabs")
        wait_until(lambda: len(login_processes()) == 2, 20, what="the closed tab's process to end")
        self.assertEqual(shown, [t["hwnd"] for t in self.tabs(main) if t["visible"]])
        self.assertTrue(set(t["hwnd"] for t in left) < set(t["hwnd"] for t in tabs))
        # Closing the first of the two asks again and leaves c, now tab 1.
        post(main["hwnd"], WM_SEAM_CLOSE_TAB, 0, 0)
        box, texts = self.message_box()
        self.assertIn("确定要退出账号：S1-a ?", texts)
        click(box["hwnd"], 5000)
        wait_until(lambda: [t["hwnd"] for t in self.tabs(main)] == shown, 20,
                   what="only tab c to stay")
        # The only tab left: closing it is closing the window.
        post(main["hwnd"], WM_SEAM_CLOSE_TAB, 0, 0)
        box, texts = self.message_box()
        self.assertIn("窗口即将关闭，确定要退出游戏？", texts)
        click(box["hwnd"], 5001)
        self.assertIsNone(proc.poll())

    def test_killing_the_main_process_ends_every_tab_within_a_second(self):
        proc, main, tabs = self.three_tabs()
        self.assertEqual(3, len(login_processes()))
        proc.kill()
        began = time.time()
        wait_until(lambda: not login_processes(), 10, interval=0.05,
                   what="every tab process to end")
        self.assertLess(time.time() - began, 2.5)

    def test_exitgame_and_minimize_with_tabs_end_only_their_login(self):
        self.pages(self.loadgame("S1-a", "a"), "app://exitgame")
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        self.wait_tabs(main, 1)
        self.add_account(main)
        wait_until(lambda: len(login_processes()) == 2, 20, what="a second login process")
        wait_until(lambda: len(login_processes()) == 1, 20, what="exitgame to end it")
        self.pages(self.loadgame("S1-a", "a"), "app://minimize")
        self.add_account(main)
        wait_until(lambda: len(login_processes()) == 2, 20, what="a third login process")
        wait_until(lambda: len(login_processes()) == 1, 20, what="minimize to end it")
        time.sleep(1)
        self.assertIsNone(proc.poll())
        self.assertEqual(1, len(self.tabs(main)))
        self.close_main(main, proc)


if __name__ == "__main__":
    unittest.main()
