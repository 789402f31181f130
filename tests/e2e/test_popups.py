"""The two pop-ups: the external-account login window of a login process and
the add-account prompt under the main window's caption link.

Wine has no HTML engine, so the test build plays the pages: the login page's
navigations come from TOLV_TEST_SEAM_LOGIN, and the pop-up's browser dialog
takes "complete URL", "navigate URL" and "htmldialog" as WM_COPYDATA texts
(see CQQHtml's test seam). Cookies go into WinINet's store through wintool,
before the client starts (Wine reads a site's stored cookies once)."""
import json
import os
import subprocess
import time
import unittest

from screen import art, grab, park_mouse, xdotool
from tolv_e2e import (EXE, TITLE, WINE, WINTOOL, WM_KEYDOWN, VK_ESCAPE, VK_RETURN, StandIn,
                      TolvTestCase, click, post, tolv_windows, wait_until, windows, wintool)

LOGIN_PAGE = "/yxtolv/wd-home?ver=1.02"
SKINSHOW = os.environ.get("TOLV_SKINSHOW", "")
CAPTIONS = {"qzone": "QQ账号安全登录", "weibo": "新浪微博账号安全登录", "weixin": "微信账号安全登录"}
STARTS = {"qzone": "/qzone/redirectToAuthorize.do?params=q1",
          "weibo": "/weibo/redirectToAuthorize.do?params=w1",
          "weixin": "/weixin/redirectToAuthorize.do?params=x1"}
ID_CAPTION_CLOSE = 50000
EXPIRED = "expires=Thu, 01 Jan 1970 00:00:01 GMT"


def size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


