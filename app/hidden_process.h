// Starting a helper that nobody sees (the removal script).
#pragma once

#include <string>

// The command line that runs the batch script at `path` through the system's
// command processor `cmd`: "/D" (no AutoRun command of the registry runs
// first), "/S /C" and the quoted path in quotes of its own, which cmd strips.
std::wstring ScriptCommandLine(const std::wstring& cmd, const std::wstring& path);

// Runs the batch script at `path` with no console, hidden, its main thread at
// idle priority, inheriting nothing but this process's environment. False
// when it could not be started.
bool StartHiddenScript(const std::wstring& path);
