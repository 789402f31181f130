"""The login process: the login page, the page's "app:" commands and the
hand-off to the main window. The test build plays the page's part
(TOLV_TEST_SEAM_LOGIN: addresses the login browser is sent to once the
login page has been requested), since Wine has no HTML engine."""
import os
import time
import unittest

from tolv_e2e import StandIn, TolvTestCase, post, tolv_windows, wait_until
from test_tabs import login_processes

LOGIN_PAGE = "/yxtolv/wd-home?ver=1.02"


class LoginCommands(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.game = "http://127.0.0.1:%d/game.htm?uid=alice" % self.standin.port

    def start_with_page(self, *commands):
        """A main window whose login processes' pages issue `commands`."""
        os.environ["TOLV_TEST_SEAM_LOGIN"] = "\n".join(commands)
        try:
            proc = self.start_tolv("/update")
        finally:
            del os.environ["TOLV_TEST_SEAM_LOGIN"]
        return proc, self.main_window()

    def login_reports(self):
        return [p for p in self.standin.paths() if p.startswith("/login.htm")]

    def test_login_page_is_requested_by_the_browser(self):
        proc, main = self.start_with_page()
        wait_until(lambda: LOGIN_PAGE in self.standin.paths(), 20, what="the login page request")
        request = [r for r in self.standin.requests() if r["path"] == LOGIN_PAGE][0]
        agent = dict((k.lower(), v) for k, v in request["headers"])["user-agent"]
        self.assertNotEqual("ZMR", agent)
        self.close_main(main, proc)

    def test_accepted_login_is_reported_with_the_decoded_account(self):
        proc, main = self.start_with_page(
            "app://loadgame|S1%E5%8F%8C-alice|" + self.game)
        wait_until(self.login_reports, 20, what="the login report")
        self.assertEqual(["/login.htm?tag=Tolv&ver=3.0.1.3&uid=alice&index=1"],
                         self.login_reports())
        self.close_main(main, proc)

    def login_window(self, main):
        """The login window: owned by the login background, which the main
        window owns."""
        def find():
            found = tolv_windows(title=None, only_visible=False)
            backgrounds = [w["hwnd"] for w in found if w["owner"] == main["hwnd"]]
            return [w for w in found if w["owner"] in backgrounds and w["class"] == "#32770"]
        return wait_until(find, 20, what="the login window")[0]

    def test_login_window_is_colour_keyed_without_a_taskbar_button_and_reloads(self):
        proc, main = self.start_with_page()
        login = self.login_window(main)
        # Layered, so that magenta shows the art. It is found as soon as it
        # exists, and takes its styles while it is being set up.
        login = wait_until(lambda: [w for w in tolv_windows(title=None, only_visible=False)
                                    if w["hwnd"] == login["hwnd"] and w["exstyle"] & 0x00080000],
                           10, what="the login window to be layered")[0]
        self.assertTrue(login["exstyle"] & 0x00000080)  # tool window
        self.assertFalse(login["exstyle"] & 0x00040000)  # no task-bar button
        wait_until(lambda: LOGIN_PAGE in self.standin.paths(), 20, what="the login page")
        post(login["hwnd"], 0x400 + 8)
        wait_until(lambda: self.standin.paths().count(LOGIN_PAGE) >= 3, 20,
                   what="the login page to load again")
        self.close_main(main, proc)

    def test_exitgame_abandons_the_first_login_and_the_main_window_ends(self):
        proc, main = self.start_with_page("app://exitgame")
        self.assertEqual(0, self.wait_exit(proc, timeout=30))

    def test_closing_the_login_window_abandons_the_login_as_exitgame_does(self):
        # Alt+F4 on the login window is the system's close command.
        proc, main = self.start_with_page()
        login = self.login_window(main)
        wait_until(lambda: LOGIN_PAGE in self.standin.paths(), 20, what="the login page")
        post(login["hwnd"], 0x0112, 0xF060)
        self.assertEqual(0, self.wait_exit(proc, timeout=30))

    def test_unknown_commands_and_upper_case_scheme_do_nothing(self):
        proc, main = self.start_with_page("app://nothingx", "APP://exitgame")
        wait_until(lambda: LOGIN_PAGE in self.standin.paths(), 20, what="the login page")
        time.sleep(4)
        self.assertIsNone(proc.poll())
        self.assertEqual(1, len(login_processes()))
        self.close_main(main, proc)

    def test_openurls_starts_no_local_program_and_loadgame_no_local_page(self):
        proc, main = self.start_with_page(
            "app://openurls|file:///C:/windows/system32/notepad.exe",
            "app://openurls|C:\\windows\\notepad.exe",
            "app://openurls|notepad.exe",
            "app://loadgame|S1-alice|file:///C:/windows/system32/notepad.exe",
            "app://loadgame|S1-alice|javascript:alert(1)")
        wait_until(lambda: LOGIN_PAGE in self.standin.paths(), 20, what="the login page")
        time.sleep(4)
        self.assertEqual([], [w for w in tolv_windows(title=None) if "notepad" in w["image"].lower()])
        running = []
        for pid in os.listdir("/proc"):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    running.append(f.read().decode("utf-8", "replace").lower())
            except OSError:
                pass
        self.assertEqual([], [c for c in running if "notepad" in c])
        # A game address that is no web page hands no account over.
        self.assertEqual([], self.login_reports())
        self.assertEqual(1, len(login_processes()))
        self.close_main(main, proc)


if __name__ == "__main__":
    unittest.main()
