// Where the client's files lie, and how a path goes onto a command line.
#pragma once

#include <string>

// The running executable's full path.
std::wstring ExePath();

// Writes into `out` (260 characters) the running executable's path with its
// file name replaced by `name` (the executable itself when null). 0, and an
// empty `out`, when the path has no backslash.
int PathBesideExe(const wchar_t* name, wchar_t* out);

// The per-user install folder: local application data + "\Brindlo\VodiVavoz";
// empty when the system does not name local application data.
std::wstring InstallFolder();

// `path` in double quotes, as the program name of a command line must be:
// unquoted, a blank in the path ("Documents and Settings", a user name with a
// blank) splits it, and the child reads the path's tail as its first
// argument. (Wine quotes such a path by itself; Windows does not.)
std::wstring QuotedPath(const std::wstring& path);
