"""Usage reports and Statistic.ini, and the client's HTTP routines, against the
stand-in server."""
import datetime
import glob
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from tolv_e2e import (read_ini, EXE, WINE, StandIn, TolvTestCase, TITLE, WM_CLOSE, children, click, post,
                      wait_until)

FETCH = os.environ.get("TOLV_FETCH", "")
BUTTON_INFO = "/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv"


def local_appdata():
    users = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*",
                                   "AppData", "Local"))
    return [u for u in users if os.sep + "Public" + os.sep not in u][0]


STATISTIC = None


def statistic_path():
    global STATISTIC
    if STATISTIC is None:
        STATISTIC = os.path.join(local_appdata(), "Brindlo", "VodiVavoz", "Statistic.ini")
    return STATISTIC


def read_statistic():
    """Section "Tolv" of Statistic.ini as a dict (keys as written)."""
    values = read_ini(statistic_path())
    if values is None:
        raise FileNotFoundError(statistic_path())
    return values


def write_statistic(values):
    os.makedirs(os.path.dirname(statistic_path()), exist_ok=True)
    lines = ["[Tolv]"] + ["%s=%s" % kv for kv in values.items()]
    with open(statistic_path(), "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def date_text(days_ago):
    d = datetime.date.today() - datetime.timedelta(days=days_ago)
    return "%d/%d/%d" % (d.year, d.month, d.day)


def fetch(*args):
    out = subprocess.run([WINE, FETCH] + [str(a) for a in args], stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    lines = [l for l in out.stdout.decode("utf-8").splitlines() if l.startswith("{")]
    return json.loads(lines[-1])


class Reports(TolvTestCase):
    def setUp(self):
        super().setUp()
        # An installed client: the install folder exists, its settings do not.
        os.makedirs(os.path.dirname(statistic_path()), exist_ok=True)
        if os.path.exists(statistic_path()):
            os.remove(statistic_path())
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)

    def reports(self, page):
        return [r for r in self.standin.requests() if r["path"].startswith(page)]

    def run_game_start(self):
        """Starts from the shortcut, waits for the activity report, closes the window."""
        proc = self.start_tolv("/TolvD")
        main = self.main_window()
        wait_until(lambda: self.reports("/active.htm"), 20, what="the activity report")
        self.close_main(main, proc)
        reports = self.reports("/active.htm")
        self.assertEqual(1, len(reports))
        return reports[0]

    def test_first_game_start_reports_and_counts(self):
        report = self.run_game_start()
        self.assertEqual("/active.htm?tag=Tolv&ver=3.0.1.3&count=1&apartdays=0&keepdays=1"
                         "&weekdays=1", report["path"])
        headers = dict((k.lower(), v) for k, v in report["headers"])
        self.assertEqual("ZMR", headers["user-agent"])
        self.assertEqual("zh-cn", headers["accept-language"].rstrip(" "))
        stats = read_statistic()
        self.assertEqual("1", stats["Game"])
        self.assertEqual("1", stats["keepdays"])
        self.assertEqual("1", stats["weekdays"])
        self.assertEqual(date_text(0), stats["lstTime"])

    def test_game_start_three_days_after_the_last(self):
        write_statistic({"Game": "7", "lstTime": date_text(3), "keepdays": "5", "weekdays": "1"})
        report = self.run_game_start()
        self.assertEqual("/active.htm?tag=Tolv&ver=3.0.1.3&count=8&apartdays=2&keepdays=1"
                         "&weekdays=2", report["path"])
        stats = read_statistic()
        self.assertEqual("9", stats["weekdays"])
        self.assertEqual("1", stats["keepdays"])
        self.assertEqual(date_text(0), stats["lstTime"])

    def test_a_last_start_in_2040_counts_as_future(self):
        # Dates from 2038 on once came out as today and kept the run going.
        write_statistic({"Game": "2", "lstTime": "2040/1/1", "keepdays": "5", "weekdays": "3"})
        report = self.run_game_start()
        apart = (datetime.date.today() - datetime.date(2040, 1, 1)).days - 1
        self.assertEqual("/active.htm?tag=Tolv&ver=3.0.1.3&count=3&apartdays=%d&keepdays=1"
                         "&weekdays=1" % apart, report["path"])
        self.assertEqual(date_text(0), read_statistic()["lstTime"])

    def test_install_run_reports_then_ends(self):
        write_statistic({"Inst": "4"})
        proc = self.start_tolv()
        self.assertEqual(0, self.wait_exit(proc))
        self.assertEqual(["/install.htm?tag=Tolv&ver=3.0.1.3&count=5"],
                         [r["path"] for r in self.reports("/install.htm")])
        self.assertEqual("5", read_statistic()["Inst"])

    def test_web_hall_run_reports_then_ends(self):
        proc = self.start_tolv("/webbrindloD")
        self.assertEqual(0, self.wait_exit(proc))
        self.assertEqual(["/active.htm?tag=webbrindlo&ver=3.0.1.3&count=1"],
                         [r["path"] for r in self.reports("/active.htm")])
        self.assertEqual("1", read_statistic()["Brindlo"])

    def test_confirmed_uninstall_reports_then_ends(self):
        # The removal script deletes the executable that ran: a copy runs.
        folder = tempfile.mkdtemp(prefix="tolv-uninst-")
        self.addCleanup(shutil.rmtree, folder, True)
        exe = os.path.join(folder, "Tolv.exe")
        shutil.copy(EXE, exe)
        proc = self.start_tolv("/uninst", exe=exe)
        box, texts = self.message_box()
        click(box["hwnd"], 5000)
        # The completion message waits for its OK.
        done = wait_until(lambda: (lambda found: found if any("已成功移除" in t for t in found[1])
                                   else None)(self.message_box()), 30,
                          what="the completion message")
        click(done[0]["hwnd"], 5000)
        self.assertEqual(0, self.wait_exit(proc))
        self.assertEqual(["/uninstall.htm?tag=Tolv&ver=3.0.1.3&count=1"],
                         [r["path"] for r in self.reports("/uninstall.htm")])
        self.assertEqual("1", read_statistic()["UnInst"])

    def test_refused_or_stalled_report_still_ends_the_run(self):
        self.standin.set_routes({"/install.htm": {"status": 404}})
        self.assertEqual(0, self.wait_exit(self.start_tolv()))
        self.standin.set_routes({"/active.htm": {"mode": "stall", "delay": 120}})
        began = time.time()
        self.assertEqual(0, self.wait_exit(self.start_tolv("/webbrindloD"), timeout=40))
        # Ended by the request's time-out, not by the server.
        self.assertLess(time.time() - began, 30)
        # (The copy the install run installed and started reports its own start.)
        self.assertEqual(1, len(self.reports("/active.htm?tag=webbrindlo")))

    def test_stalled_button_info_delays_start_up_but_does_not_block_it(self):
        self.standin.set_routes({BUTTON_INFO: {"mode": "stall", "delay": 120}})
        proc = self.start_tolv("/update")
        main = self.main_window(timeout=60)
        self.close_main(main, proc)


class HttpRoutines(unittest.TestCase):
    """The client's own HTTP routines, run through the fetch helper."""

    def setUp(self):
        if not FETCH:
            self.skipTest("TOLV_FETCH is set by scripts/test")
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.dir = os.path.dirname(FETCH)

    def button_info(self, route):
        self.standin.set_routes({BUTTON_INFO: route})
        return fetch("button-info")

    def test_button_info_answer_checks(self):
        body = '{"status":1,"data":{"btn":"论坛"}}'
        self.assertEqual(1, self.button_info({"body": body})["ok"])
        self.assertEqual(body, self.button_info({"body": body})["text"])
        self.assertEqual(1, self.button_info({"body": body, "status": 500})["ok"])
        self.assertEqual(0, self.button_info({"body": body, "status": 404})["ok"])
        self.assertEqual(0, self.button_info({"body": body, "mode": "no-length"})["ok"])
        self.assertEqual(0, self.button_info({"body": body, "mode": "short"})["ok"])
        self.assertEqual(0, self.button_info({"body": "x" * 4096})["ok"])
        self.assertEqual(1, self.button_info({"body": "x" * 4095})["ok"])

    def test_button_info_refuses_a_length_that_is_no_number(self):
        for length in ("abc", "-1", "12abc", "99999999999"):
            head = "HTTP/1.1 200 OK\r\nContent-Length: %s\r\nConnection: close\r\n\r\n" % length
            result = self.button_info({"mode": "raw", "chunks": [{"text": head + "{}"}]})
            self.assertEqual(0, result["ok"], length)
        head = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n"
        self.assertEqual(1, self.button_info({"mode": "raw", "chunks": [{"text": head + "{}"}]})["ok"])

    def test_redirects_are_followed_five_times_at_most(self):
        port = self.standin.port
        hop = lambda n: {"status": 302, "body": "", "headers": {"Location": "/hop%d" % n}}
        body = '{"status":1}'
        routes = {BUTTON_INFO: hop(1), "/hop5": {"body": body}}
        for n in range(1, 5):
            routes["/hop%d" % n] = hop(n + 1)
        self.standin.set_routes(routes)
        self.assertEqual({"ok": 1, "text": body}, fetch("button-info"))
        # One more is too many; a loop ends after the same count.
        routes["/hop5"] = hop(6)
        routes["/hop6"] = {"body": body}
        self.standin.set_routes(routes)
        self.assertEqual(0, fetch("button-info")["ok"])
        self.assertNotIn("/hop6", self.standin.paths())
        before = len(self.standin.paths())
        self.standin.set_routes({BUTTON_INFO: {"status": 302, "body": "", "headers": {
            "Location": "http://127.0.0.1:%d%s" % (port, BUTTON_INFO)}}})
        self.assertEqual(0, fetch("button-info")["ok"])
        self.assertEqual(6, len(self.standin.paths()) - before)

    def test_update_download_is_not_handed_on_to_an_untrusted_host(self):
        port = self.standin.port
        target = os.path.join(self.dir, "NewTolv.exe")
        self.standin.set_routes({
            "/files/Tolv.exe": {"status": 302, "body": "", "headers": {
                # The stand-in itself, by a name that is not trusted.
                "Location": "http://127.1:%d/evil.exe" % port}},
            "/evil.exe": {"size": 3000},
            "/files/moved.exe": {"status": 301, "body": "", "headers": {
                "Location": "http://localhost:%d/files/real.exe" % port}},
            "/files/real.exe": {"size": 3000}})
        self.assertEqual(0, fetch("update", "http://127.0.0.1:%d/files/Tolv.exe" % port,
                                  target)["ok"])
        self.assertNotIn("/evil.exe", self.standin.paths())
        # A trusted host may still move the file to another trusted host.
        self.assertEqual(1, fetch("update", "http://127.0.0.1:%d/files/moved.exe" % port,
                                  target)["ok"])
        self.assertEqual(3000, os.path.getsize(target))
        os.remove(target)

    def test_report_get_accepts_capital_scheme_and_refuses_https(self):
        port = self.standin.port
        self.assertEqual(1, fetch("get", "HTTP://127.0.0.1:%d/login.htm?x=1" % port)["ok"])
        self.assertEqual(0, fetch("get", "https://127.0.0.1:%d/login.htm?x=2" % port)["ok"])
        self.assertEqual(["/login.htm?x=1"], self.standin.paths())

    def test_update_download_only_from_trusted_hosts(self):
        port = self.standin.port
        target = os.path.join(self.dir, "NewTolv.exe")
        self.standin.set_routes({"/files/Tolv.exe": {"size": 300000}})
        for url in ("http://evil.example:%d/?x=127.0.0.1" % port,
                    "http://localhost.evil.example:%d/files/Tolv.exe" % port,
                    "https://127.0.0.1:%d/files/Tolv.exe" % port):
            self.assertEqual(0, fetch("update", url, target)["ok"], url)
        self.assertEqual([], self.standin.paths())
        result = fetch("update", "http://127.0.0.1:%d/files/Tolv.exe" % port, target)
        self.assertEqual(1, result["ok"])
        self.assertTrue(result["rising"])
        self.assertEqual(100, result["last"])
        self.assertEqual(300000, os.path.getsize(target))
        os.remove(target)

    def test_update_body_survives_a_pause_longer_than_the_read_limit(self):
        # 30 s without a byte, three times the limit every other read keeps.
        head = "HTTP/1.1 200 OK\r\nContent-Length: 2000\r\nConnection: close\r\n\r\n"
        self.standin.set_routes({"/files/Tolv.exe": {"mode": "raw", "chunks": [
            {"text": head + "x" * 1000}, {"text": "y" * 1000, "delay": 30}]}})
        target = os.path.join(self.dir, "NewTolv.exe")
        result = fetch("update", "http://127.0.0.1:%d/files/Tolv.exe" % self.standin.port, target)
        self.assertEqual(1, result["ok"])
        self.assertGreater(result["ms"], 29000)
        self.assertEqual(2000, os.path.getsize(target))
        os.remove(target)

    def test_update_download_refuses_empty_and_short_answers(self):
        port = self.standin.port
        target = os.path.join(self.dir, "NewTolv.exe")
        self.standin.set_routes({"/empty.exe": {"body": ""},
                                 "/short.exe": {"body": "y" * 5000, "mode": "short"},
                                 "/gone.exe": {"status": 404, "body": "gone"}})
        for page in ("/empty.exe", "/short.exe", "/gone.exe"):
            self.assertEqual(0, fetch("update", "http://127.0.0.1:%d%s" % (port, page),
                                      target)["ok"], page)
        if os.path.exists(target):
            os.remove(target)


if __name__ == "__main__":
    unittest.main()
