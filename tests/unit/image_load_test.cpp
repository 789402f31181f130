#include "ui/image_load.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/image_decode.h"
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

TEST(PremultipliedPixel, ColourScaledByAlphaTransparentIsZero) {
  EXPECT_EQ(0xFF123456u, skin::PremultipliedPixel(0xFF123456));
  // Whatever colour a transparent pixel carried, it adds nothing on screen.
  EXPECT_EQ(0u, skin::PremultipliedPixel(0x000AC81E));
  // Each channel c·a/255, rounded: 255 at 128 is 128, 128 at 128 is 64.
  EXPECT_EQ(0x80804000u, skin::PremultipliedPixel(0x80FF8000));
  EXPECT_EQ(0xFEFE0000u, skin::PremultipliedPixel(0xFEFF0000));
  // At alpha 1 a channel of 127 rounds to 0, one of 255 to 1.
  EXPECT_EQ(0x01000001u, skin::PremultipliedPixel(0x010000FF));
  EXPECT_EQ(0x01000000u, skin::PremultipliedPixel(0x0100007F));
}

TEST(PremultipliedPixel, RowsStayTopDownAndTheStrideIsHonoured) {
  // Two rows of one pixel, each row padded to 8 bytes.
  const uint8_t argb[] = {0x01, 0x02, 0x03, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE,
                          0xFF, 0xFF, 0xFF, 0x00, 0xEE, 0xEE, 0xEE, 0xEE};
  uint32_t out[2] = {1, 1};
  skin::ConvertToPremultiplied(argb, 8, 1, 2, out);
  EXPECT_EQ(0xFF030201u, out[0]);
  EXPECT_EQ(0u, out[1]);
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

// Decodes as GDI+ does on Windows: from where the stream stands, never
// seeking to its start first. Records the position decoding started at.
ULONGLONG g_decodeStart = 0;
Gdiplus::GpStatus WINGDIPAPI DecodeFromCurrentPosition(IStream* stream,
                                                       Gdiplus::GpBitmap** bitmap) {
  *bitmap = nullptr;
  const LARGE_INTEGER none = {};
  ULARGE_INTEGER at = {};
  stream->Seek(none, STREAM_SEEK_CUR, &at);
  g_decodeStart = at.QuadPart;
  BYTE signature[8] = {};
  ULONG read = 0;
  stream->Read(signature, sizeof(signature), &read);
  if (read != sizeof(signature) || memcmp(signature, "\x89PNG\r\n\x1a\n", 8) != 0) {
    return Gdiplus::UnknownImageFormat;
  }
  return Gdiplus::Ok;
}

TEST(DecodeImageStream, DecodingStartsAtTheFirstByteWhereverTheStreamStands) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(self, MAKEINTRESOURCEW(301), L"PNG");
  ASSERT_NE(nullptr, res);
  const void* bytes = LockResource(LoadResource(self, res));
  IStream* stream = nullptr;
  ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
  ULONG written = 0;
  stream->Write(bytes, SizeofResource(self, res), &written);  // now at the end
  g_decodeStart = 99;
  DecodeImageStream(stream, DecodeFromCurrentPosition);
  EXPECT_EQ(0u, g_decodeStart);
  // And GDI+ itself makes the image of it.
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token, &input, nullptr));
  Gdiplus::GpBitmap* image = DecodeImageStream(stream);
  EXPECT_NE(nullptr, image);
  if (image) Gdiplus::DllExports::GdipDisposeImage(image);
  Gdiplus::GdiplusShutdown(token);
  stream->Release();
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

TEST(LoadLayeredImage, PixelsArePremultipliedTopDownWithTheirAlpha) {
  SIZE size = {};
  HBITMAP bmp = LoadLayeredImage(::GetModuleHandleW(nullptr), 301, &size);
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(4, size.cx);
  EXPECT_EQ(2, size.cy);
  DIBSECTION dib = {};
  ASSERT_EQ(static_cast<int>(sizeof(dib)), ::GetObjectW(bmp, sizeof(dib), &dib));
  EXPECT_EQ(32, dib.dsBm.bmBitsPixel);
  // In memory order, the top row first: a top-down bitmap.
  const auto* raw = static_cast<const uint32_t*>(dib.dsBm.bmBits);
  // What UpdateLayeredWindow adds to the screen is the colour as stored: a
  // transparent pixel that kept its colour (10, 200, 30) would glow green,
  // and red at alpha 254 must be 254 too.
  const std::vector<uint32_t> expected = {0x80000000, 0x01000000, 0x00000000, 0xFF0C2238,
                                          0xFFC86432, 0x00000000, 0xFF000000, 0xFEFE0000};
  EXPECT_EQ(expected, std::vector<uint32_t>(raw, raw + 8));
  ::DeleteObject(bmp);
}

TEST(LoadLayeredImage, ClassicBitmapMissingOrBrokenGiveNullAndNoSize) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  SIZE size = {7, 7};
  // Resource 300 is a classic bitmap as well, but only its PNG has alpha.
  HBITMAP png = LoadLayeredImage(self, 300, &size);
  ASSERT_NE(nullptr, png);
  EXPECT_EQ(4, size.cx);
  ::DeleteObject(png);
  for (UINT id : {399u, 302u}) {
    size = {7, 7};
    EXPECT_EQ(nullptr, LoadLayeredImage(self, id, &size)) << id;
    EXPECT_EQ(0, size.cx);
    EXPECT_EQ(0, size.cy);
  }
  EXPECT_EQ(nullptr, LoadLayeredImage(nullptr, 301, &size));
}

}  // namespace
