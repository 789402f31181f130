#include "ui/skin_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using skin::Blit;

// Every window pixel painted by some piece, and no piece reading outside the
// image: the background fills the window whatever its size.
void ExpectCoversWindow(int w, int h, int iw, int ih, int b, int ch, bool nineGrid) {
  std::vector<std::vector<bool>> painted(h, std::vector<bool>(w, false));
  for (const Blit& p : skin::BackgroundPieces(w, h, iw, ih, b, ch, nineGrid)) {
    for (int y = std::max(p.dy, 0); y < std::min(p.dy + p.dh, h); ++y)
      for (int x = std::max(p.dx, 0); x < std::min(p.dx + p.dw, w); ++x) painted[y][x] = true;
    if (nineGrid) {
      EXPECT_GE(p.sx, 0);
      EXPECT_LE(p.sx + p.sw, iw) << p.dx << "," << p.dy;
      EXPECT_LE(p.sy + p.sh, ih) << p.dx << "," << p.dy;
    }
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_TRUE(painted[y][x]) << x << "," << y << " in " << w;
}

TEST(BackgroundPieces, EveryModeFillsWindowsOfManySizes) {
  for (int w : {30, 31, 57, 200, 401}) {
    for (int h : {51, 120}) {
      ExpectCoversWindow(w, h, 30, 51, 4, 30, true);
      ExpectCoversWindow(w, h, 30, 51, 4, -1, true);
      ExpectCoversWindow(w, h, 30, 51, 3, 30, false);
      ExpectCoversWindow(w, h, 30, 51, 3, -1, false);
    }
  }
}

TEST(BackgroundPieces, CaptionBandIsTiledNotStretchedAndEndsWithItsRightEnd) {
  const auto pieces = skin::BackgroundPieces(100, 80, 30, 51, 4, 30, true);
  std::vector<int> tiles;
  for (const Blit& p : pieces)
    if (p.dy == 0 && p.sx == 4 && !p.stretch) tiles.push_back(p.dx);
  EXPECT_EQ((std::vector<int>{4, 26, 48, 70, 92}), tiles);
  // The right end comes after the tiles so that it covers their overhang.
  EXPECT_EQ((Blit{96, 0, 4, 30, 26, 0, 4, 30, false}), pieces[6]);
  // Bottom row last: corners 1:1, the edge stretched.
  EXPECT_EQ((Blit{0, 76, 4, 4, 0, 47, 4, 4, false}), pieces[pieces.size() - 3]);
  EXPECT_EQ((Blit{4, 76, 92, 4, 4, 47, 22, 4, true}), pieces[pieces.size() - 2]);
}

TEST(BackgroundPieces, PlainModeCopiesOneToOneAndRefitsRightAndBottom) {
  const auto pieces = skin::BackgroundPieces(300, 200, 30, 51, 3, 30, false);
  ASSERT_EQ(6u, pieces.size());
  EXPECT_EQ((Blit{0, 0, 300, 200, 0, 0, 300, 200, false}), pieces[0]);
  EXPECT_EQ((Blit{297, 0, 3, 30, 27, 0, 3, 30, false}), pieces[1]);
  EXPECT_EQ((Blit{297, 30, 3, 167, 27, 30, 3, 18, true}), pieces[2]);
}

TEST(CornerCutouts, MagentaCornersStayAtTheWindowsCorners) {
  // A 30 × 51 image whose four corner pixels and the pixel beside the
  // top-left one are magenta.
  auto key = [](int x, int y) {
    const bool cornerX = x == 0 || x == 29, cornerY = y == 0 || y == 50;
    return (cornerX && cornerY) || (x == 1 && y == 0);
  };
  for (SIZE size : {SIZE{30, 51}, SIZE{300, 120}}) {
    const auto cut = skin::CornerCutouts(size.cx, size.cy, 30, 51, key);
    std::set<std::pair<int, int>> got;
    for (const POINT& p : cut) got.insert({p.x, p.y});
    const int r = size.cx - 1, b = size.cy - 1;
    EXPECT_EQ((std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {r, 0}, {0, b}, {r, b}}), got);
  }
  // Nothing beyond the 9 × 9 corners is looked at.
  const auto none = skin::CornerCutouts(
      100, 100, 30, 51, [](int x, int y) { return x >= 9 && x <= 20 && y >= 9 && y <= 41; });
  EXPECT_TRUE(none.empty());
}

