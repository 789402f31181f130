"""The skin as a user sees it: the message box and the skinned controls on the
Xvfb display, compared pixel by pixel with the artwork (res/png). Screenshots
are kept as artefacts (screen.ARTEFACTS).

The controls are shown by tests/tools/skinshow.exe, which links the same
library as Tolv.exe; start-up's own message box is checked on Tolv.exe."""
import os
import time
import unittest

from screen import KEY, art, dark_pixels, grab, park_mouse, screen_size, xdotool
from tolv_e2e import (NO_NETWORK, TITLE, TolvTestCase, children, click, post, wait_until, windows,
                      wintool)

SKINSHOW = os.environ.get("TOLV_SKINSHOW", "")
BODY = (231, 241, 247)
WM_CANCELMODE = 0x001F
WM_APP = 0x8000


def ink(pixels, background=BODY):
    """Pixels clearly off the background: what a label drew."""
    return sum(1 for p in pixels if sum(abs(p[i] - background[i]) for i in range(3)) > 90)


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def mismatches(shot, rect, image, left, expect_key):
    """Pixels of `image` (from column `left`, the control's size) that the
    screen does not show at `rect`; magenta must show `expect_key(x, y)`."""
    bad = []
    for y in range(rect[3] - rect[1]):
        for x in range(rect[2] - rect[0]):
            want = image.pixel(left + x, y)
            if want == KEY:
                want = expect_key(x, y)
                if want is None:
                    continue
            got = shot.pixel(rect[0] + x, rect[1] + y)
            if got != want:
                bad.append((x, y, got, want))
    return bad


class SkinShowCase(TolvTestCase):
    def setUp(self):
        super().setUp()
        if not SKINSHOW:
            self.skipTest("TOLV_SKINSHOW is set by scripts/test")
        # Park the pointer away from every window, so nothing starts hovered.
        park_mouse()

    def show(self, *args):
        return self.start_tolv(*[str(a) for a in args], exe=SKINSHOW)

    def window(self, title):
        def find():
            for w in windows():
                if (w["image"].lower().endswith("skinshow.exe") and w["title"] == title
                        and w["visible"]):
                    return w
            return None
        return wait_until(find, 20, what="the skinshow window %r" % title)

    def child_by_id(self, hwnd):
        return {c["id"]: c for c in children(hwnd)}


class MessageBoxAnswers(SkinShowCase):
    def open_box(self, text="要继续吗？", type_=4):
        proc = self.show("box", type_, text)
        box = self.window(TITLE)
        self.assertEqual("#32770", box["class"])
        return proc, box, self.child_by_id(box["hwnd"])

    def test_yes_and_no_are_clicked_with_the_mouse(self):
        for caption, code in (("是", 6), ("否", 7)):
            proc, box, kids = self.open_box()
            self.assertEqual("是", kids[5000]["title"])
            self.assertEqual("否", kids[5001]["title"])
            target = kids[5000] if caption == "是" else kids[5001]
            x, y = centre(target["rect"])
            xdotool("mousemove", x, y)
            time.sleep(0.2)
            xdotool("click", 1)
            self.assertEqual(code, self.wait_exit(proc), caption)

    def test_caption_close_button_answers_cancel(self):
        proc, box, kids = self.open_box()
        close = kids[50000]
        # The close strip's cell: 33 × 28, at the box's top right corner.
        self.assertEqual((33, 28), (close["rect"][2] - close["rect"][0],
                                    close["rect"][3] - close["rect"][1]))
        self.assertEqual(box["rect"][2], close["rect"][2])
        self.assertEqual(box["rect"][1], close["rect"][1])
        x, y = centre(close["rect"])
        xdotool("mousemove", x, y)
        time.sleep(0.2)
        xdotool("click", 1)
        self.assertEqual(2, self.wait_exit(proc))

    def test_enter_and_escape_are_ignored_space_still_presses(self):
        proc, box, kids = self.open_box("确定要移除 BrindloTolvane吗？", 1)
        x, y = box["rect"][0] + 20, box["rect"][1] + 45
        xdotool("mousemove", x, y)
        xdotool("click", 1)  # the box has the keyboard
        for key in ("Return", "Escape", "KP_Enter"):
            xdotool("key", key)
        time.sleep(1.0)
        self.assertIsNone(proc.poll(), "Enter or Esc ended the box")
        # Keys do arrive: Space presses the focused first button.
        xdotool("key", "space")
        self.assertEqual(1, self.wait_exit(proc))

    def test_an_ampersand_in_the_text_is_itself(self):
        # Eighty "&" are twice as wide as forty: none pairs into one, none
        # marks a letter.
        widths = []
        for count in (40, 80):
            proc, box, kids = self.open_box("&" * count, 0)
            widths.append(box["rect"][2] - box["rect"][0] - 60)
            self.assertTrue(click(box["hwnd"], 5000))
            self.assertEqual(1, self.wait_exit(proc))
        self.assertGreater(widths[0], 114)  # wider than the two buttons' floor
        self.assertLessEqual(abs(widths[1] - 2 * widths[0]), 2)

    def test_one_button_box_of_other_types_answers_ok(self):
        proc, box, kids = self.open_box("已是最新版本", 0x30)
        self.assertNotIn(5001, kids)
        self.assertEqual("确定", kids[5000]["title"])
        # Centred under the text.
        bx = centre(kids[5000]["rect"])[0]
        self.assertLessEqual(abs(bx - centre(box["rect"])[0]), 1)
        self.assertTrue(click(box["hwnd"], 5000))
        self.assertEqual(1, self.wait_exit(proc))


