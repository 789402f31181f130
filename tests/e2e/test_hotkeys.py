"""The hotkey settings in the real Tolv.exe: keys recorded by real key presses
(xdotool), saved beside the executable in Statistic.ini, and the reload that
reaches every running main window and, through it, its tabs.

Test builds open the dialog through the main window's test seam (WM_APP +
0x101), which runs the same entry point as the system menu's "设置..."; the
menu itself is tested with the main window. The tabs are wintool's stand-in frames, which print a line for
each reload the main window passes on."""
import os
import subprocess
import time
import unittest

from screen import art, grab, park_mouse, xdotool
from tolv_e2e import (read_ini, TITLE, Frame, StandIn, TolvTestCase, children, click, post,
                      tolv_windows, wait_until, wintool)

WM_APP = 0x8000
OPEN_SETTINGS = WM_APP + 0x101
CONFLICT = "热键冲突，请重新设置不同热键值"
BOSS, SWITCH, SOUND = 1007, 1010, 1014
# The skin's body colour.
BODY = (231, 241, 247)


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


class HotkeySettings(TolvTestCase):
    def setUp(self):
        super().setUp()
        self.standin = StandIn().start()
        self.addCleanup(self.standin.stop)
        # A copy of the client of its own, so that Statistic.ini beside it is
        # this test's.
        folder, self.exe = self.own_copy("tolv-hotkeys-")
        self.ini = os.path.join(folder, "Statistic.ini")
        park_mouse()

    def start_main(self):
        """One more main window of the copied client, with one tab."""
        known = {w["hwnd"] for w in tolv_windows(TITLE, "#32770", only_visible=False)}
        self.start_tolv("/update", exe=self.exe)
        main = wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                                   if w["owner"] == 0 and w["hwnd"] not in known
                                   and w["rect"][2] - w["rect"][0] == 1],
                          20, what="a new 1x1 main window")[0]
        frame = Frame(main["hwnd"])
        self.frames.append(frame)
        wait_until(lambda: any(c["hwnd"] == frame.hwnd for c in children(main["hwnd"])), 10,
                   what="the tab to join its main window")
        # The first tab brings the main window forward at full size; the X
        # server takes a moment more to hand it the keyboard.
        wait_until(lambda: [w for w in tolv_windows(TITLE, "#32770")
                            if w["hwnd"] == main["hwnd"] and w["rect"][2] - w["rect"][0] > 100],
                   10, what="the full-size main window")
        wait_until(lambda: self.x_focus_title() == TITLE, 10,
                   what="the main window to take the keyboard")
        time.sleep(0.5)
        return main, frame

    def open_settings(self, main):
        self.assertTrue(post(main["hwnd"], OPEN_SETTINGS))
        dialog = self.wait_window("设置", "#32770")
        self.assertEqual(main["hwnd"], dialog["owner"])
        kids = {c["id"]: c for c in children(dialog["hwnd"])}
        return dialog, kids

    def text(self, control):
        out, rc = wintool("text", control["hwnd"])
        self.assertEqual(0, rc)
        return out[0]["text"]

    def focus(self):
        return wintool("focus")[0][0]["focus"]

    @staticmethod
    def x_focus_title():
        """The title of the X window with the keyboard: the keys go there,
        whatever Wine's own focus says (a second client coming forward late
        may keep it)."""
        out = subprocess.run(["xdotool", "getwindowfocus", "getwindowname"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, timeout=30)
        return out.stdout.decode("utf-8", "replace").strip()

    def press(self, control, *keys):
        """Clicks into `control` until it has the keyboard, then presses
        `keys` (xdotool key names)."""
        def focused():
            if self.x_focus_title() != "设置":
                # Another client's window came forward late and kept the X
                # keyboard; without a window manager nobody hands it back.
                subprocess.run(["xdotool", "search", "--name", "^设置$", "windowraise",
                                "windowfocus"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            xdotool("mousemove", *centre(control["rect"]))
            xdotool("click", 1)
            return wait_until(lambda: self.focus() == control["hwnd"]
                              and self.x_focus_title() == "设置", 3, what="the focus")
        wait_until(lambda: self._try(focused), 15, interval=0.5,
                   what="the field to take the keyboard")
        for key in keys:
            xdotool("key", key)
        time.sleep(0.3)

    @staticmethod
    def _try(step):
        try:
            return step()
        except AssertionError:
            return False

    def click_button(self, control):
        xdotool("mousemove", *centre(control["rect"]))
        time.sleep(0.2)
        xdotool("click", 1)

    def dialog_open(self, dialog):
        return any(w["hwnd"] == dialog["hwnd"] for w in tolv_windows("设置", "#32770"))

    def test_keys_recorded_saved_and_every_main_window_reloads(self):
        main_a, frame_a = self.start_main()
        main_b, frame_b = self.start_main()
        dialog, kids = self.open_settings(main_b)
        # Nothing stored yet: the defaults.
        self.assertEqual("F10", self.text(kids[BOSS]))
        self.assertEqual("Ctrl  +  Tab", self.text(kids[SWITCH]))
        self.assertEqual("Ctrl  +  Q", self.text(kids[SOUND]))
        # The skin: the close strip's normal cell at the top right corner and
        # the body colour inside the group boxes.
        close = kids[50000]["rect"]
        self.assertEqual(dialog["rect"][2], close[2])
        self.assertEqual(dialog["rect"][1], close[1])
        strip = art("caption_close.png")
        group = kids[1017]["rect"]

        def painted():
            shot = grab("hotkey_settings")
            return (shot.pixel(close[0] + 16, close[1] + 14) == strip.pixel(16, 14)
                    and shot.pixel(group[0] + 40, group[3] - 4) == BODY)
        wait_until(painted, 15, interval=0.5, what="the skinned dialog on the screen")

        self.press(kids[BOSS], "ctrl+shift+a")
        self.assertEqual("Ctrl  +  Shift  +  A", self.text(kids[BOSS]))
        self.press(kids[SOUND], "BackSpace")
        self.assertEqual("无", self.text(kids[SOUND]))
        # Esc and Enter neither close nor confirm; the field ignores them.
        xdotool("key", "Escape")
        xdotool("key", "Return")
        time.sleep(1.0)
        self.assertTrue(self.dialog_open(dialog))
        self.assertEqual("无", self.text(kids[SOUND]))
        self.assertIsNone(read_ini(self.ini))
        self.assertEqual(0, frame_a.reloads() + frame_b.reloads())

        self.click_button(kids[1])
        wait_until(lambda: not self.dialog_open(dialog), 10, what="the dialog to close")
        self.assertEqual({"ShortKey": "6,65", "AltWndKey": "2,9", "SndKey": "0,0"},
                         read_ini(self.ini))
        # Both main windows reloaded and told their tabs.
        counts = [0, 0]

        def reloaded():
            counts[0] += frame_a.reloads()
            counts[1] += frame_b.reloads()
            return counts[0] >= 1 and counts[1] >= 1
        wait_until(reloaded, 10, what="both main windows to pass the reload on")
        time.sleep(0.5)
        self.assertEqual([1, 1], [counts[0] + frame_a.reloads(), counts[1] + frame_b.reloads()])

        # Opening again, in the other client, shows what was saved.
        dialog, kids = self.open_settings(main_a)
        self.assertEqual("Ctrl  +  Shift  +  A", self.text(kids[BOSS]))
        self.assertEqual("无", self.text(kids[SOUND]))
        self.click_button(kids[2])
        wait_until(lambda: not self.dialog_open(dialog), 10, what="cancel to close the dialog")
        time.sleep(0.5)
        self.assertEqual(0, frame_a.reloads() + frame_b.reloads())

        # The new boss key works at once, in both clients; F10 no longer does.
        xdotool("key", "F10")
        time.sleep(0.8)
        self.assertTrue(all(self.visible(m) for m in (main_a, main_b)))
        xdotool("key", "ctrl+shift+a")
        wait_until(lambda: not any(self.visible(m) for m in (main_a, main_b)), 5,
                   what="Ctrl+Shift+A to hide both clients")

    @staticmethod
    def visible(main):
        return any(w["hwnd"] == main["hwnd"] for w in tolv_windows(TITLE, "#32770"))

    def test_a_real_conflict_is_shown_and_writes_nothing(self):
        main, frame = self.start_main()
        dialog, kids = self.open_settings(main)
        self.press(kids[BOSS], "ctrl+shift+a")
        self.press(kids[SOUND], "ctrl+shift+a")
        self.assertEqual("Ctrl  +  Shift  +  A", self.text(kids[SOUND]))
        self.click_button(kids[1])
        box, texts = self.message_box()
        self.assertIn(CONFLICT, texts)
        self.assertEqual(dialog["hwnd"], box["owner"])
        click(box["hwnd"], 5000)
        wait_until(lambda: not [w for w in tolv_windows(TITLE, "#32770")
                                if w["hwnd"] == box["hwnd"]], 10, what="the message to close")
        # Still open, nothing written, nobody told.
        self.assertTrue(self.dialog_open(dialog))
        self.assertIsNone(read_ini(self.ini))
        self.assertEqual(0, frame.reloads())
        # The caption's close button cancels.
        self.click_button(kids[50000])
        wait_until(lambda: not self.dialog_open(dialog), 10, what="the dialog to close")
        self.assertIsNone(read_ini(self.ini))

    def test_two_keys_switched_off_are_no_conflict(self):
        main, frame = self.start_main()
        dialog, kids = self.open_settings(main)
        self.press(kids[BOSS], "BackSpace")
        self.press(kids[SOUND], "Delete")
        # Alt + F10 arrives as a system key and is recorded with its Alt.
        self.press(kids[SWITCH], "alt+F10")
        self.assertEqual("Alt  +  F10", self.text(kids[SWITCH]))
        self.click_button(kids[1])
        wait_until(lambda: not self.dialog_open(dialog), 10, what="the dialog to close")
        self.assertEqual({"ShortKey": "0,0", "AltWndKey": "1,121", "SndKey": "0,0"},
                         read_ini(self.ini))
        wait_until(frame.reloads, 10, what="the reload")


if __name__ == "__main__":
    unittest.main()