TEST(HitTest, ResizableWindowBordersAndCaption) {
  auto hit = [](int x, int y) { return skin::HitTest(x, y, 400, 300, 4, 30, true, false); };
  EXPECT_EQ(HTTOPLEFT, hit(2, 1));
  EXPECT_EQ(HTTOP, hit(20, 1));
  EXPECT_EQ(HTCAPTION, hit(20, 3));
  EXPECT_EQ(HTCLIENT, hit(20, 40));
  EXPECT_EQ(HTBOTTOM, hit(20, 297));
  EXPECT_EQ(HTRIGHT, hit(398, 150));
  EXPECT_EQ(HTTOPRIGHT, hit(399, 0));
  EXPECT_EQ(HTBOTTOMLEFT, hit(0, 299));
  EXPECT_EQ(HTBOTTOMRIGHT, hit(396, 296));
  EXPECT_EQ(HTLEFT, hit(3, 30));
  // The top band is 3 pixels even with a wider border.
  EXPECT_EQ(HTTOP, skin::HitTest(100, 2, 400, 300, 8, 30, true, false));
  EXPECT_EQ(HTCAPTION, skin::HitTest(100, 3, 400, 300, 8, 30, true, false));
}

TEST(HitTest, FixedWindowsDragByCaptionMaximisedOnesNotAtAll) {
  // Without a caption band the whole window drags.
  EXPECT_EQ(HTCAPTION, skin::HitTest(200, 250, 400, 300, 3, -1, false, false));
  EXPECT_EQ(HTCAPTION, skin::HitTest(200, 150, 400, 300, 3, -1, true, false));
  EXPECT_EQ(HTCAPTION, skin::HitTest(200, 29, 400, 300, 3, 30, false, false));
  EXPECT_EQ(HTCLIENT, skin::HitTest(200, 30, 400, 300, 3, 30, false, false));
  // Not resizable: the borders are plain client area.
  EXPECT_EQ(HTCLIENT, skin::HitTest(1, 150, 400, 300, 3, 30, false, false));
  EXPECT_EQ(HTCLIENT, skin::HitTest(2, 1, 400, 300, 4, 30, true, true));
  EXPECT_EQ(HTCLIENT, skin::HitTest(20, 10, 400, 300, 4, -1, true, true));
}

TEST(HitTest, BorderCodesMapToTheSystemsSizingEdges) {
  EXPECT_EQ(1, skin::SizingEdge(HTLEFT));
  EXPECT_EQ(2, skin::SizingEdge(HTRIGHT));
  EXPECT_EQ(3, skin::SizingEdge(HTTOP));
  EXPECT_EQ(4, skin::SizingEdge(HTTOPLEFT));
  EXPECT_EQ(5, skin::SizingEdge(HTTOPRIGHT));
  EXPECT_EQ(6, skin::SizingEdge(HTBOTTOM));
  EXPECT_EQ(7, skin::SizingEdge(HTBOTTOMLEFT));
  EXPECT_EQ(8, skin::SizingEdge(HTBOTTOMRIGHT));
  EXPECT_EQ(0, skin::SizingEdge(HTCAPTION));
  EXPECT_EQ(0, skin::SizingEdge(HTCLIENT));
}

TEST(Caption, IconAndTextPositions) {
  EXPECT_EQ(7, skin::CaptionIconTop(30));
  EXPECT_EQ(6, skin::CaptionIconTop(-1));
  const POINT withIcon = skin::CaptionTextOrigin(4, 30, 0, 16);
  EXPECT_EQ(25, withIcon.x);
  EXPECT_EQ(7, withIcon.y);
  EXPECT_EQ(4, skin::CaptionTextOrigin(3, -1, 0, 0).y);
  EXPECT_EQ(4, skin::CaptionTextOrigin(3, 9, 0, 0).y);  // (9 − 11) / 2 is negative
  EXPECT_EQ(15, skin::CaptionTextOrigin(3, 30, 7, 0).x);
  EXPECT_EQ(8, skin::CaptionStripTop(30, 11));  // (30 + 1 − 11) / 2 − 2
  EXPECT_EQ(4, skin::CaptionStripTop(-1, 11));
}

TEST(Caption, ButtonsStandRightToLeftAndAbsentOnesTakeNoRoom) {
  const auto all = skin::CaptionButtonRights(400, 5, 2, 33, 27, 27);
  EXPECT_EQ(395, all.close);
  EXPECT_EQ(360, all.max);  // 395 − 33 − 2
  EXPECT_EQ(331, all.min);  // 360 − 27 − 2
  const auto noMin = skin::CaptionButtonRights(400, 0, 0, 33, 27, 0);
  EXPECT_EQ(367, noMin.max);
  EXPECT_EQ(0, noMin.min);
  const auto noMax = skin::CaptionButtonRights(400, 0, 0, 33, 0, 27);
  EXPECT_EQ(367, noMax.min);
  EXPECT_EQ(0, noMax.max);
}

