// Test builds only: what this process holds, as a soak test watches it from
// outside. Windows counts GDI and USER objects and kernel handles itself;
// Wine does not, so there the tables are walked instead.
#pragma once

#ifdef TOLV_TEST_SEAMS

// CachedDcs: the window DCs given back (ReleaseDC, EndPaint) that the window
// manager keeps in this process for the next window to paint. Windows gives
// them back to the system and does not count them as the process's; Wine
// keeps each in the process's table with the visible region it last had (up
// to 64 of them), so its count (0 where the system counts) is reported
// apart and left out of the GDI figure.
enum class OwnObjects { Gdi = 0, User = 1, Handles = 2, CachedDcs = 3 };

// How many objects of this kind the process holds now.
long CountOwnObjects(OwnObjects which);

#endif
