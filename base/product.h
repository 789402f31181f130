// The names and texts that identify the client wherever it shows or sends them.
#pragma once

// Title of the main game window (found by it across processes), of the login
// window, the game frame and the message box.
constexpr wchar_t kMainWindowTitle[] = L"BrindloTolvane";
// The game's tag in addresses, the settings section and file names.
constexpr wchar_t kGameTag[] = L"Tolv";
// The client version as the reports and the system menu carry it ("3.0.1.3").
extern const wchar_t kVersionText[];
// The version without its dots ("3013"), which ends every version token.
extern const wchar_t kVersionDigits[];
