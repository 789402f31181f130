// The names and texts that identify the client wherever it shows or sends them.
#pragma once

#include "base/version.h"

// Title of the main game window (found by it across processes), of the login
// window, the game frame and the message box.
constexpr wchar_t kMainWindowTitle[] = L"BrindloTolvane";
// The game's tag in addresses, the settings section and file names.
constexpr wchar_t kGameTag[] = L"Tolv";
// The client version as the reports and the system menu carry it.
constexpr wchar_t kVersionText[] = TOLV_VERSION_TEXT;