class ExternalLoginPopUp(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.base = "http://127.0.0.1:%d" % self.standin.port

    def start_with_page(self, *paths):
        os.environ["TOLV_TEST_SEAM_LOGIN"] = "\n".join(self.base + p for p in paths)
        try:
            proc = self.start_tolv("/update")
        finally:
            del os.environ["TOLV_TEST_SEAM_LOGIN"]
        return proc, self.main_window()

    def popup(self, caption):
        """The pop-up, once centred on the desktop: it is shown first and
        centred right after, so a look in between sees it elsewhere."""
        desktop = wintool("desktop")[0][0]["rect"]
        centred = [(desktop[2] - 790) // 2, (desktop[3] - 525) // 2,
                   (desktop[2] - 790) // 2 + 790, (desktop[3] - 525) // 2 + 525]
        return wait_until(lambda: [w for w in tolv_windows(title=caption)
                                   if w["rect"] == centred], 30,
                          what="the pop-up %r, 790 x 525, centred" % caption)[0]

    def body(self, popup):
        """The pop-up's browser dialog: the window the frame owns."""
        found = wait_until(lambda: [w for w in windows() if w["owner"] == popup["hwnd"]
                                    and w["class"] == "#32770"], 20, what="the browser dialog")
        self.assertEqual(1, len(found))
        return found[0]

    def play(self, body, text):
        """Plays the provider's page in the browser dialog; its answer."""
        out, rc = wintool("copydata", body["hwnd"], text)
        self.assertEqual(0, rc, text)
        return out[0]["result"]

    def login_windows(self, main):
        found = tolv_windows(title=None, only_visible=False)
        backgrounds = [w for w in found if w["owner"] == main["hwnd"] and w["title"] == TITLE]
        logins = [w for w in found if w["owner"] in [b["hwnd"] for b in backgrounds]
                  and w["class"] == "#32770" and w["title"] != TITLE
                  and w["title"] not in CAPTIONS.values()]
        return backgrounds[0], logins[0]

    def set_cookie(self, path, data):
        self.assertEqual(0, wintool("cookie", self.base + path, data)[1])

    def check_pop_up(self, provider):
        """The login page starts `provider`'s login: a centred pop-up whose
        browser covers its body and asks the stand-in for the start."""
        start = STARTS[provider]
        proc, main = self.start_with_page(start)
        popup = self.popup(CAPTIONS[provider])
        left, top, right, bottom = popup["rect"]
        body = self.body(popup)
        self.assertTrue(body["visible"])
        self.assertEqual([left + 4, top + 30, right - 4, bottom - 4], body["rect"])
        # The login browser never loads the start; the pop-up's does.
        wait_until(lambda: start in self.standin.paths(), 20,
                   what="the pop-up's request for %s" % start)
        self.close_main(main, proc)

    def test_qq_pop_up(self):
        self.check_pop_up("qzone")

    def test_sina_weibo_pop_up(self):
        self.check_pop_up("weibo")

    def test_wechat_pop_up(self):
        self.check_pop_up("weixin")

    def test_second_login_replaces_the_first_keys_do_nothing_close_button_ends_both(self):
        proc, main = self.start_with_page(STARTS["qzone"], STARTS["weixin"])
        popup = self.popup(CAPTIONS["weixin"])
        body = self.body(popup)
        self.assertEqual([], tolv_windows(title=CAPTIONS["qzone"], only_visible=False))
        self.assertEqual(1, len([w for w in tolv_windows(title=None, only_visible=False)
                                 if w["title"] in CAPTIONS.values()]))
        for window in (popup, body):
            for key in (VK_RETURN, VK_ESCAPE):
                post(window["hwnd"], WM_KEYDOWN, key, 0x00010001)
        time.sleep(1.5)
        self.assertTrue(self.popup(CAPTIONS["weixin"])["visible"])
        self.assertEqual(body["hwnd"], self.body(popup)["hwnd"])
        self.assertTrue(self.body(popup)["visible"])

        background, login = self.login_windows(main)
        self.assertTrue(click(popup["hwnd"], ID_CAPTION_CLOSE))
        wait_until(lambda: not [w for w in windows() if w["hwnd"] in (popup["hwnd"], body["hwnd"])],
                   20, what="both pop-up windows to go")
        # The login goes on without the pop-up.
        self.assertEqual(login["hwnd"], self.login_windows(main)[1]["hwnd"])
        self.close_main(main, proc)

    def test_login_ends_on_a_callback_with_the_login_cookie(self):
        callback = "/qzone/callback.do?code=7"
        self.set_cookie(callback, "Pauth=token7; path=/qzone/; expires=Sat, 01 Jan 2033 00:00:00 GMT")
        self.addCleanup(self.set_cookie, callback, "Pauth=; path=/qzone/; " + EXPIRED)
        auth = "/oauth2.0/authorize?client_id=1"
        proc, main = self.start_with_page(STARTS["qzone"])
        popup = self.popup(CAPTIONS["qzone"])
        body = self.body(popup)
        background, login = self.login_windows(main)
        wait_until(lambda: LOGIN_PAGE in self.standin.paths(), 20, what="the login page")

        # The look: the main window's skin, stretched, with the close button.
        time.sleep(0.5)
        shot = grab("external_login_pop_up")
        left, top, right, bottom = popup["rect"]
        back, close = art("main_back.png"), art("caption_close.png")
        self.assertEqual(back.pixel(15, 15), shot.pixel(left + 300, top + 15))
        self.assertEqual(back.pixel(1, 40), shot.pixel(left + 1, top + 200))
        self.assertEqual(close.pixel(16, 14), shot.pixel(right - 33 + 16, top + 14))

        # Visible: the authorisation page loads like any other.
        self.assertEqual(1, self.play(body, "navigate " + self.base + auth + "&shown=1"))
        wait_until(lambda: auth + "&shown=1" in self.standin.paths(), 20,
                   what="the authorisation page while shown")
        # A callback without its cookie is an ordinary page.
        self.assertEqual(1, self.play(body, "complete " + self.base + "/weibo/callback.do?state=7"))
        time.sleep(1)
        self.assertTrue(self.popup(CAPTIONS["qzone"])["visible"])
        reloads = self.standin.paths().count(LOGIN_PAGE)

        self.assertEqual(1, self.play(body, "complete " + self.base + callback))
        wait_until(lambda: not tolv_windows(title=CAPTIONS["qzone"]), 20,
                   what="the pop-up to close")
        wait_until(lambda: self.standin.paths().count(LOGIN_PAGE) > reloads, 20,
                   what="the login page to load again")
        foreground = wintool("foreground")[0][0]["hwnd"]
        self.assertIn(foreground, (background["hwnd"], login["hwnd"]))

        # Hidden: the authorisation page stays away unless merely mentioned.
        hidden = [w for w in windows() if w["hwnd"] == body["hwnd"]]
        self.assertTrue(hidden and not hidden[0]["visible"])
        mention = "/mention?next=" + self.base + auth
        self.play(body, "navigate " + self.base + auth + "&hidden=1")
        self.play(body, "navigate " + self.base + mention)
        wait_until(lambda: mention in self.standin.paths(), 20, what="the mentioning address")
        time.sleep(1)
        self.assertNotIn(auth + "&hidden=1", self.standin.paths())
        self.close_main(main, proc)

    def test_only_the_login_process_html_dialogs_are_closed(self):
        proc, main = self.start_with_page(STARTS["weibo"])
        popup = self.popup(CAPTIONS["weibo"])
        body = self.body(popup)
        other = subprocess.Popen([WINE, WINTOOL, "htmldialog", "3"], stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(other.stdout.close)
        self.addCleanup(other.kill)
        line = other.stdout.readline().decode()
        self.assertIn("hwnd", line)
        self.assertEqual(1, self.play(body, "htmldialog"))
        lived = wait_until(lambda: self.play(body, "htmldialog?"), 10,
                           what="the login process's HTML dialog to close")
        self.assertLess(lived - 1, 800)  # timer 2 ticks every 130 ms; a busy machine lags
        result = json.loads(other.stdout.readline().decode())
        other.wait(20)
        self.assertEqual(0, result["closed"])  # another program's dialog stays
        self.close_main(main, proc)


class AddAccountPrompt(TolvTestCase):
    """The prompt itself, under a stand-in host window's link (skinshow),
    driven with the real mouse."""

    def setUp(self):
        super().setUp()
        if not SKINSHOW:
            self.skipTest("TOLV_SKINSHOW is set by scripts/test")
        park_mouse()

    def open(self):
        proc = self.start_tolv("prompt", exe=SKINSHOW)
        host = wait_until(lambda: [w for w in windows() if w["title"] == "TolvPromptHost"
                                   and w["visible"]], 20, what="the prompt's host")[0]
        link = [c for c in wintool("children", host["hwnd"])[0] if c["id"] == 1005][0]
        return proc, host, link

    def prompt(self, visible=True):
        found = [w for w in windows() if w["title"] == "登录其他账号" and w["class"] == "#32770"
                 and w["visible"] == visible]
        return found[0] if found else None

    def click_at(self, x, y):
        xdotool("mousemove", x, y)
        xdotool("click", 1)

    def drop(self, link):
        x, y = (link["rect"][0] + link["rect"][2]) // 2, (link["rect"][1] + link["rect"][3]) // 2
        self.click_at(x, y)
        return wait_until(self.prompt, 10, what="the prompt")

    def test_prompt_drops_under_the_link_and_answers_with_the_mouse(self):
        for button, answer in ((1, 11), (2, 10)):
            proc, host, link = self.open()
            prompt = self.drop(link)
            self.assertEqual((284, 150), size(prompt["rect"]))
            self.assertEqual(link["rect"][2], prompt["rect"][2])
            self.assertEqual(link["rect"][3], prompt["rect"][1])
            kids = {c["id"]: c for c in wintool("children", prompt["hwnd"])[0]}
            self.assertEqual("是", kids[1]["title"])
            self.assertEqual("否", kids[2]["title"])
            if button == 1:
                time.sleep(0.5)
                shot = grab("add_account_prompt")
                left, top = prompt["rect"][:2]
                back = art("addacc_back.png")
                for x, y in ((20, 10), (5, 40), (150, 140), (270, 60)):
                    self.assertEqual(back.pixel(x, y), shot.pixel(left + x, top + y), (x, y))
                strip = art("dlg_button.png")
                b = kids[1]["rect"]
                self.assertEqual(strip.pixel(3, 3), shot.pixel(b[0] + 3, b[1] + 3))
                # The question's three lines have ink.
                q = kids[1023]["rect"]
                ink = [y for y in range(q[1], q[3])
                       if any(max(p) < 110 for p in shot.crop(q[0], y, q[2], y + 1))]
                self.assertGreater(len(ink), 12)
            r = kids[button]["rect"]
            self.click_at((r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
            self.assertEqual(answer, self.wait_exit(proc))

    def test_caption_click_dismisses_without_answer_and_the_prompt_never_drags(self):
        proc, host, link = self.open()
        prompt = self.drop(link)
        # The link clicked while the prompt is open: it stays, under the link.
        self.drop(link)
        time.sleep(0.5)
        self.assertEqual(prompt["rect"], self.prompt()["rect"])
        left, top = prompt["rect"][:2]
        xdotool("mousemove", left + 60, top + 12)
        xdotool("mousedown", 1)
        xdotool("mousemove", left + 160, top + 112)
        xdotool("mousemove", left + 170, top + 122)
        xdotool("mouseup", 1)
        time.sleep(0.5)
        self.assertEqual(prompt["rect"], self.prompt()["rect"])
        # The host's caption: the prompt goes, nothing is answered.
        self.click_at(host["rect"][0] + 60, host["rect"][1] + 8)
        wait_until(lambda: self.prompt(visible=False), 10, what="the prompt to hide")
        time.sleep(0.5)
        self.assertIsNone(proc.poll())
        # Clicked again, the same prompt drops under the link.
        again = self.drop(link)
        self.assertEqual(prompt["hwnd"], again["hwnd"])
        self.assertEqual(prompt["rect"], again["rect"])


if __name__ == "__main__":
    unittest.main()
