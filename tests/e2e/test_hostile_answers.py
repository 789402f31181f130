"""Start-up against a broken or hijacked portal: whatever the button-info
answer is, the main window opens in bounded time, with an empty caption link
when the answer is unusable."""
import socket
import threading
import time
import unittest

from tolv_e2e import StandIn, TolvTestCase, children

BUTTON_INFO = "/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv"
IDC_MAIN_LINK = 1028


def answer(head, body=""):
    """A raw answer: status line and headers as given, then the body."""
    return {"mode": "raw", "chunks": [{"text": head + "\r\n\r\n" + body}]}


class SilentServer:
    """Accepts connections and never says a word (a stalled TLS server)."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(8)
        self.port = self.sock.getsockname()[1]
        self.accepted = []
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            self.accepted.append(conn)

    def close(self):
        for c in self.accepted:
            c.close()
        self.sock.close()


class HostileButtonInfo(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)

    def start_with(self, route, within):
        """Starts the client with this button-info answer; returns the seconds
        until the main window was there and its caption link text."""
        self.standin.set_routes({BUTTON_INFO: route})
        began = time.time()
        proc = self.start_tolv("/update")
        main = self.main_window(timeout=within)
        took = time.time() - began
        link = [c["title"] for c in children(main["hwnd"]) if c["id"] == IDC_MAIN_LINK]
        self.close_main(main, proc)
        return took, link[0] if link else None

    def button_info_requests(self):
        return [p for p in self.standin.paths() if p == BUTTON_INFO]

    def test_deep_nesting_is_no_json(self):
        # 1001 "[" and 1001 "]": once "Exceeded stackLimit" and no window.
        body = "[" * 1001 + "]" * 1001
        _, link = self.start_with({"body": body}, 20)
        self.assertEqual("", link)

    def test_escaped_caption_shows_its_characters(self):
        body = '{"status":1,"data":{"btn":"\\u6d3b\\u52a8","url":"http://x/","update":0}}'
        _, link = self.start_with({"body": body}, 20)
        self.assertEqual("活动", link)

    def test_malformed_length_is_refused(self):
        body = '{"status":1,"data":{"btn":"活动"}}'
        route = answer("HTTP/1.1 200 OK\r\nContent-Length: abc\r\nConnection: close", body)
        _, link = self.start_with(route, 20)
        self.assertEqual("", link)

    def test_redirect_loop_ends(self):
        # The answer sends the client back to the very same address.
        route = {"status": 302, "body": "",
                 "headers": {"Location": "http://127.0.0.1:%d%s" % (self.standin.port,
                                                                     BUTTON_INFO)}}
        _, link = self.start_with(route, 20)
        self.assertEqual("", link)
        # Only the main process asks (its login process never reads the
        # answer): once plus at most five redirects.
        self.assertLessEqual(len(self.button_info_requests()), 6)

    def test_redirect_to_a_silent_encrypted_server_is_not_followed(self):
        silent = SilentServer()
        self.addCleanup(silent.close)
        route = {"status": 302, "body": "",
                 "headers": {"Location": "https://127.0.0.1:%d/api" % silent.port}}
        took, link = self.start_with(route, 20)
        self.assertEqual("", link)
        self.assertEqual([], silent.accepted)

    def test_dribbled_answer_ends_at_the_total_bound(self):
        # 200 bytes announced, one every 0.3 s: a minute without the bound.
        route = {"mode": "raw", "chunks": [
            {"text": "HTTP/1.1 200 OK\r\nContent-Length: 200\r\nConnection: close\r\n\r\n"},
            {"text": " ", "delay": 0.3, "repeat": 200}]}
        took, link = self.start_with(route, 45)
        self.assertEqual("", link)
        # 15 s for the query, then the window; Wine's start-up comes on top.
        self.assertLess(took, 30)


if __name__ == "__main__":
    unittest.main()