TEST(Maximise, FillsTheWorkAreaUpToTheLargestSize) {
  const RECT work = {0, 0, 1920, 1040};
  const RECT full = skin::MaximizedRect(work, {1920, 1040});
  EXPECT_EQ(0, full.left);
  EXPECT_EQ(1920, full.right);
  EXPECT_EQ(1040, full.bottom);
  const RECT capped = skin::MaximizedRect(work, {1440, 900});
  EXPECT_EQ(240, capped.left);
  EXPECT_EQ(1680, capped.right);
  EXPECT_EQ(70, capped.top);
  EXPECT_EQ(970, capped.bottom);
  const RECT restore = skin::InitialRestoreRect({0, 0, 1280, 1000});
  EXPECT_EQ(160, restore.left);
  EXPECT_EQ(125, restore.top);
  EXPECT_EQ(1120, restore.right);
  EXPECT_EQ(875, restore.bottom);
}

TEST(ButtonCell, DisabledWinsThenPressedThenHover) {
  EXPECT_EQ(0, skin::ButtonCell(0, false, false));
  EXPECT_EQ(1, skin::ButtonCell(ODS_FOCUS, false, true));
  EXPECT_EQ(2, skin::ButtonCell(ODS_SELECTED, false, true));
  // Dragged off while held: the latch keeps the pressed look.
  EXPECT_EQ(2, skin::ButtonCell(0, true, false));
  EXPECT_EQ(3, skin::ButtonCell(ODS_DISABLED | ODS_SELECTED, true, true));
  EXPECT_EQ(3, skin::ButtonCell(ODS_GRAYED, false, false));
}

TEST(MessageBoxLayout, WidthFollowsButtonsOrText) {
  // A short text: the two buttons decide (2 × 57 + 60).
  EXPECT_EQ(174, skin::LayoutMessageBox(80, 14, 1, 57, 23, MB_OK).width);
  EXPECT_EQ(174, skin::LayoutMessageBox(174, 14, 1, 57, 23, MB_OK).width);
  EXPECT_EQ(260, skin::LayoutMessageBox(200, 14, 1, 57, 23, MB_YESNO).width);
}

TEST(MessageBoxLayout, HeightAndButtonPlaces) {
  const auto three = skin::LayoutMessageBox(150, 42, 3, 57, 23, MB_YESNO);
  EXPECT_EQ(99 + 42 + 23, three.height);
  // Two buttons 20 pixels apart around the centre, 30 above the bottom.
  EXPECT_EQ(20, three.button1.left);  // 174 / 2 − 10 − 57
  EXPECT_EQ(77, three.button1.right);
  EXPECT_EQ(97, three.button2.left);
  EXPECT_EQ(154, three.button2.right);
  EXPECT_EQ(three.height - 30 - 23, three.button1.top);
  EXPECT_EQ(three.height - 30, three.button2.bottom);
  // The last text line (top 55, lines 3 apart) clears the buttons by 8.
  EXPECT_GE(three.button1.top - (55 + 42 + 2 * 3), 8);
  const auto one = skin::LayoutMessageBox(300, 14, 1, 57, 23, MB_ICONERROR);
  EXPECT_EQ(360, one.width);
  EXPECT_EQ(151, one.button1.left);
  EXPECT_EQ(208, one.button1.right);
  EXPECT_TRUE(IsRectEmpty(&one.button2));
}

TEST(MessageBoxLayout, LinesCaptionsAndResults) {
  EXPECT_EQ(1, skin::MessageLines(L"当前网络不可用"));
  EXPECT_EQ(3, skin::MessageLines(L"a\nb\nc"));
  EXPECT_EQ(2, skin::MessageLines(L"a\r\nb"));
  EXPECT_EQ(L"是", skin::MessageButtonCaption(MB_YESNO, 1));
  EXPECT_EQ(L"否", skin::MessageButtonCaption(MB_YESNO, 2));
  EXPECT_EQ(L"确定", skin::MessageButtonCaption(MB_OKCANCEL, 1));
  EXPECT_EQ(L"取消", skin::MessageButtonCaption(MB_OKCANCEL, 2));
  EXPECT_EQ(L"确定", skin::MessageButtonCaption(MB_OK, 1));
  EXPECT_EQ(IDYES, skin::MessageBoxResult(MB_YESNO, 5000));
  EXPECT_EQ(IDNO, skin::MessageBoxResult(MB_YESNO, 5001));
  EXPECT_EQ(IDOK, skin::MessageBoxResult(MB_OKCANCEL, 5000));
  EXPECT_EQ(IDCANCEL, skin::MessageBoxResult(MB_OKCANCEL, 5001));
  EXPECT_EQ(IDOK, skin::MessageBoxResult(7, 5000));
  EXPECT_FALSE(skin::MessageHasTwoButtons(MB_YESNOCANCEL));
}

