// Installing the client for the current user, and removing it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// ---- Decisions (no files) ----

// "%s\%s.lnk": a shortcut named `name` in `folder`.
std::wstring ShortcutPath(const std::wstring& folder, const std::wstring& name);
// The working folder of a shortcut to `target`: the text before its last
// backslash, or before its last slash when it has none; empty otherwise.
std::wstring WorkingFolder(const std::wstring& target);
// The folder of an executable: the path up to, not including, its last
// backslash; the whole path when it has none.
std::wstring ExeFolder(const std::wstring& path);
// Where an older version kept its desktop shortcut: the documents folder cut
// at its last backslash, the desktop folder's last component, the name.
std::wstring OldDesktopShortcut(const std::wstring& documents, const std::wstring& desktop,
                                const std::wstring& name);

// Environment variables through which the removal script receives its paths.
constexpr wchar_t kRemoveExeVariable[] = L"TOLV_REMOVE_EXE";
constexpr wchar_t kRemoveDirVariable[] = L"TOLV_REMOVE_DIR";
// Tries of the removal script, about a second apart, once the removing
// process has ended, before it gives up on an executable that still cannot be
// deleted (another copy of it still runs).
constexpr int kRemovalTries = 60;

// The removal script. It waits, without limit, for the removing process to
// end: that process holds the script's "DelSelf" placeholder open without
// delete sharing as long as it lives (the system closes it however the
// process ends), so the placeholder becomes deletable exactly then. It then
// deletes the executable (named by the environment variable
// kRemoveExeVariable), read-only or not, in at most `tries` tries; with
// `removeFolder` it also empties and removes the folder (kRemoveDirVariable);
// at the end it deletes itself. The script holds no path itself, so paths in
// any character set reach it intact.
std::string RemovalScript(bool removeFolder, int tries = kRemovalTries);

// ---- Files ----

// Writes the removal script for `exe` into `tempFolder` (a unique "DelSelf"
// name with ".bat" added) and starts it unseen. It chooses the script that
// also removes the folder when the folder holds at most one file. `*alive`
// receives the handle that holds the placeholder open: the removing process
// keeps it until it ends (closing it plays that end). The script's path, or
// empty when it could not be written or started.
std::wstring StartRemovalScript(const std::wstring& exe, const std::wstring& tempFolder,
                                HANDLE* alive, int tries = kRemovalTries);

// Number of files in `folder` and all its subfolders; 0 for an empty or null
// name; a folder that cannot be listed counts as 1.
int CountFiles(const wchar_t* folder);
// Appends `text`'s bytes to `path` (created when absent); the number of bytes
// written, or -1.
int AppendToFile(const std::string& text, const wchar_t* path);

// A Shell link at `link` to `target` with `arguments`, the target's icon and
// folder, and `description` unless empty. 1 when it was saved.
int CreateShortcut(const wchar_t* target, const wchar_t* link, const wchar_t* arguments,
                   const wchar_t* description);
int CreateDesktopShortcut(const std::wstring& target);
int CreateStartMenuShortcut(const std::wstring& name, const std::wstring& target,
                            const wchar_t* arguments);
int DeleteDesktopShortcut(const std::wstring& name);
int DeleteStartMenuShortcut(const std::wstring& name);

// The per-user uninstall entry that lists the client among installed
// programs, under this key of HKEY_CURRENT_USER.
constexpr wchar_t kUninstallEntryKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BrindloTolvane";
void WriteUninstallEntry(const std::wstring& exe);
void DeleteUninstallEntry();

// The stream in which a browser marks a downloaded file, which CopyFileW
// copies along: every start from the shortcut would show the system's
// security warning for a downloaded program.
constexpr wchar_t kDownloadMarkStream[] = L":Zone.Identifier";
// Removes that mark from `path`; true when the file carries none afterwards.
bool RemoveDownloadMark(const std::wstring& path);

// ---- Steps of start-up ----

// Copies the executable into the install folder, makes the shortcuts, lists
// the client among installed programs and starts the installed copy.
int Install();
// Removes the registry key, the entry among installed programs and the
// shortcuts, starts the removal script, sends the uninstall report through
// `sendReport` and shows the completion message (whose result it returns).
int Uninstall(const std::function<void()>& sendReport);
