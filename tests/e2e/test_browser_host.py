"""The embedded browser in the login window's dialog base, with the real
WebBrowser control under Wine: which navigations reach the server, with what
user agent, and how the dialog holds the control.

Wine has no HTML engine: pages never complete, every navigation that goes out
ends in a navigation error, and the browser's own "before navigate" decision
is what we can watch (the host helper reports it)."""
import json
import os
import queue
import subprocess
import threading
import unittest

from tolv_e2e import TITLE, WINE, StandIn, TolvTestCase, children, post, wintool

HOST = os.environ.get("TOLV_BROWSER_HOST", "")
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_KEYDOWN = 0x0100
IDOK = 1
VK_ESCAPE = 0x1B


class BrowserHost:
    """browser_host.exe with its report lines read as they come."""

    def __init__(self, *args):
        self.proc = subprocess.Popen([WINE, HOST] + list(args), stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        self.events = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            text = raw.decode("utf-8", "replace").strip()
            if text.startswith("{"):
                self.lines.put(json.loads(text))

    def until(self, kind, timeout=60):
        """Every event up to and including the first of `kind`."""
        while True:
            try:
                event = self.lines.get(timeout=timeout)
            except queue.Empty:
                raise AssertionError("no %r event from the browser host; saw %r"
                                     % (kind, self.events))
            self.events.append(event)
            if event["event"] == kind:
                return event

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)
        self.proc.stdout.close()


class EmbeddedBrowser(TolvTestCase):
    def setUp(self):
        super().setUp()
        if not HOST:
            self.skipTest("TOLV_BROWSER_HOST is set by the test build")
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.base = "http://127.0.0.1:%d" % self.standin.port

    def host(self, *args):
        h = BrowserHost(*args)
        self.addCleanup(h.stop)
        return h

    def test_command_urls_never_reach_the_server(self):
        urls = [
            self.base + "/game.htm",
            "app://loadgame|S1-alice|" + self.base + "/loaded",
            "app://openurls|" + self.base + "/opened",
            "APP://exitgame",
            self.base + "/missing",
        ]
        h = self.host(*urls)
        h.until("end")
        before = {e["url"]: e for e in h.events if e["event"] == "before"}
        self.assertEqual(set(urls), set(before))
        self.assertTrue(before[urls[1]]["cancel"])
        self.assertTrue(before[urls[2]]["cancel"])
        # The scheme in capitals is no command to this filter.
        self.assertFalse(before[urls[3]]["cancel"])
        self.assertFalse(before[urls[0]]["cancel"])

        # Nothing at all follows a cancelled command URL.
        for url in urls[1:3]:
            i = h.events.index(before[url])
            following = h.events[i + 1]
            self.assertEqual("navigate", following["event"], h.events)

        # Only the two web pages were asked for, in order.
        self.assertEqual(["/game.htm", "/missing"], self.standin.paths())

    def test_pages_are_requested_with_the_browsers_own_user_agent(self):
        h = self.host(self.base + "/game.htm")
        h.until("end")
        requests = self.standin.requests()
        self.assertEqual(["/game.htm"], [r["path"] for r in requests])
        headers = dict((k.lower(), v) for k, v in requests[0]["headers"])
        # Not the client's own HTTP agent: the browser's.
        self.assertNotEqual("ZMR", headers["user-agent"])
        self.assertTrue(headers["user-agent"].startswith("Mozilla/"), headers["user-agent"])
        self.assertIn("MSIE", headers["user-agent"])

    def test_navigation_errors_are_cancelled(self):
        h = self.host(self.base + "/missing", self.base + "/game.htm")
        h.until("end")
        errors = [e for e in h.events if e["event"] == "error"]
        self.assertTrue(errors)
        self.assertTrue(all(e["cancel"] for e in errors), errors)
        self.assertIn(404, [e["status"] for e in errors if e["url"].endswith("/missing")])

    def test_dialog_holds_the_browser_as_control_102_and_esc_ends_it(self):
        h = self.host("--stay")
        init = h.until("init")
        self.assertTrue(init["created"])
        h.until("ready")
        kids = children(init["hwnd"])
        browser = [c for c in kids if c["hwnd"] == init["browser"]]
        self.assertEqual(1, len(browser), kids)
        self.assertEqual(102, browser[0]["id"])
        self.assertEqual(init["hwnd"], browser[0]["parent"])
        self.assertEqual("Shell Embedding", browser[0]["class"])
        self.assertTrue(browser[0]["visible"])

        # Enter's command does nothing; the dialog is still there afterwards.
        out, rc = wintool("send", init["hwnd"], WM_COMMAND, IDOK, 0)
        self.assertEqual(0, rc)
        self.assertIsNone(h.proc.poll())
        self.assertTrue([w for w in children(init["hwnd"]) if w["id"] == 102])

        # Esc ends it as a cancel.
        wintool("post", init["hwnd"], WM_KEYDOWN, VK_ESCAPE, 1)
        self.assertEqual(2, h.until("end")["result"])
        self.assertEqual(0, h.proc.wait(20))


CACHE_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\5.0\Cache\Content"
BUTTON_INFO = "/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv"


def reg(*args):
    out = subprocess.run([WINE, "reg"] + list(args), stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    return out.stdout.decode("utf-8", "replace"), out.returncode


def cache_limit():
    text, rc = reg("query", CACHE_KEY, "/v", "CacheLimit")
    if rc != 0:
        return None
    for line in text.splitlines():
        parts = line.split()
        if parts and parts[0] == "CacheLimit":
            return int(parts[-1], 16)
    return None


class CacheLimitAtStartup(TolvTestCase):
    """Start-up writes the browser's cache limit in the modes that show game
    windows, into the user's existing cache key."""

    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.addCleanup(reg, "delete", CACHE_KEY, "/v", "CacheLimit", "/f")

    def test_update_mode_sets_the_limit(self):
        self.assertEqual(0, reg("add", CACHE_KEY, "/v", "CacheLimit", "/t", "REG_DWORD",
                                "/d", "7", "/f")[1])
        proc = self.start_tolv("/update")
        main = self.main_window()
        self.assertEqual(0x00100000, cache_limit())
        self.close_main(main, proc)

    def test_uninstall_mode_leaves_it(self):
        reg("add", CACHE_KEY, "/v", "CacheLimit", "/t", "REG_DWORD", "/d", "7", "/f")
        proc = self.start_tolv("/uninst")
        box, _ = self.message_box()
        post(box["hwnd"], WM_CLOSE)
        self.assertEqual(0, self.wait_exit(proc))
        self.assertEqual(7, cache_limit())


if __name__ == "__main__":
    unittest.main()
