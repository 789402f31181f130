#include "ui/image_load.h"

#include "ui/image_decode.h"

#include <cstdint>

#include "framework/gdi.h"
#include "ui/skin_layout.h"

using namespace Gdiplus;

namespace {

// GDI+ for the duration of one load; images are loaded before and after the
// process's own GDI+ start-up, so the loader never relies on it.
class GdiplusSession {
 public:
  GdiplusSession() {
    GdiplusStartupInput input;  // version 1, no debug callback, background thread
    if (GdiplusStartup(&m_token, &input, nullptr) != Ok) m_token = 0;
  }
  ~GdiplusSession() {
    if (m_token) GdiplusShutdown(m_token);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR m_token = 0;
};

// A w × h 32-bit DIB section, top-down (rows as GDI+ hands them out) or
// bottom-up; null, with no bitmap left behind, on failure.
HBITMAP Dib32(UINT w, UINT h, bool topDown, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(w);
  info.bmiHeader.biHeight = topDown ? -static_cast<LONG>(h) : static_cast<LONG>(h);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  HBITMAP dib =
      ::CreateDIBSection(CWindowDCScope(nullptr), &info, DIB_RGB_COLORS, bits, nullptr, 0);
  if (dib && !*bits) {
    ::DeleteObject(dib);
    dib = nullptr;
  }
  return dib;
}

// The key-colour conversion of a decoded image; null on any failure.
HBITMAP KeyedBitmap(GpBitmap* image) {
  UINT w = 0, h = 0;
  DllExports::GdipGetImageWidth(image, &w);
  DllExports::GdipGetImageHeight(image, &h);
  if (!w || !h) return nullptr;

  void* bits = nullptr;
  HBITMAP dib = Dib32(w, h, false, &bits);
  if (!dib) return nullptr;

  GpRect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  BitmapData data = {};
  if (DllExports::GdipBitmapLockBits(image, &all, ImageLockModeRead, PixelFormat32bppARGB, &data) !=
          Ok ||
      !data.Scan0) {
    ::DeleteObject(dib);
    return nullptr;
  }
  skin::ConvertToKeyedDib(static_cast<const uint8_t*>(data.Scan0), data.Stride, static_cast<int>(w),
                          static_cast<int>(h), static_cast<uint32_t*>(bits));
  DllExports::GdipBitmapUnlockBits(image, &data);
  return dib;
}

}  // namespace

GpBitmap* DecodeImageStream(IStream* stream, StreamDecoder decode) {
  // GDI+ on Windows reads from where the stream stands (Wine's seeks to the
  // start itself): the bytes were just written, so the stream stands at
  // their end.
  const LARGE_INTEGER start = {};
  if (!stream || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return nullptr;
  GpBitmap* image = nullptr;
  if (decode(stream, &image) != Ok) image = nullptr;
  return image;
}

namespace {

// The "PNG" resource `id` decoded by GDI+, or null. The stream holds the
// resource's bytes and must outlive the image: the caller releases it after
// disposing of the image.
GpBitmap* DecodePng(HMODULE module, UINT id, IStream** stream) {
  *stream = nullptr;
  HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  if (!res) return nullptr;
  HGLOBAL loaded = ::LoadResource(module, res);
  if (!loaded) return nullptr;

  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream))) return nullptr;
  const void* bytes = ::LockResource(loaded);
  const DWORD size = ::SizeofResource(module, res);
  ULONG written = 0;
  if (bytes) (*stream)->Write(bytes, size, &written);
  GpBitmap* image = nullptr;
  if (written == size) image = DecodeImageStream(*stream);
  ::FreeResource(loaded);
  if (!image) {
    (*stream)->Release();
    *stream = nullptr;
  }
  return image;
}

// A top-down 32-bit DIB section of the image's pixels as premultiplied ARGB;
// null on any failure.
HBITMAP PremultipliedBitmap(GpBitmap* image, SIZE* size) {
  UINT w = 0, h = 0;
  DllExports::GdipGetImageWidth(image, &w);
  DllExports::GdipGetImageHeight(image, &h);
  if (!w || !h || w > 0x7FFF || h > 0x7FFF) return nullptr;

  void* bits = nullptr;
  HBITMAP dib = Dib32(w, h, true, &bits);
  if (!dib) return nullptr;
  // Read as the straight ARGB a PNG decodes to (GDI+'s own conversion to
  // premultiplied pixels is several times slower under Wine).
  GpRect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  BitmapData data = {};
  if (DllExports::GdipBitmapLockBits(image, &all, ImageLockModeRead, PixelFormat32bppARGB, &data) !=
          Ok ||
      !data.Scan0 || data.Stride < static_cast<INT>(w * 4)) {
    ::DeleteObject(dib);
    return nullptr;
  }
  skin::ConvertToPremultiplied(static_cast<const uint8_t*>(data.Scan0), data.Stride,
                               static_cast<int>(w), static_cast<int>(h),
                               static_cast<uint32_t*>(bits));
  DllExports::GdipBitmapUnlockBits(image, &data);
  size->cx = static_cast<LONG>(w);
  size->cy = static_cast<LONG>(h);
  return dib;
}

}  // namespace

HBITMAP LoadResourceImage(HMODULE module, UINT id) {
  if (!module) return nullptr;
  GdiplusSession gdiplus;
  if (HBITMAP classic = ::LoadBitmapW(module, MAKEINTRESOURCEW(id))) return classic;
  IStream* stream = nullptr;
  GpBitmap* image = DecodePng(module, id, &stream);
  if (!image) return nullptr;
  HBITMAP result = KeyedBitmap(image);
  if (!result) DllExports::GdipCreateHBITMAPFromBitmap(image, &result, 0xFFFF00FF);
  DllExports::GdipDisposeImage(image);
  stream->Release();
  return result;
}

HBITMAP LoadLayeredImage(HMODULE module, UINT id, SIZE* size) {
  *size = SIZE{0, 0};
  if (!module) return nullptr;
  GdiplusSession gdiplus;
  IStream* stream = nullptr;
  GpBitmap* image = DecodePng(module, id, &stream);
  if (!image) return nullptr;
  HBITMAP result = PremultipliedBitmap(image, size);
  DllExports::GdipDisposeImage(image);
  stream->Release();
  return result;
}