class MessageBoxLooks(SkinShowCase):
    def test_skin_glyphs_and_layout(self):
        proc = self.show("box", 4, "第一行文字\n第二行\n第三行")
        box = self.window(TITLE)
        kids = self.child_by_id(box["hwnd"])
        time.sleep(0.5)
        shot = grab("message_box_yes_no")
        left, top, right, bottom = box["rect"]
        back = art("dlg_back.png")

        # The caption band is the background's, tiled; the body its centre.
        self.assertEqual(back.pixel(10, 15), shot.pixel(right - 45, top + 15))
        self.assertEqual(back.pixel(2, 15), shot.pixel(left + 2, top + 15))
        self.assertEqual(BODY, shot.pixel(right - 10, top + 40))
        # The magenta corner is cut out of the window: the desktop shows.
        outside = shot.pixel(left - 3, top - 3)
        self.assertEqual(outside, shot.pixel(left, top))
        self.assertEqual(outside, shot.pixel(right - 1, top))
        self.assertNotEqual(outside, shot.pixel(left + 5, top + 5))

        # Two 57 × 23 buttons, 20 apart around the centre, 30 above the bottom.
        b1, b2 = kids[5000]["rect"], kids[5001]["rect"]
        self.assertEqual((57, 23), (b1[2] - b1[0], b1[3] - b1[1]))
        self.assertEqual(20, b2[0] - b1[2])
        self.assertEqual(bottom - 30, b1[3])
        self.assertGreaterEqual(right - left, 174)
        # Real Chinese glyphs: "是" and "否" have ink and differ (missing
        # glyphs would draw the same box twice).
        strip = art("dlg_button.png")
        for rect in (b1, b2):
            # The caption is what differs from the button's normal cell.
            self.assertGreater(len(mismatches(shot, rect, strip, 0, lambda x, y: None)), 20)
        self.assertNotEqual(shot.crop(*b1), shot.crop(*b2))
        # Three lines of text between the caption band and the buttons.
        ink_rows = [y for y in range(top + 30, b1[1])
                    if dark_pixels(shot.crop(left, y, right, y + 1))]
        self.assertTrue(ink_rows)
        self.assertGreaterEqual(ink_rows[0], top + 55)
        self.assertGreaterEqual(b1[1] - ink_rows[-1], 8)
        click(box["hwnd"], 5001)
        self.assertEqual(7, self.wait_exit(proc))


class StartUpMessage(TolvTestCase):
    def test_no_network_message_is_the_skinned_box(self):
        proc = self.start_tolv("/TolvD")
        box, texts = self.message_box()
        self.assertIn(NO_NETWORK, texts)
        time.sleep(0.5)
        shot = grab("start_up_no_network")
        right, top = box["rect"][2], box["rect"][1]
        self.assertEqual(art("dlg_back.png").pixel(10, 15), shot.pixel(right - 45, top + 15))
        ok = [c for c in children(box["hwnd"]) if c["id"] == 5000][0]
        self.assertGreater(dark_pixels(shot.crop(*ok["rect"])), 10)
        click(box["hwnd"], 5000)
        self.assertEqual(0, self.wait_exit(proc))


