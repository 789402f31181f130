// Decoding an image from a stream with GDI+, apart from the bitmap
// conversions so that the stream handling can be checked on its own.
#pragma once

#include <windows.h>
#include <gdiplus.h>
#include <objidl.h>

// How GDI+ makes a bitmap of a stream's bytes (GdipCreateBitmapFromStream).
using StreamDecoder = Gdiplus::GpStatus(WINGDIPAPI*)(IStream* stream, Gdiplus::GpBitmap** bitmap);
// The image in the bytes of `stream`, decoded from their start whatever the
// stream's position, or null.
Gdiplus::GpBitmap* DecodeImageStream(
    IStream* stream, StreamDecoder decode = Gdiplus::DllExports::GdipCreateBitmapFromStream);
