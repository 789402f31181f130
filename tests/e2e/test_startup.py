"""Start-up of every process: the connectivity probe, the launch modes that
end early, and the update mode's window."""
import unittest

from tolv_e2e import (NO_NETWORK, StandIn, TolvTestCase, TITLE, WM_CLOSE, WM_KEYDOWN, VK_ESCAPE,
                      VK_RETURN, children, click, post, tolv_windows, wait_until, wintool)

BUTTON_INFO = "/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv"
MANIFEST = "/update/ConfigTolv.htm"
REPORTS = ("/install.htm", "/active.htm", "/uninstall.htm", "/login.htm")


class WithoutNetwork(TolvTestCase):
    """No stand-in: the probe's port is closed."""

    def check_refused(self, *args):
        proc = self.start_tolv(*args)
        box, texts = self.message_box()
        self.assertEqual(TITLE, box["title"])
        self.assertIn(NO_NETWORK, texts)
        buttons = [c for c in children(box["hwnd"]) if c["visible"] and c["id"] in (5000, 5001)]
        self.assertEqual(["确定"], [b["title"] for b in buttons])
        # The process waits for the answer...
        self.assertIsNone(proc.poll())
        # ...and ends once it is given, without opening anything else.
        self.assertTrue(click(box["hwnd"], 5000))
        self.assertEqual(0, self.wait_exit(proc))

    def test_shortcut_mode_says_no_network_and_ends(self):
        self.check_refused("/TolvD")

    def test_uninstall_mode_says_no_network_and_ends(self):
        self.check_refused("/uninst")

    def test_login_process_says_no_network_and_ends(self):
        self.check_refused("/newgm", "/655", "/2")

    def test_enter_and_escape_leave_the_message_open(self):
        proc = self.start_tolv("/update")
        box, _ = self.message_box()
        button = [c for c in children(box["hwnd"]) if c["id"] == 5000][0]
        for key in (VK_RETURN, VK_ESCAPE):
            post(button["hwnd"], WM_KEYDOWN, key, 1)
            post(box["hwnd"], WM_KEYDOWN, key, 1)
        # The box would have ended by now if either key reached it.
        self.assertTrue(wait_until(lambda: tolv_windows(TITLE, "#32770"), 2))
        self.assertIsNone(proc.poll())
        # Closing it from the caption is an answer too.
        post(box["hwnd"], WM_CLOSE)
        self.assertEqual(0, self.wait_exit(proc))


class WithNetwork(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)

    def test_update_mode_opens_the_main_window_without_report_or_update_check(self):
        # Even when the portal asks for updates, "/update" makes no check.
        self.standin.set_routes({BUTTON_INFO: {
            "body": '{"status":1,"data":{"btn":"论坛","url":"http://x/","update":1}}'}})
        proc = self.start_tolv("/update")
        main = self.main_window()
        self.assertIn("论坛", [c["title"] for c in children(main["hwnd"])])
        # The login process has shown its background: it is past its start-up.
        wait_until(lambda: [w for w in tolv_windows() if w["owner"] == main["hwnd"]], 20,
                   what="the login background")
        self.close_main(main, proc)
        # The login page loads; nobody reports or checks for updates, and only
        # the main process asks the portal: the login process never reads the
        # answer.
        paths = self.standin.paths()
        self.assertEqual({BUTTON_INFO, "/yxtolv/wd-home?ver=1.02"}, set(paths))
        self.assertEqual(1, paths.count(BUTTON_INFO))

    def test_button_info_request_carries_the_client_headers(self):
        proc = self.start_tolv("/update")
        main = self.main_window()
        request = self.standin.requests()[0]
        headers = dict((k.lower(), v) for k, v in request["headers"])
        self.assertEqual("ZMR", headers["user-agent"])
        # The client sends "zh-cn " with a blank; Wine's WinINet trims it.
        self.assertEqual("zh-cn", headers["accept-language"].rstrip(" "))
        self.assertEqual("application/x-www-form-urlencoded", headers["content-type"])
        self.assertEqual("GET", request["method"])
        self.close_main(main, proc)

    def test_uninstall_not_confirmed_ends_without_requests(self):
        proc = self.start_tolv("/UNINST")
        box, texts = self.message_box()
        self.assertIn("确定要移除 BrindloTolvane吗？", texts)
        labels = {c["id"]: c["title"] for c in children(box["hwnd"]) if c["visible"]}
        self.assertEqual("是", labels.get(5000))
        self.assertEqual("否", labels.get(5001))
        click(box["hwnd"], 5001)
        self.assertEqual(0, self.wait_exit(proc))
        self.assertEqual([], self.standin.paths())

    def test_a_frame_joins_only_a_main_game_window(self):
        # The desktop (or any other program's window) is no main game window:
        # a hall process handed it ends without attaching a frame to it.
        desktop = wintool("desktop")[0][0]["hwnd"]
        for args in (("/gmhall", "/%d" % desktop), ("/newgm", "/%d" % desktop, "/0")):
            proc = self.start_tolv(*args)
            self.assertEqual(0, self.wait_exit(proc), args)
        self.assertEqual([], [c for c in children(desktop) if c["class"] == "TolvFrame"])
        self.assertEqual([], self.standin.paths())

    def test_login_process_without_usable_arguments_ends_quietly(self):
        for args in (("/newgm",), ("/newgm", "/1"), ("/gmhall", "/1234567890123456"),
                     ("/gmhall", "/abc"), ("/newgm", "/abc", "/1")):
            proc = self.start_tolv(*args)
            self.assertEqual(0, self.wait_exit(proc), args)
        self.assertEqual([], self.standin.paths())


if __name__ == "__main__":
    unittest.main()
