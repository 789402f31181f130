// The skin's images: PNG resources of the executable turned into plain
// bitmaps the controls can blit, with transparency kept as the key colour.
#pragma once

#include <windows.h>

// A 32-bit bottom-up DIB section of resource image `id` of `module` (a classic
// bitmap resource of that id wins over a "PNG" one), or null. Fully
// transparent pixels become magenta, partly transparent ones are blended over
// white. The caller owns the bitmap.
HBITMAP LoadResourceImage(HMODULE module, UINT id);
// A 32-bit top-down DIB section of the "PNG" resource `id` of `module` with
// its pixels as premultiplied ARGB, the form a per-pixel-alpha layered window
// takes (`UpdateLayeredWindow` with `AC_SRC_ALPHA`), or null; `size` gets its
// width and height (0 by 0 on failure). A fully transparent pixel is 0
// whatever colour the file gave it. The caller owns the bitmap.
HBITMAP LoadLayeredImage(HMODULE module, UINT id, SIZE* size);