TEST(ProgressFill, BothEndsOfTheFillShow) {
  const auto half = skin::ProgressFillParts(50, 0, 100, 390);
  EXPECT_EQ(195, half.length);
  EXPECT_EQ(97, half.leftWidth);
  EXPECT_EQ(98, half.rightWidth);
  EXPECT_EQ(292, half.rightSourceX);
  const auto none = skin::ProgressFillParts(0, 0, 100, 390);
  EXPECT_EQ(0, none.leftWidth + none.rightWidth);
  // At the upper bound the two halves make up the whole image.
  const auto full = skin::ProgressFillParts(100, 0, 100, 390);
  EXPECT_EQ(195, full.leftWidth);
  EXPECT_EQ(195, full.rightSourceX);
  EXPECT_EQ(390, full.leftWidth + full.rightWidth);
}

TEST(ProgressFill, EmptyRangeOrStrayPositionStaysInsideTheImage) {
  EXPECT_EQ(0, skin::ProgressFillParts(10, 0, 0, 390).length);
  EXPECT_EQ(390, skin::ProgressFillParts(250, 0, 100, 390).length);
  EXPECT_EQ(0, skin::ProgressFillParts(-5, 0, 100, 390).length);
}

TEST(LabelFormat, StylesChooseTheTextFormat) {
  EXPECT_EQ(static_cast<UINT>(DT_WORDBREAK), skin::LabelTextFormat(SS_LEFT | SS_NOTIFY));
  EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_WORDBREAK),
            skin::LabelTextFormat(SS_CENTER));
  EXPECT_EQ(static_cast<UINT>(DT_RIGHT | DT_WORDBREAK), skin::LabelTextFormat(SS_RIGHT));
  const UINT ellipsis = skin::LabelTextFormat(SS_ENDELLIPSIS);
  EXPECT_TRUE(ellipsis & DT_END_ELLIPSIS);
  EXPECT_TRUE(skin::IsSingleLineFormat(ellipsis));
  EXPECT_TRUE(skin::IsSingleLineFormat(skin::LabelTextFormat(SS_CENTERIMAGE)));
  EXPECT_TRUE(skin::LabelTextFormat(SS_PATHELLIPSIS) & DT_PATH_ELLIPSIS);
  EXPECT_FALSE(skin::IsSingleLineFormat(skin::LabelTextFormat(SS_CENTER)));
}

// Every character 12 pixels wide.
int Measure(const std::wstring& s) {
  return 12 * static_cast<int>(s.size());
}

TEST(LabelWrap, WrapsByWidthAndBreaksAtNewlines) {
  const auto lines = skin::WrapLabel(L"登录其他账号登录其他账号登录其他账号", 100, Measure);
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(8u, lines[0].size());
  EXPECT_EQ(8u, lines[1].size());
  EXPECT_EQ(2u, lines[2].size());
  // Three lines of a 16-pixel font, 3 apart: 3 × 16 + 6.
  EXPECT_EQ(54, skin::LabelHeight(16, 3, 3));
  EXPECT_EQ(16, skin::LabelHeight(16, 3, 1));
  EXPECT_EQ((std::vector<std::wstring>{L"ab", L"cd"}), skin::WrapLabel(L"ab\r\ncd", 100, Measure));
  EXPECT_EQ((std::vector<std::wstring>{L"ab", L"", L"c"}),
            skin::WrapLabel(L"ab\n\nc", 100, Measure));
  EXPECT_EQ((std::vector<std::wstring>{L""}), skin::WrapLabel(L"", 100, Measure));
}

TEST(LabelWrap, CharacterWiderThanTheLabelStillEnds) {
  // Each character alone is too wide: one per line, never an endless loop.
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), skin::WrapLabel(L"abc", 5, Measure));
}

}  // namespace
