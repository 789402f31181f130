#include "ui/image_load.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/skin_layout.h"

namespace {

TEST(KeyedPixel, OpaqueCopiedTransparentKeyedPartialBlendedOverWhite) {
  EXPECT_EQ(0x123456u, skin::KeyedPixel(0xFF123456));
  // Whatever colour a transparent pixel carried, it becomes exact magenta.
  EXPECT_EQ(0xFF00FFu, skin::KeyedPixel(0x00000000));
  EXPECT_EQ(0xFF00FFu, skin::KeyedPixel(0x000AC81E));
  // Black at alpha 128 over white is grey 127; at alpha 1 it is 254.
  EXPECT_EQ(0x7F7F7Fu, skin::KeyedPixel(0x80000000));
  EXPECT_EQ(0xFEFEFEu, skin::KeyedPixel(0x01000000));
  // White stays white at any alpha; each channel blends on its own.
  EXPECT_EQ(0xFFFFFFu, skin::KeyedPixel(0x40FFFFFF));
  EXPECT_EQ(0xFF7FFFu, skin::KeyedPixel(0x80FF00FF));
}

TEST(KeyedPixel, RowsAreFlippedIntoTheBottomUpDib) {
  // Two rows of one pixel, in memory order blue, green, red, alpha.
  const uint8_t argb[] = {0x01, 0x02, 0x03, 0xFF, 0x0A, 0x0B, 0x0C, 0xFF};
  uint32_t dib[2] = {};
  skin::ConvertToKeyedDib(argb, 4, 1, 2, dib);
  EXPECT_EQ(0x0C0B0Au, dib[0]);  // the bottom row comes first
  EXPECT_EQ(0x030201u, dib[1]);
}

// Reads a loaded bitmap back as 0x00RRGGBB, top row first.
std::vector<uint32_t> Pixels(HBITMAP bmp, int w, int h) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> out(static_cast<size_t>(w * h));
  HDC dc = ::GetDC(nullptr);
  ::GetDIBits(dc, bmp, 0, h, out.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  for (auto& p : out) p &= 0x00FFFFFF;
  return out;
}

TEST(LoadResourceImage, PngBecomesABottomUp32BitDibWithKeyedTransparency) {
  HBITMAP bmp = LoadResourceImage(::GetModuleHandleW(nullptr), 301);
  ASSERT_NE(nullptr, bmp);
  DIBSECTION dib = {};
  ASSERT_EQ(static_cast<int>(sizeof(dib)), ::GetObjectW(bmp, sizeof(dib), &dib));
  EXPECT_EQ(4, dib.dsBmih.biWidth);
  EXPECT_EQ(2, dib.dsBmih.biHeight);  // positive: bottom-up
  EXPECT_EQ(32, dib.dsBm.bmBitsPixel);
  const std::vector<uint32_t> expected = {0x7F7F7F, 0xFEFEFE, 0xFF00FF, 0x0C2238,
                                          0xC86432, 0xFF00FF, 0x000000, 0xFF0101};
  EXPECT_EQ(expected, Pixels(bmp, 4, 2));
  // The fourth byte of every pixel is 0: the bitmap carries no alpha.
  const auto* raw = static_cast<const uint32_t*>(dib.dsBm.bmBits);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(0u, raw[i] >> 24) << i;
  ::DeleteObject(bmp);
}

TEST(LoadResourceImage, ClassicBitmapWinsMissingOrBrokenGivesNull) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HBITMAP classic = LoadResourceImage(self, 300);
  ASSERT_NE(nullptr, classic);
  BITMAP bm = {};
  ::GetObjectW(classic, sizeof(bm), &bm);
  EXPECT_EQ(2, bm.bmWidth);  // the 2 × 2 bitmap, not the 4 × 2 PNG
  EXPECT_EQ(2, bm.bmHeight);
  ::DeleteObject(classic);

  EXPECT_EQ(nullptr, LoadResourceImage(self, 399));
  EXPECT_EQ(nullptr, LoadResourceImage(self, 302));
  EXPECT_EQ(nullptr, LoadResourceImage(nullptr, 301));
  // Every path shut its GDI+ down: loading keeps working afterwards.
  HBITMAP again = LoadResourceImage(self, 301);
  EXPECT_NE(nullptr, again);
  ::DeleteObject(again);
}

}  // namespace
