"""The utilities with the real processes: the game frame's sound switch
against a private PulseAudio sound server, the interception a Windows XP
system gets, Ctrl+D's favourite and the Flash data clearing.

Game frames are "/gmhall" processes of the real Tolv.exe inside a plain host
window (tools_probe host), so that no main window pushes its own mute state.
The test build plays the page's part (TOLV_TEST_SEAM_FRAME, _TITLE) and, with
TOLV_TEST_SEAM_TONE, the game's: the frame plays a tone once told its mute
state. TOLV_TEST_SEAM_MIXER_LOG notes every mixer call of a process."""
import array
import glob
import json
import os
import pwd
import shutil
import subprocess
import tempfile
import time
import unittest

from tolv_e2e import (EXE, WINE, StandIn, TolvTestCase, children, click, post, tolv_windows,
                      wait_until, windows, wintool)

PROBE = os.environ.get("TOLV_TOOLS_PROBE", "")
PREFIX = os.environ.get("WINEPREFIX", "")
WM_MUTE_STATE = 0x400 + 5
WM_CHAR = 0x0102
WM_KEYDOWN = 0x0100
WM_GETTEXTLENGTH = 0x000E
VK_ESCAPE = 0x1B
CTRL_D = 4
CTRL_D_KEY_DATA = 0x00200001  # scan code of D, first press
FAV_TITLE = "添加收藏"


