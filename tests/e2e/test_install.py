"""Installation from a downloaded copy and removal with the removal script,
against the stand-in server."""
import os
import shutil
import subprocess
import tempfile
import unittest

from tolv_e2e import (EXE, WINE, StandIn, TolvTestCase, children, click, tolv_windows,
                      wait_until, wintool)

PREFIX_USER = None
CLIENT_KEY = r"HKLM\Software\Brindlo\VodiVavoz\Tolv"
ENTRY_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\BrindloTolvane"
START_MENU_FOLDER = "Brindlo登录器"
REMOVED = "BrindloTolvane已成功移除，部分文件将在程序退出\r\n或计算机重启后自行删除"


def user_dir():
    global PREFIX_USER
    if PREFIX_USER is None:
        users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
        PREFIX_USER = [os.path.join(users, u) for u in os.listdir(users) if u != "Public"][0]
    return PREFIX_USER


def install_folder():
    return os.path.join(user_dir(), "AppData", "Local", "Brindlo", "VodiVavoz")


def desktop():
    return os.path.join(user_dir(), "Desktop")


def start_menu():
    return os.path.join(user_dir(), "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                        "Programs", START_MENU_FOLDER)


def windows_path(path):
    """The Wine path of a file in the prefix's drive C."""
    drive_c = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    return "C:\\" + os.path.relpath(path, drive_c).replace("/", "\\")


def reg(*args):
    out = subprocess.run([WINE, "reg"] + list(args), stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    return out.stdout.decode("utf-8", "replace"), out.returncode


def shortcut(path):
    found, rc = wintool("shortcut", windows_path(path))
    return found[0] if rc == 0 and found else None


def kill_image(name):
    subprocess.run([WINE, "taskkill", "/f", "/im", name], stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def read_inst_count():
    path = os.path.join(install_folder(), "Statistic.ini")
    with open(path, "rb") as f:
        data = f.read()
    text = data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("gbk")
    for line in text.splitlines():
        if line.startswith("Inst="):
            return line.split("=", 1)[1].strip()
    return None


class InstallAndRemove(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.clean()
        self.addCleanup(self.clean)
        self.downloads = tempfile.mkdtemp(prefix="tolv-downloads-")
        self.addCleanup(shutil.rmtree, self.downloads, True)

    def tearDown(self):
        kill_image("Tolv (1).exe")
        super().tearDown()

    def clean(self):
        shutil.rmtree(install_folder(), ignore_errors=True)
        shutil.rmtree(start_menu(), ignore_errors=True)
        for name in ("BrindloTolvane.lnk", "Brindlo网页游戏.lnk"):
            if os.path.exists(os.path.join(desktop(), name)):
                os.remove(os.path.join(desktop(), name))

    def installed_main_windows(self, name):
        path = windows_path(os.path.join(install_folder(), name)).lower()
        return [w for w in windows() if w["image"].lower() == path and w["title"] == "BrindloTolvane"
                and w["class"] == "#32770" and w["visible"] and w["owner"] == 0]

    def test_downloaded_copy_installs_under_its_name_and_starts_the_installed_copy(self):
        downloaded = os.path.join(self.downloads, "Tolv (1).exe")
        shutil.copy(EXE, downloaded)
        self.assertEqual(0, self.wait_exit(self.start_tolv(exe=downloaded), timeout=40))

        installed = os.path.join(install_folder(), "Tolv (1).exe")
        with open(installed, "rb") as a, open(EXE, "rb") as b:
            self.assertEqual(b.read(), a.read())
        target = windows_path(installed)
        folder = windows_path(install_folder())
        for link, arguments in ((os.path.join(desktop(), "BrindloTolvane.lnk"), "/TolvD"),
                                (os.path.join(start_menu(), "BrindloTolvane.lnk"), "/TolvD"),
                                (os.path.join(start_menu(), "卸载 BrindloTolvane.lnk"), "/uninst")):
            found = shortcut(link)
            self.assertIsNotNone(found, link)
            self.assertEqual(target.lower(), found["target"].lower(), link)
            self.assertEqual(arguments, found["arguments"], link)
            self.assertEqual(folder.lower(), found["folder"].lower(), link)
        self.assertEqual("BrindloTolvane",
                         shortcut(os.path.join(desktop(), "BrindloTolvane.lnk"))["description"])
        self.assertEqual("1", read_inst_count())
        self.assertEqual(["/install.htm?tag=Tolv&ver=3.0.1.3&count=1"],
                         [p for p in self.standin.paths() if p.startswith("/install.htm")])
        text, rc = reg("query", ENTRY_KEY, "/v", "UninstallString")
        self.assertEqual(0, rc)
        self.assertIn('"%s" /uninst' % target, text)
        wait_until(lambda: self.installed_main_windows("Tolv (1).exe"), 40,
                   what="the installed copy's main window")

        # A second install while the installed copy runs keeps that file (it
        # cannot be replaced) and still starts it.
        with open(downloaded, "ab") as f:
            f.write(b"\0" * 64)
        self.assertEqual(0, self.wait_exit(self.start_tolv(exe=downloaded), timeout=40))
        with open(installed, "rb") as a, open(EXE, "rb") as b:
            self.assertEqual(b.read(), a.read())
        wait_until(lambda: len(self.installed_main_windows("Tolv (1).exe")) == 2, 40,
                   what="a second main window of the installed copy")
        self.assertEqual("2", read_inst_count())

    def uninstall(self, exe):
        """Runs `exe` /uninst, confirms, and waits for the completion message."""
        proc = self.start_tolv("/uninst", exe=exe)
        box, texts = self.message_box(timeout=30)
        self.assertIn("确定要移除 BrindloTolvane吗？", texts)
        click(box["hwnd"], 5000)
        done = wait_until(lambda: [w for w in tolv_windows("BrindloTolvane", "#32770")
                                   if REMOVED.replace("\r\n", "\n") in
                                   [c["title"].replace("\r\n", "\n") for c in children(w["hwnd"])]],
                          30, what="the completion message")[0]
        click(done["hwnd"], 5000)
        self.assertEqual(0, self.wait_exit(proc))
        self.assertEqual(["/uninstall.htm?tag=Tolv&ver=3.0.1.3&count=1"],
                         [p for p in self.standin.paths() if p.startswith("/uninstall.htm")])

    def make_installed_state(self, folder, extra_start_menu_file):
        os.makedirs(folder, exist_ok=True)
        os.makedirs(start_menu(), exist_ok=True)
        for name in ("BrindloTolvane.lnk", "卸载 BrindloTolvane.lnk"):
            open(os.path.join(start_menu(), name), "wb").close()
        if extra_start_menu_file:
            open(os.path.join(start_menu(), "readme.txt"), "wb").close()
        for name in ("BrindloTolvane.lnk", "Brindlo网页游戏.lnk"):
            open(os.path.join(desktop(), name), "wb").close()
        reg("add", CLIENT_KEY + r"\Sub", "/v", "x", "/d", "1", "/f")
        reg("add", ENTRY_KEY, "/v", "DisplayName", "/d", "BrindloTolvane", "/f")
        exe = os.path.join(folder, "Tolv.exe")
        shutil.copy(EXE, exe)
        return exe

    def test_removal_keeps_a_folder_with_settings_and_a_shared_start_menu_folder(self):
        exe = self.make_installed_state(install_folder(), extra_start_menu_file=True)
        with open(os.path.join(install_folder(), "Statistic.ini"), "w") as f:
            f.write("[Tolv]\r\nInst=1\r\n")
        self.uninstall(exe)
        for name in ("BrindloTolvane.lnk", "Brindlo网页游戏.lnk"):
            self.assertFalse(os.path.exists(os.path.join(desktop(), name)), name)
        self.assertEqual(["readme.txt"], os.listdir(start_menu()))
        self.assertNotEqual(0, reg("query", CLIENT_KEY)[1])
        self.assertNotEqual(0, reg("query", ENTRY_KEY)[1])
        # The script deletes the executable once the process has ended; the
        # folder keeps the settings.
        wait_until(lambda: not os.path.exists(exe), 30, what="the executable to be deleted")
        self.assertTrue(os.path.exists(os.path.join(install_folder(), "Statistic.ini")))

    def test_removal_of_a_lone_executable_outside_the_ansi_code_page_removes_its_folder(self):
        folder = os.path.join(user_dir(), "AppData", "Local", "Brindlo", "游戏ไทย")
        self.addCleanup(shutil.rmtree, folder, True)
        exe = self.make_installed_state(folder, extra_start_menu_file=False)
        self.uninstall(exe)
        self.assertFalse(os.path.exists(start_menu()))
        wait_until(lambda: not os.path.exists(folder), 30, what="the folder to be removed")


def windows():
    return wintool("windows")[0]


if __name__ == "__main__":
    unittest.main()
