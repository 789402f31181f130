// The skin's images: PNG resources of the executable turned into plain
// bitmaps the controls can blit, with transparency kept as the key colour.
#pragma once

#include <windows.h>

// A 32-bit bottom-up DIB section of resource image `id` of `module` (a classic
// bitmap resource of that id wins over a "PNG" one), or null. Fully
// transparent pixels become magenta, partly transparent ones are blended over
// white. The caller owns the bitmap.
HBITMAP LoadResourceImage(HMODULE module, UINT id);
