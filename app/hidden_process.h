// Starting a helper that nobody sees (the removal script).
#pragma once

#include <string>

// Starts the file at `path` (a program or a batch script) with no arguments,
// hidden, its main thread at idle priority, inheriting nothing but this
// process's environment. False when it could not be started.
bool StartHidden(const std::wstring& path);
