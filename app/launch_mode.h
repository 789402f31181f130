// Which role a process of Tolv.exe plays, decided from its command line and
// from where the executable lies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum LaunchMode {
  ModeInstall = 0,    // no switch, outside the install folder: install
  ModeWebHall = 1,    // "/webbrindloD": open the web-game hall
  ModeShortcut = 2,   // "/TolvD": started from a shortcut
  ModeInstalled = 3,  // no switch, inside the install folder
  ModeUninstall = 4,  // "/uninst"
  ModeUpdate = 5,     // "/update"
  ModeNewWindow = 6,  // "/newgm /<main window> /<tab count>": a login process
  ModeGameHall = 7,   // "/gmhall /<main window>": a hall frame
};

struct LaunchDecision {
  LaunchMode mode = ModeInstall;
  // The main game window named on the command line (modes 6 and 7), else 0.
  std::intptr_t mainWnd = 0;
  // The tab count named on the command line (mode 6), else 0.
  int windowIndex = 0;
  // False when a "/newgm" or "/gmhall" line lacks its numbers, they are
  // longer than the buffers the main window writes them into (15 and 7
  // characters with the "/"), the handle is 0 or beyond 32 bits, or the tab
  // count is negative: such a process has no main window to join and ends
  // without showing anything.
  bool argumentsValid = true;
};

// `args` are the arguments after the program name; `exePath` the running
// executable's full path; `installFolder` the per-user install folder.
LaunchDecision DecideLaunchMode(const std::vector<std::wstring>& args, const std::wstring& exePath,
                                const std::wstring& installFolder);

// The decimal number after the first character of `arg` ("/655" gives 655,
// "/-2147483000" a negative number), read like a C runtime conversion:
// leading blanks and one sign allowed, digits as far as they go. False when
// there are no digits.
bool NumberAfterSlash(const std::wstring& arg, std::int64_t* value);

// The window handle a command-line number names (the main window writes its
// handle as a signed 32-bit number), sign-extended to the pointer size; 0
// when the number cannot be a window handle.
std::intptr_t WindowHandleValue(std::int64_t number);

// Whether a process in `mode` asks the portal's button-info interface at
// start-up. Its answer (the update flag, the caption link) serves the main
// process and the short-lived modes only: a login process or a hall frame
// would wait for a request whose answer it never reads, on the way to the
// window a player is waiting for.
bool AsksButtonInfo(LaunchMode mode);