class Controls(SkinShowCase):
    def setUp(self):
        super().setUp()
        self.proc = self.show("controls")
        self.win = self.window("TolvSkinShow")
        self.kids = self.child_by_id(self.win["hwnd"])
        time.sleep(0.5)

    def test_image_buttons_show_their_four_cells(self):
        shot = grab("image_buttons")
        strip = art("dlg_button.png")
        for cell in range(4):
            rect = self.kids[1001 + cell]["rect"]
            self.assertEqual((57, 23), (rect[2] - rect[0], rect[3] - rect[1]))
            # Magenta lets the window's body show through.
            bad = mismatches(shot, rect, strip, 57 * cell, lambda x, y: BODY)
            self.assertEqual([], bad[:5], "cell %d" % cell)

    def test_pointer_hover_and_press(self):
        rect = self.kids[1001]["rect"]
        strip = art("dlg_button.png")
        x, y = centre(rect)
        xdotool("mousemove", x, y)

        def shows(cell, name):
            shot = grab(name)
            return not mismatches(shot, rect, strip, 57 * cell, lambda x, y: BODY)
        self.assertTrue(wait_until(lambda: shows(1, "button_hover"), 10, 0.3,
                                   "the hover cell"))
        # Pressed, then dragged off while held: still the pressed cell.
        xdotool("mousedown", 1)
        xdotool("mousemove", x, y + 60)
        self.assertTrue(wait_until(lambda: shows(2, "button_pressed"), 10, 0.3,
                                   "the pressed cell"))
        xdotool("mouseup", 1)
        xdotool("mousemove", x, y + 80)
        self.assertTrue(wait_until(lambda: shows(0, "button_normal"), 10, 0.3,
                                   "the normal cell"))
        # The mouse taken away mid-press (Alt+Tab, a modal box) ends the
        # pressed look as the button-up does.
        xdotool("mousemove", x, y)
        self.addCleanup(xdotool, "mouseup", 1)  # a failure must not leave it held
        xdotool("mousedown", 1)
        xdotool("mousemove", x, y + 60)
        self.assertTrue(wait_until(lambda: shows(2, "button_pressed_again"), 10, 0.3,
                                   "the pressed cell"))
        post(self.kids[1001]["hwnd"], WM_CANCELMODE)
        self.assertTrue(wait_until(lambda: shows(0, "button_capture_lost"), 10, 0.3,
                                   "the normal cell once the capture is gone"))
        xdotool("mouseup", 1)

    def test_progress_bars_at_0_50_and_100_percent(self):
        shot = grab("progress_bars")
        track, fill = art("progress_back.png"), art("progress_bar.png")
        rects = [self.kids[1011 + i]["rect"] for i in range(3)]
        for rect in rects:
            self.assertEqual((390, 21), (rect[2] - rect[0], rect[3] - rect[1]))

        def expect(rect, filled):
            """What each pixel must be: fill where filled(x) names a fill column
            that is not magenta, else the track, else the body."""
            bad = []
            for y in range(21):
                for x in range(390):
                    want = None
                    col = filled(x)
                    if col is not None and fill.pixel(col, y) != KEY:
                        want = fill.pixel(col, y)
                    elif track.pixel(x, y) != KEY:
                        want = track.pixel(x, y)
                    else:
                        want = BODY
                    got = shot.pixel(rect[0] + x, rect[1] + y)
                    if got != want:
                        bad.append((x, y, got, want))
            return bad

        self.assertEqual([], expect(rects[0], lambda x: None)[:5])
        # 50 %: 195 pixels, the fill's first 97 and its last 98 columns.
        self.assertEqual([], expect(rects[1], lambda x: x if x < 97 else
                                    292 + (x - 97) if x < 195 else None)[:5])
        self.assertEqual([], expect(rects[2], lambda x: x)[:5])

    def test_labels_draw_chinese_glyphs_and_grow_to_their_lines(self):
        shot = grab("labels")
        one, field, wrapped = (self.kids[1021 + i]["rect"] for i in range(3))
        ink_one, ink_field = ink(shot.crop(*one)), ink(shot.crop(*field))
        # "一" is a single stroke, "田" a boxed cross: real glyphs differ a lot.
        self.assertGreater(ink_one, 4)
        self.assertGreater(ink_field, 2 * ink_one)
        # 18 characters in 100 pixels need three lines: lh × 3 + 6 high.
        height = wrapped[3] - wrapped[1]
        self.assertGreater(height, 12)
        self.assertEqual(0, (height - 6) % 3)
        self.assertEqual(20, one[3] - one[1])  # one line fits: no growth

    def test_link_label_takes_its_hover_colour_while_hovered(self):
        rect = self.kids[1022]["rect"]

        def red(name):
            return sum(1 for p in grab(name).crop(*rect) if p[0] > 150 and p[1] < 90)
        self.assertEqual(0, red("label_normal"))
        x, y = centre(rect)
        xdotool("mousemove", x, y)
        time.sleep(0.1)
        xdotool("mousemove", x + 1, y)
        wait_until(lambda: red("label_hovered") > 10, 10, 0.3, "the hover colour")
        park_mouse()
        wait_until(lambda: red("label_left") == 0, 10, 0.3, "the normal colour again")

    def test_drag_maximise_and_restore(self):
        hwnd = self.win["hwnd"]
        before = grab("window_before_maximise")
        width, height = screen_size()
        desktop = before.pixel(width - 1, height - 1)
        left, top = self.win["rect"][0], self.win["rect"][1]
        # Drag by the caption band.
        xdotool("mousemove", left + 200, top + 15)
        xdotool("mousedown", 1)
        for step in (20, 60, 100):
            time.sleep(0.2)
            xdotool("mousemove", left + 200 + step, top + 15 + step)
        time.sleep(0.2)
        xdotool("mouseup", 1)
        moved = wait_until(lambda: self.rect() if self.rect()[0] == left + 100 else None, 10,
                           what="the window to follow the drag")
        self.assertEqual(top + 100, moved[1])

        click(hwnd, 50002)  # maximise: the whole work area of this display
        wait_until(lambda: self.rect() == [0, 0, *screen_size()], 10, what="the maximised window")
        time.sleep(0.5)
        shot = grab("window_maximised")
        # The corners are cut again at the new size.
        self.assertEqual(desktop, shot.pixel(0, 0))
        self.assertEqual(desktop, shot.pixel(width - 1, height - 1))
        self.assertEqual(art("main_back.png").pixel(10, 15), shot.pixel(width // 2, 15))
        # The caption buttons moved with the right edge.
        self.assertEqual(width - 4, self.child_by_id(hwnd)[50000]["rect"][2])

        click(hwnd, 50002)  # restore: back to where the drag left it
        wait_until(lambda: self.rect() == moved, 10, what="the restored window")

    def test_borders_and_caption_answer_the_mouse(self):
        # The showcase is resizable, with a 4-pixel border and a 30-pixel caption.
        hwnd, (left, top, right, bottom) = self.win["hwnd"], self.win["rect"]

        def hit(x, y):
            out, _ = wintool("send", hwnd, 0x84, 0, ((y & 0xFFFF) << 16) | (x & 0xFFFF))
            return out[0]["result"]
        self.assertEqual(13, hit(left + 2, top + 1))  # HTTOPLEFT
        self.assertEqual(12, hit(left + 20, top + 1))  # HTTOP
        self.assertEqual(2, hit(left + 20, top + 3))  # HTCAPTION
        self.assertEqual(1, hit(left + 20, top + 40))  # HTCLIENT
        self.assertEqual(15, hit(left + 20, bottom - 3))  # HTBOTTOM
        self.assertEqual(11, hit(right - 2, top + 150))  # HTRIGHT
        self.assertEqual(17, hit(right - 1, bottom - 1))  # HTBOTTOMRIGHT
        # A double click on the caption maximises; maximised, nothing sizes.
        post(hwnd, 0x00A3, 2, ((top + 15) << 16) | (left + 100))  # WM_NCLBUTTONDBLCLK
        wait_until(lambda: self.rect() == [0, 0, *screen_size()], 10, what="the maximised window")
        self.assertEqual(1, hit(1, 1))

    def test_caption_buttons_carry_tooltips_that_follow_the_state(self):
        def tip_width(button_id):
            park_mouse()
            wait_until(lambda: not self.visible_tips(), 10, what="no tooltip")
            x, y = centre(self.child_by_id(self.win["hwnd"])[button_id]["rect"])
            xdotool("mousemove", x, y)
            time.sleep(0.1)
            xdotool("mousemove", x + 1, y)
            tips = wait_until(self.visible_tips, 10, what="the tooltip of %d" % button_id)
            shot = grab("tooltip_%d" % button_id)
            rect = tips[0]["rect"]
            self.assertGreater(dark_pixels(shot.crop(*rect)), 10)
            return rect[2] - rect[0]
        close = tip_width(50000)  # "关闭"
        maximise = tip_width(50002)  # "最大化": one character more
        self.assertGreater(maximise, close)
        click(self.win["hwnd"], 50002)
        wait_until(lambda: self.rect() == [0, 0, *screen_size()], 10, what="the maximised window")
        self.assertEqual(close, tip_width(50002))  # "还原"
        # Caption buttons made again keep their tooltips; the old ones go.
        tips = len(self.all_tips())
        post(self.win["hwnd"], WM_APP)
        wait_until(lambda: 50000 in self.child_by_id(self.win["hwnd"]), 10,
                   what="the caption buttons made again")
        self.assertEqual(close, tip_width(50000))
        self.assertEqual(tips, len(self.all_tips()))

    def all_tips(self):
        return [w for w in windows() if w["class"] == "tooltips_class32"
                and w["image"].lower().endswith("skinshow.exe")]

    def visible_tips(self):
        return [w for w in windows() if w["class"] == "tooltips_class32" and w["visible"]
                and w["image"].lower().endswith("skinshow.exe")]

    def rect(self):
        for w in windows():
            if w["hwnd"] == self.win["hwnd"]:
                return w["rect"]
        return None


if __name__ == "__main__":
    unittest.main()