def user_folder():
    return os.path.join(PREFIX, "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name)


class PulseServer:
    """A PulseAudio daemon of this test's own: one null sink, a socket in a
    temporary folder, no authentication. Works as root without --system."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tolv-pulse-")
        self.socket = os.path.join(self.dir, "native")
        self.server = "unix:" + self.socket
        self.env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=self.dir,
                        PULSE_SERVER=self.server)
        self.proc = None

    def start(self):
        config = os.path.join(self.dir, "default.pa")
        with open(config, "w") as f:
            f.write("load-module module-null-sink sink_name=tolv_null\n"
                    "load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    % self.socket)
        self.proc = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "-n", "-F", config, "--exit-idle-time=-1",
             "--use-pid-file=no", "--log-target=stderr"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        wait_until(self._answers, 15, what="the sound server")
        return self

    def _answers(self):
        if self.proc.poll() is not None:
            raise AssertionError("pulseaudio ended with %s" % self.proc.returncode)
        return subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def streams(self):
        """Indexes of the playing streams (sink inputs)."""
        out = subprocess.run(["pactl", "list", "short", "sink-inputs"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        return [int(line.split()[0]) for line in out.decode().splitlines() if line.strip()]

    def peak(self, stream, seconds=0.4):
        """The loudest sample the server got from one stream in a moment."""
        rec = subprocess.Popen(
            ["parec", "--monitor-stream=%d" % stream, "--raw", "--format=s16le", "--channels=1",
             "--rate=44100", "--latency-msec=50"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL)
        time.sleep(seconds)
        rec.terminate()
        data = rec.communicate(timeout=10)[0]
        samples = array.array("h")
        samples.frombytes(data[:len(data) // 2 * 2])
        return max((abs(s) for s in samples), default=-1)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


class Tools(TolvTestCase):
    def setUp(self):
        super().setUp()
        if not PROBE:
            self.skipTest("TOLV_TOOLS_PROBE is set by scripts/test")
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        self.tmp = tempfile.mkdtemp(prefix="tolv-tools-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.host_proc = subprocess.Popen([WINE, PROBE, "host"], stdin=subprocess.DEVNULL,
                                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(self.end, self.host_proc)
        self.host = json.loads(self.host_proc.stdout.readline().decode())["host"]

    def end(self, proc):
        if proc.poll() is None:
            proc.kill()
            proc.wait(10)
        if proc.stdout:
            proc.stdout.close()

    def frame(self, env):
        """A "/gmhall" game frame in the host window, started with `env`."""
        before = {c["hwnd"] for c in self.frames()}
        proc = subprocess.Popen([WINE, EXE, "/gmhall", "/%d" % self.host],
                                env=dict(os.environ, **env), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        return wait_until(lambda: [c for c in self.frames() if c["hwnd"] not in before], 30,
                          what="a game frame in the host")[0]

    def frames(self):
        return [c for c in children(self.host) if c["class"] == "TolvFrame"]

    # ---- Sound -------------------------------------------------------------

    def mixer_calls(self, log):
        try:
            with open(log) as f:
                return f.read().split()
        except FileNotFoundError:
            return []

    def test_muting_one_frame_silences_only_its_own_stream(self):
        pulse = PulseServer().start()
        self.addCleanup(pulse.stop)
        logs = [os.path.join(self.tmp, "mixer%d.log" % i) for i in range(2)]
        env = {"PULSE_SERVER": pulse.server, "TOLV_TEST_SEAM_TONE": "1"}
        streams = []
        frames = []
        for log in logs:
            frame = self.frame(dict(env, TOLV_TEST_SEAM_MIXER_LOG=log))
            frames.append(frame)
            # The first state the main window sends is applied (sound on),
            # and the frame's tone starts.
            post(frame["hwnd"], WM_MUTE_STATE, 0, 0)
            new = wait_until(lambda: [s for s in pulse.streams() if s not in streams], 20,
                             what="the frame's stream")
            streams.append(new[0])
            wait_until(lambda: self.mixer_calls(log) == ["1", "0", "0", "0"], 10,
                       what="the mixer told: sound on (wave-out source, then speakers)")
        loud = lambda s: pulse.peak(s) > 5000
        silent = lambda s: pulse.peak(s) == 0
        wait_until(lambda: loud(streams[0]) and loud(streams[1]), 20, what="two tones")

        post(frames[0]["hwnd"], WM_MUTE_STATE, 1, 0)
        wait_until(lambda: silent(streams[0]), 10, what="the first frame's stream to go silent")
        self.assertTrue(loud(streams[1]))
        self.assertEqual(["1", "0", "0", "0", "1", "1", "0", "1"], self.mixer_calls(logs[0]))

        # The main window repeats its state every 400 ms: no new mixer calls.
        for _ in range(3):
            post(frames[0]["hwnd"], WM_MUTE_STATE, 1, 0)
        time.sleep(1.5)
        self.assertEqual(8, len(self.mixer_calls(logs[0])))
        self.assertTrue(silent(streams[0]))
        self.assertEqual(4, len(self.mixer_calls(logs[1])))

        post(frames[0]["hwnd"], WM_MUTE_STATE, 0, 0)
        wait_until(lambda: loud(streams[0]), 10, what="the first frame's tone to return")
        self.assertTrue(loud(streams[1]))
        self.assertEqual(["1", "0", "0", "0"], self.mixer_calls(logs[0])[8:])

    def run_mute_probe(self, pulse):
        out = subprocess.run([WINE, PROBE, "mute"], env=dict(os.environ, PULSE_SERVER=pulse.server),
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, timeout=60).stdout.decode()
        return json.loads([line for line in out.splitlines() if line.startswith("{")][0])

    def test_windows_xp_gets_the_interception_even_for_a_late_plug_in(self):
        pulse = PulseServer().start()
        self.addCleanup(pulse.stop)
        paths = ["wave", "wave_device", "wave_lookup", "midi", "dsound"]
        key = r"HKCU\Software\Wine\AppDefaults\tools_probe.exe"
        subprocess.run([WINE, "reg", "delete", key, "/f"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Vista and later: the mixer alone; the buffers pass untouched.
        result = self.run_mute_probe(pulse)
        self.assertGreaterEqual(result["major"], 6)
        self.assertEqual({p: 0 for p in paths}, {p: result["muted"][p] for p in paths})

        # Wine reports Windows XP to this program alone.
        subprocess.run([WINE, "reg", "add", key, "/v", "Version", "/d", "winxp", "/f"],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        self.addCleanup(subprocess.run, [WINE, "reg", "delete", key, "/f"],
                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
        result = self.run_mute_probe(pulse)
        self.assertEqual(5, result["major"])
        self.assertEqual(1, result["result"])
        # 1: the buffer reached the system silenced; 0: untouched.
        self.assertEqual({p: 1 for p in paths}, {p: result["muted"][p] for p in paths})
        self.assertEqual({p: 0 for p in paths}, {p: result["unmuted"][p] for p in paths})

    # ---- Favourites ----------------------------------------------------------

    def favourite_dialog(self, frame):
        post(frame["hwnd"], WM_CHAR, CTRL_D, CTRL_D_KEY_DATA)
        return wait_until(lambda: tolv_windows(FAV_TITLE, "#32770"), 20,
                          what="the favourite dialog")[0]

    def name_box(self, dialog):
        return [c for c in children(dialog["hwnd"]) if c["id"] == 1018][0]

    def wait_closed(self, dialog):
        wait_until(lambda: not [w for w in windows() if w["hwnd"] == dialog["hwnd"]], 10,
                   what="the favourite dialog to close")

    def listing(self):
        """Every file under the Wine user's folder."""
        found = set()
        for top, _, files in os.walk(user_folder()):
            found.update(os.path.join(top, f) for f in files)
        return found

    def test_ctrl_d_stores_the_page_in_favorites(self):
        favorites = os.path.join(user_folder(), "Favorites")
        target = os.path.join(favorites, "T游戏.url")
        if os.path.exists(target):
            os.remove(target)
        self.addCleanup(lambda: os.path.exists(target) and os.remove(target))
        frame = self.frame({"TOLV_TEST_SEAM_FRAME": "1", "TOLV_TEST_SEAM_TITLE": "T游戏"})
        wait_until(lambda: [f for f in self.frames() if f["visible"]], 20,
                   what="the page to load")
        page = "http://127.0.0.1:%d/webgame.htm" % self.standin.port
        expected = ("[DEFAULT]\r\nBASEURL=%s\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n"
                    "=19,2\r\n[InternetShortcut]\r\nURL=%s\r\nIDList=\r\n" % (page, page)).encode()

        dialog = self.favourite_dialog(frame)
        # The name box holds the page title (an edit control's text is read
        # across processes only by asking it).
        length = wintool("send", self.name_box(dialog)["hwnd"], WM_GETTEXTLENGTH, 0, 0)[0]
        self.assertEqual([{"result": 3}], length)
        click(dialog["hwnd"], 1)
        self.wait_closed(dialog)
        wait_until(lambda: os.path.exists(target), 10, what="T游戏.url")
        with open(target, "rb") as f:
            self.assertEqual(expected, f.read())

        # A second confirmation replaces the file.
        with open(target, "wb") as f:
            f.write(b"old and longer than the shortcut" * 20)
        dialog = self.favourite_dialog(frame)
        click(dialog["hwnd"], 1)
        self.wait_closed(dialog)
        wait_until(lambda: open(target, "rb").read() == expected, 10, what="the replaced file")

        # Esc writes nothing.
        os.remove(target)
        before = self.listing()
        dialog = self.favourite_dialog(frame)
        post(self.name_box(dialog)["hwnd"], WM_KEYDOWN, VK_ESCAPE, 0x00010001)
        self.wait_closed(dialog)
        time.sleep(0.5)
        self.assertEqual(before, self.listing())

    def test_a_hostile_title_lands_inside_favorites(self):
        favorites = os.path.join(user_folder(), "Favorites")
        title = "..\\..\\Start Menu\\Programs\\Startup\\x:y?z"
        expected = os.path.join(favorites, ".._.._Start Menu_Programs_Startup_x_y_z.url")
        self.addCleanup(lambda: os.path.exists(expected) and os.remove(expected))
        frame = self.frame({"TOLV_TEST_SEAM_FRAME": "1", "TOLV_TEST_SEAM_TITLE": title})
        wait_until(lambda: [f for f in self.frames() if f["visible"]], 20,
                   what="the page to load")
        before = self.listing()
        dialog = self.favourite_dialog(frame)
        click(dialog["hwnd"], 1)
        self.wait_closed(dialog)
        wait_until(lambda: os.path.exists(expected), 10, what="the sanitised favourite")
        self.assertEqual({expected}, self.listing() - before)

    # ---- Flash data ------------------------------------------------------------

    def test_flash_data_goes_but_a_linked_folder_outside_stays(self):
        shared = os.path.join(user_folder(), "AppData", "Roaming", "Macromedia", "Flash Player",
                              "#SharedObjects")
        os.makedirs(os.path.join(shared, "ABCD1234", "game.example"), exist_ok=True)
        sol = os.path.join(shared, "ABCD1234", "game.example", "save.sol")
        with open(sol, "wb") as f:
            f.write(b"\x00\xbf")
        os.chmod(sol, 0o444)  # read-only for Windows
        outside = os.path.join(self.tmp, "outside")
        os.makedirs(outside)
        with open(os.path.join(outside, "keep.txt"), "w") as f:
            f.write("mine")
        # Wine makes no junctions, but shows a Unix symbolic link to a folder
        # as a folder link (a reparse point), as Windows shows a junction.
        link = os.path.join(shared, "ABCD1234", "link")
        os.symlink(outside, link)
        out = subprocess.run([WINE, PROBE, "flash"], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=60).stdout.decode()
        result = json.loads([line for line in out.splitlines() if line.startswith("{")][0])
        # What the link points to is untouched; the read-only save is gone.
        self.assertEqual(["keep.txt"], os.listdir(outside))
        with open(os.path.join(outside, "keep.txt")) as f:
            self.assertEqual("mine", f.read())
        self.assertFalse(os.path.exists(sol))
        self.assertFalse(os.path.exists(os.path.dirname(sol)))
        # Wine cannot remove such a link (Windows removes a junction with
        # RemoveDirectoryW), so it and the folders holding it stay, and the
        # clearing says so.
        self.assertTrue(os.path.islink(link))
        self.assertEqual({"cleared": 0, "error": 145}, result)  # ERROR_DIR_NOT_EMPTY
        os.remove(link)
        shutil.rmtree(shared)

    def test_a_linked_shared_objects_folder_or_one_above_it_leaves_the_target_whole(self):
        flash = os.path.join(user_folder(), "AppData", "Roaming", "Macromedia", "Flash Player")
        shared = os.path.join(flash, "#SharedObjects")
        outside = os.path.join(self.tmp, "outside")
        os.makedirs(os.path.join(outside, "sub"))
        for name in ("keep.txt", os.path.join("sub", "deep.txt")):
            with open(os.path.join(outside, name), "w") as f:
                f.write("mine")
        whole = sorted(os.path.relpath(os.path.join(t, f), outside)
                       for t, _, files in os.walk(outside) for f in files)

        def clear():
            out = subprocess.run([WINE, PROBE, "flash"], stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 timeout=60).stdout.decode()
            self.assertEqual(whole, sorted(os.path.relpath(os.path.join(t, f), outside)
                                           for t, _, files in os.walk(outside) for f in files))
            return json.loads([line for line in out.splitlines() if line.startswith("{")][0])

        # The deleted folder itself is a link (Unix links stand in for the
        # junctions Wine cannot make): the link is not entered.
        shutil.rmtree(shared, ignore_errors=True)
        os.makedirs(flash, exist_ok=True)
        os.symlink(outside, shared)
        self.addCleanup(lambda: os.path.islink(shared) and os.remove(shared))
        self.assertEqual(0, clear()["cleared"])
        os.remove(shared)

        # A folder above it is a link: nothing is deleted at all.
        shutil.rmtree(flash)
        os.symlink(outside, flash)
        self.addCleanup(lambda: os.path.islink(flash) and os.remove(flash))
        os.makedirs(os.path.join(outside, "#SharedObjects", "site"))
        with open(os.path.join(outside, "#SharedObjects", "site", "save.sol"), "w") as f:
            f.write("x")
        whole = sorted(whole + [os.path.join("#SharedObjects", "site", "save.sol")])
        self.assertEqual({"cleared": 0, "error": 681}, clear())  # ERROR_STOPPED_ON_SYMLINK


if __name__ == "__main__":
    unittest.main()
