// Values every process keeps for its lifetime, written only on the
// user-interface thread.
#pragma once

#include <windows.h>

#include <string>

// The hub process's main game window this process belongs to ("/newgm" and
// "/gmhall" processes); null in every other process.
extern HWND MainWndHandle;
// The tab count the main window had when it started this login process.
extern int WindowIndex;
// The first page of this process's game frame: the hall page until a login
// hands over the game's address.
extern std::wstring GameUrl;

// Starts `path`, or the running executable when null, with no arguments, at
// idle priority. Failures are ignored.
void StartProcess(const wchar_t* path);

// Starts `commandLine` at idle priority, shown normally, inheriting nothing.
// On success hands back the process handle when `process` is given (the
// caller closes it) and returns true.
bool StartCommandLine(std::wstring commandLine, HANDLE* process = nullptr);
