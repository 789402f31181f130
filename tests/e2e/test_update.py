"""Self-update of an installed client against the stand-in: the update window,
the verified download, the swap and the restart from the same path."""
import hashlib
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import screen
from tolv_e2e import (EXE, WINE, WINTOOL, StandIn, TolvTestCase, children, click, tolv_windows,
                      wait_until, wintool)

# The same client one version on (3.0.1.4), built beside the tested one.
NEXT_EXE = os.environ.get("TOLV_NEXT_EXE", "")

BUTTON_INFO = "/webgame/home/api-wd-func-getWgjbBtnInfo-app-tolv"
MANIFEST = "/update/ConfigTolv.htm"
CAPTION = "BrindloTolvane,微端版本更新中..."
PBM_GETPOS = 0x0400 + 8
WS_EX_TOPMOST = 0x8


def install_folder():
    users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
    user = [u for u in os.listdir(users) if u != "Public"][0]
    return os.path.join(users, user, "AppData", "Local", "Brindlo", "VodiVavoz")


def token(data, version_digits="3013"):
    return hashlib.md5(data).hexdigest()[:28] + version_digits


def wine_path(path):
    return "c:" + path.split("drive_c", 1)[1].replace("/", "\\")


def pending_deletions():
    out = subprocess.run([WINE, "reg", "query",
                          r"HKLM\System\CurrentControlSet\Control\Session Manager", "/v",
                          "PendingFileRenameOperations"], stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    return out.stdout.decode("utf-8", "replace")


class SelfUpdate(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        shutil.rmtree(install_folder(), ignore_errors=True)
        os.makedirs(install_folder())
        self.addCleanup(shutil.rmtree, install_folder(), True)
        self.exe = os.path.join(install_folder(), "Tolv.exe")
        shutil.copy(EXE, self.exe)
        with open(EXE, "rb") as f:
            self.old = f.read()
        # The published executable: the same program with bytes appended, so
        # that it runs and has a token of its own.
        self.work = tempfile.mkdtemp(prefix="tolv-update-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.new = self.old + b"\0published\0" * 8
        self.published = os.path.join(self.work, "Tolv.exe")
        with open(self.published, "wb") as f:
            f.write(self.new)

    def routes(self, download, published_token=None, url=None):
        info = {"status": 1, "data": {"btn": "论坛", "url": "http://x/", "update": 1}}
        manifest = "[VerKey]\r\nTolv=%s\r\nUpdAddr=%s\r\n" % (
            published_token or token(self.new).upper(),
            url or "http://127.0.0.1:%d/files/Tolv.exe" % self.standin.port)
        self.standin.set_routes({
            BUTTON_INFO: {"body": json.dumps(info, ensure_ascii=False)},
            MANIFEST: {"body": manifest},
            "/files/Tolv.exe": download})

    def main_window_at_path(self):
        path = wine_path(self.exe)
        return [w for w in wintool("windows")[0] if w["image"].lower() == path.lower()
                and w["title"] == "BrindloTolvane" and w["class"] == "#32770" and w["visible"]
                and w["owner"] == 0 and any(c["id"] == 1028 for c in children(w["hwnd"]))]

    def assert_old_in_place(self):
        with open(self.exe, "rb") as f:
            self.assertEqual(self.old, f.read())

    def hold(self, path):
        """Holds `path` open as an older client still running from it does."""
        holder = subprocess.Popen([WINE, WINTOOL, "hold", wine_path(path)],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL)
        self.addCleanup(holder.wait, 10)
        self.addCleanup(holder.kill)
        self.assertIn(b'"held":1', holder.stdout.readline())

    def test_update_to_the_next_version_swaps_and_starts_it_from_the_same_path(self):
        if not NEXT_EXE:
            self.skipTest("TOLV_NEXT_EXE is set by the test build")
        # The server publishes 3.0.1.4: its token ends in "3014".
        with open(NEXT_EXE, "rb") as f:
            self.new = f.read()
        with open(self.published, "wb") as f:
            f.write(self.new)
        # A client of an earlier version still runs from OldTolv.exe.
        older = os.path.join(install_folder(), "OldTolv.exe")
        with open(older, "wb") as f:
            f.write(b"MZ older")
        self.hold(older)
        self.routes({"file": self.published, "mode": "slow", "delay": 0.4},
                    published_token=token(self.new, "3014"))
        proc = self.start_tolv(exe=self.exe)
        window = self.wait_window(CAPTION, "#32770", timeout=40)
        wait_until(lambda: [w for w in tolv_windows(CAPTION, "#32770")
                            if w["exstyle"] & WS_EX_TOPMOST], 5, what="a topmost update window")
        bar = [c for c in children(window["hwnd"]) if c["id"] == 1000]
        self.assertEqual(1, len(bar))
        positions = []
        def progressed():
            found, rc = wintool("send", bar[0]["hwnd"], PBM_GETPOS, 0, 0)
            if rc == 0 and found:
                positions.append(found[0]["result"])
            return positions and 0 < positions[-1] < 100
        wait_until(progressed, 20, interval=0.2, what="the progress bar to move")
        # The skin drew the window: its caption band is no single colour.
        shot = screen.grab("update_window")
        left, top, right, bottom = window["rect"]
        self.assertGreater(len(set(shot.crop(left, top, right, top + 30))), 10)
        self.assertEqual(0, self.wait_exit(proc, timeout=60))
        with open(self.exe, "rb") as f:
            self.assertEqual(self.new, f.read())
        self.assertFalse(os.path.exists(os.path.join(install_folder(), "NewTolv.exe")))
        # The held name stays the older client's; this one took the next.
        with open(older, "rb") as f:
            self.assertEqual(b"MZ older", f.read())
        with open(os.path.join(install_folder(), "OldTolv-2.exe"), "rb") as f:
            self.assertEqual(self.old, f.read())
        self.assertIn("OldTolv-2.exe", pending_deletions())
        # The new version runs from the same path; its own token is the
        # published one, so it opens its main window without a second download.
        wait_until(self.main_window_at_path, 40, what="the new executable's main window")
        wait_until(lambda: [p for p in self.standin.paths()
                            if p.startswith("/active.htm?tag=Tolv&ver=3.0.1.4&")], 20,
                   what="the new version's activity report")
        self.assertEqual(1, len([p for p in self.standin.paths() if p == "/files/Tolv.exe"]))
        self.assertEqual(2, len([p for p in self.standin.paths() if p == MANIFEST]))

    def run_failing(self, download, **kwargs):
        self.routes(download, **kwargs)
        self.assertEqual(0, self.wait_exit(self.start_tolv(exe=self.exe), timeout=60))
        self.assert_old_in_place()
        self.assertFalse(os.path.exists(os.path.join(install_folder(), "OldTolv.exe")))

    def test_refused_payloads_leave_the_old_executable_working(self):
        port = self.standin.port
        # Another file than the manifest names.
        self.run_failing({"file": self.published}, published_token=token(b"other"))
        self.assertIn("NewTolv.exe", pending_deletions())
        # A text page whose token the manifest names: no executable.
        with open(self.published, "wb") as f:
            f.write(b"<html>gone</html>")
        self.run_failing({"file": self.published}, published_token=token(b"<html>gone</html>"))
        # Truncated, missing, from an untrusted host.
        self.run_failing({"body": "MZ" + "x" * 5000, "mode": "short"})
        self.run_failing({"status": 404, "body": "gone"})
        self.run_failing({"file": self.published},
                         url="http://localhost.evil.example:%d/files/Tolv.exe" % port)
        # Still working: with updating switched off it opens its main window.
        self.standin.set_routes({})
        proc = self.start_tolv(exe=self.exe)
        main = wait_until(self.main_window_at_path, 40, what="the old executable's main window")[0]
        self.close_main(main, proc)

    def test_cancelled_update_window_ends_the_process_and_keeps_the_old_executable(self):
        self.routes({"file": self.published, "mode": "slow", "delay": 3})
        proc = self.start_tolv(exe=self.exe)
        window = self.wait_window(CAPTION, "#32770", timeout=40)
        time.sleep(1)
        began = time.time()
        click(window["hwnd"], 50000)  # the caption's close button
        self.assertEqual(0, self.wait_exit(proc, timeout=30))
        self.assertLess(time.time() - began, 15)
        self.assert_old_in_place()
        self.assertFalse(os.path.exists(os.path.join(install_folder(), "OldTolv.exe")))


if __name__ == "__main__":
    unittest.main()
