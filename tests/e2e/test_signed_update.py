"""Self-update of a client built with the publisher's key (TolvKeyed.exe, the
test key in tests/keys): only a payload signed by that key replaces it. The
build without a key updating from a manifest without "Sig" is test_update."""
import json
import os
import shutil
import tempfile
import unittest

import test_update as plain
from tolv_e2e import EXE, ROOT, StandIn, TolvTestCase, wait_until

KEYED_EXE = os.path.join(os.path.dirname(EXE), "TolvKeyed.exe")
KEY = os.path.join(ROOT, "tests", "keys", "update-test.pem")
OTHER_KEY = os.path.join(ROOT, "tests", "keys", "update-other.pem")


class SignedUpdate(TolvTestCase):
    def setUp(self):
        super().setUp()
        if not os.path.exists(KEYED_EXE):
            self.skipTest("no TolvKeyed.exe beside Tolv.exe")
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        shutil.rmtree(plain.install_folder(), ignore_errors=True)
        os.makedirs(plain.install_folder())
        self.addCleanup(shutil.rmtree, plain.install_folder(), True)
        self.exe = os.path.join(plain.install_folder(), "Tolv.exe")
        shutil.copy(KEYED_EXE, self.exe)
        with open(KEYED_EXE, "rb") as f:
            self.old = f.read()
        work = tempfile.mkdtemp(prefix="tolv-signed-")
        self.addCleanup(shutil.rmtree, work, True)
        self.new = self.old + b"\0signed release\0" * 8
        self.published = os.path.join(work, "Tolv.exe")
        with open(self.published, "wb") as f:
            f.write(self.new)

    def publish(self, key, update=1):
        """The manifest names the published file's token; `key` signs it."""
        info = {"status": 1, "data": {"btn": "论坛", "url": "http://x/", "update": update}}
        manifest = {"body": "[VerKey]\r\nTolv=%s\r\nUpdAddr=http://127.0.0.1:%d/files/Tolv.exe\r\n"
                            % (plain.token(self.new), self.standin.port)}
        if key:
            manifest["sign"] = {"file": self.published, "key": key}
        self.standin.set_routes({
            plain.BUTTON_INFO: {"body": json.dumps(info, ensure_ascii=False)},
            plain.MANIFEST: manifest,
            "/files/Tolv.exe": {"file": self.published}})

    def test_unsigned_and_foreign_payloads_are_refused_and_the_old_executable_still_starts(self):
        for key in (None, OTHER_KEY):
            self.publish(key)
            self.assertEqual(0, self.wait_exit(self.start_tolv(exe=self.exe), timeout=60))
            plain.SelfUpdate.assert_old_in_place(self)
            self.assertFalse(os.path.exists(os.path.join(plain.install_folder(), "OldTolv.exe")))
        self.assertEqual(2, self.standin.paths().count("/files/Tolv.exe"))
        self.assertIn("NewTolv.exe", plain.pending_deletions())
        self.publish(None, update=0)
        proc = self.start_tolv(exe=self.exe)
        main = wait_until(lambda: plain.SelfUpdate.main_window_at_path(self), 40,
                          what="the old executable's main window")[0]
        self.close_main(main, proc)

    def test_payload_signed_by_the_built_in_key_is_swapped_in_and_started(self):
        self.publish(KEY)
        self.assertEqual(0, self.wait_exit(self.start_tolv(exe=self.exe), timeout=60))
        with open(self.exe, "rb") as f:
            self.assertEqual(self.new, f.read())
        # The new executable starts from the same path and, matching the
        # manifest, opens its main window.
        wait_until(lambda: plain.SelfUpdate.main_window_at_path(self), 40,
                   what="the new executable's main window")


if __name__ == "__main__":
    unittest.main()
