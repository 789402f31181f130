// How the embedded Internet Explorer behaves in processes of this executable:
// the per-program feature controls (document mode from the installed
// Internet Explorer), the WinINet cache size, and whether User Account
// Control is on. All of it lives in the registry; nothing is kept in memory.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The installed Internet Explorer's major version; 0 when no version text is
// found, -1 when its key cannot be opened for reading and writing.
int GetIEMajorVersion();
// Writes the feature-control values for the running executable; nothing when
// Internet Explorer is older than 7 or unknown. The parameter is not used.
void ApplyBrowserFeatures(void* unused = nullptr);
// Writes one feature-control value for the running executable.
void SetFeatureValue(const wchar_t* feature, DWORD value);
// Writes the browser cache limit for the current user; false when the cache
// key is missing or cannot be written.
bool SetCacheLimit();
// Whether User Account Control is on (never on Windows XP and older).
bool IsUacEnabled();

// ---- The decisions behind them, with the registry locations injected ----

struct BrowserFeature {
  const wchar_t* name;
  DWORD value;
};
// The feature-control values to write for Internet Explorer `ieMajor`, in
// order; empty below 7.
std::vector<BrowserFeature> BrowserFeatureValues(int ieMajor);
// The value name feature controls use for the executable at `modulePath`:
// its file name (the whole text when it has no backslash).
std::wstring FeatureValueName(const std::wstring& modulePath);
// The major version in a version text such as "11.0.9600.18538".
int MajorVersionOf(const wchar_t* versionText);
// User Account Control from the system's major version and the "EnableLUA"
// value (when it could be read).
bool UacEnabledFrom(DWORD osMajor, bool valueRead, DWORD enableLua);

int ReadIEMajorVersion(HKEY root, const wchar_t* keyPath);
void WriteFeatureValue(HKEY root, const wchar_t* featureControlPath, const wchar_t* feature,
                       const std::wstring& valueName, DWORD value);
bool WriteCacheLimit(HKEY root, const wchar_t* keyPath);
bool ReadUacValue(HKEY root, const wchar_t* keyPath, DWORD* enableLua);

extern const wchar_t kFeatureControlPath[];
extern const DWORD kCacheLimit;
