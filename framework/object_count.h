// Test builds only: what this process holds, as a soak test watches it from
// outside. Windows counts GDI and USER objects and kernel handles itself;
// Wine does not, so there the tables are walked instead.
#pragma once

#ifdef TOLV_TEST_SEAMS

enum class OwnObjects { Gdi = 0, User = 1, Handles = 2 };

// How many objects of this kind the process holds now.
long CountOwnObjects(OwnObjects which);

#endif
