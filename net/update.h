// Self-update: the manifest check, the verified download and the swap of the
// executable. Start-up runs them before any window opens.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/product.h"

// ---- Decisions (no network) ----

// MD5 digest of the file's bytes (read in 1024-byte pieces through the
// system's crypto provider) as 32 lower-case hexadecimal digits; empty when
// the file cannot be read.
std::wstring FileMd5(const std::wstring& path);

// A version token from a 32-digit digest: its last four digits replaced by
// the client version's. Empty for anything that is no such digest.
std::wstring TokenFromDigest(const std::wstring& digest);

// The version token of the file at `path`; empty when it cannot be read.
std::wstring VersionToken(const std::wstring& path);

// Tokens match without regard to letter case; an empty token matches nothing.
bool SameToken(const std::wstring& a, const std::wstring& b);

// The update manifest's section "VerKey".
struct UpdateManifest {
  std::wstring token;  // "Tolv": at most 63 characters
  std::wstring url;    // "UpdAddr": at most 511 characters
};
UpdateManifest ReadManifest(const std::wstring& path);

// True when the manifest names a token that the running executable's does
// not match. A running executable that cannot be read gives no token: then
// nothing can be told, and the client goes on as it is.
bool NeedsUpdate(const std::wstring& published, const std::wstring& running);

// The machine (IMAGE_FILE_MACHINE_*) a Windows executable at `path` is built
// for; 0 when the file is no executable image (no "MZ" header, no "PE"
// signature, a DLL, or unreadable).
WORD ExecutableMachine(const std::wstring& path);

// True when `token` names the file whose digest is `digest`: its first 28
// digits are the digest's (letter case ignored), and the rest is the version
// of whichever build published it. The published build's version is not the
// running one's: a 3.0.1.4 token ends in "3014", never in this build's digits.
bool TokenNamesDigest(const std::wstring& token, const std::wstring& digest);

// The one decision on a downloaded file: it may replace the client only when
// it is a Windows executable for the same machine as the running one and the
// published token names its digest.
bool PayloadAccepted(const std::wstring& path, const std::wstring& publishedToken,
                     WORD runningMachine);

// Renames a file; the system's MoveFileExW unless a test injects failures.
using MoveFn = std::function<bool(const wchar_t* from, const wchar_t* to, DWORD flags)>;
bool SystemMove(const wchar_t* from, const wchar_t* to, DWORD flags);

// The names the previous executable may take in its folder, tried in turn:
// "OldTolv.exe" (n = 1), then "OldTolv-2.exe", "OldTolv-3.exe" and so on. A
// name that a still running older client maps cannot be replaced.
std::wstring OldExeName(int n);
constexpr int kOldExeNames = 16;

// Puts `newFile` at `exe`, moving the previous executable aside to the first
// of the OldExeName names in `folder` that takes it (scheduled for deletion
// at the next restart; the name used goes to `oldFile` when given). Both
// renames write through to the disk, so a power cut leaves the old or the
// complete new file at `exe`. The path `exe` never stays empty: when the new
// file cannot be moved into place, the old one is moved back. True only when
// the new file now lies at `exe`.
bool SwapExecutable(const std::wstring& exe, const std::wstring& newFile,
                    const std::wstring& folder, std::wstring* oldFile = nullptr,
                    const MoveFn& move = SystemMove);

// ---- Steps of start-up ----

// Downloads and reads the manifest. True when the published executable
// differs from the running one; then `url` (512 characters) holds its
// download address and `token` its version token.
bool CheckUpdate(wchar_t* url, std::wstring* token);

// Downloads the published executable from `url` in the update window,
// verifies it against `token` and swaps it in. 1 when the new executable now
// lies at the running executable's path, else 0 (the download is then
// scheduled for deletion, and the old executable stays in place).
int RunUpdate(const wchar_t* url, const std::wstring& token);
