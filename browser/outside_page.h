// Starting what lies outside the client: web pages in the user's browser or
// in Internet Explorer. The client runs with administrator rights, and a
// program it starts itself inherits them; where the system allows it, such
// pages are started by the desktop's own shell, as the signed-in user.
#pragma once

#include <windows.h>

#include <string>

// One start of an outside program or page.
struct OutsideStart {
  // A program's path (`program`), or an address the shell opens.
  std::wstring file;
  // The program's arguments, already quoted.
  std::wstring parameters;
  int show = SW_SHOWNORMAL;
  bool program = false;
};

using OutsideStartFn = bool (*)(const OutsideStart&);
// The two ways to start: as the desktop's user (through the shell of the
// desktop window) and, where that is not possible, as this process.
struct OutsideStarters {
  OutsideStartFn asDesktopUser;
  OutsideStartFn asThisProcess;
};

// The system's starters.
bool StartAsDesktopUser(const OutsideStart& start);
// A program at idle priority (`CreateProcessW`, its path quoted), an address
// through `ShellExecuteW` "open".
bool StartAsThisProcess(const OutsideStart& start);

// Replaces the starters every outside start goes through (tests record
// starts instead of making them); returns the ones in use before.
OutsideStarters SetOutsideStarters(const OutsideStarters& starters);

// Starts `start` as the desktop's user, or failing that as this process;
// true when one of them started it.
bool StartOutside(const OutsideStart& start);

// Opens a web address in the user's default browser; nothing happens, and
// false comes back, for anything CheckWebAddress refuses.
bool OpenInDefaultBrowser(const std::wstring& url, int show);
