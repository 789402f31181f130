#include "browser/browser_settings.h"

#include <cwchar>

namespace {

const wchar_t kIEKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer";
const wchar_t kCacheKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content";
const wchar_t kUacKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\";
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// Values written after the document emulation, in this order.
const BrowserFeature kFeatureTable[] = {
    {L"FEATURE_ACTIVEX_REPURPOSEDETECTION", 1},
    {L"FEATURE_ENABLE_WEB_CONTROL_VISUALS", 1},
    {L"FEATURE_AJAX_CONNECTIONEVENTS", 1},
    {L"FEATURE_ALIGNED_TIMERS", 1},
    {L"FEATURE_ALLOW_HIGHFREQ_TIMERS", 1},
    {L"FEATURE_BLOCK_LMZ_IMG", 1},
    {L"FEATURE_BLOCK_LMZ_OBJECT", 1},
    {L"FEATURE_DISABLE_ISO_2022_JP_SNIFFING", 1},
    {L"FEATURE_DISABLE_ISO_2022_JP_SNIFFING_V2", 1},
    {L"FEATURE_ENABLE_DYNAMIC_OBJECT_CACHING", 0},
    {L"FEATURE_ENABLE_SCRIPT_PASTE_URLACTION_IF_PROMPT", 0},
    {L"FEATURE_ENFORCE_BSTR", 1},
    {L"FEATURE_LEGACY_DISPPARAMS", 0},
    {L"FEATURE_PAINT_INSIDE_WMPAINT", 0},
    {L"FEATURE_FORCE_DISABLE_UNTRUSTEDPROTOCOL", 1},
    {L"FEATURE_HIGH_RESOLUTION_AWARE", 1},
    {L"FEATURE_HTTP_USERNAME_PASSWORD_DISABLE", 1},
    {L"FEATURE_INTERNET_SHELL_FOLDERS", 0},
    {L"FEATURE_PRIVATE_FONT_SETTING", 1},
    {L"FEATURE_SCRIPTURL_MITIGATION", 1},
    {L"FEATURE_USE_QME_FOR_TOPLEVEL_DOCS", 1},
    {L"FEATURE_USE_SECURITY_THUNKS", 1},
    {L"FEATURE_USE_WEBOC_OMNAVIGATOR_IMPLEMENTATION", 0},
    {L"FEATURE_VALIDATE_NAVIGATE_URL", 1},
    {L"FEATURE_VIEWLINKEDWEBOC_IS_UNSAFE", 1},
    {L"FEATURE_XSSFILTER", 1},
    {L"FEATURE_TABBED_BROWSING", 1},
    {L"FEATURE_MAXCONNECTIONSPER1_0SERVER", 6},
    {L"FEATURE_MAXCONNECTIONSPERSERVER", 6},
};

std::wstring ModulePath() {
  wchar_t path[260] = {};
  ::GetModuleFileNameW(nullptr, path, 260);
  return path;
}

}  // namespace

const wchar_t kFeatureControlPath[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";
const DWORD kCacheLimit = 0x00100000;

std::vector<BrowserFeature> BrowserFeatureValues(int ieMajor) {
  std::vector<BrowserFeature> values;
  if (ieMajor < 7) return values;
  values.push_back({L"FEATURE_BROWSER_EMULATION", static_cast<DWORD>(ieMajor) * 1000});
  for (const BrowserFeature& f : kFeatureTable) values.push_back(f);
  return values;
}

std::wstring FeatureValueName(const std::wstring& modulePath) {
  const size_t slash = modulePath.rfind(L'\\');
  return slash == std::wstring::npos ? modulePath : modulePath.substr(slash + 1);
}

int MajorVersionOf(const wchar_t* versionText) {
  return versionText ? _wtoi(versionText) : 0;
}

bool UacEnabledFrom(DWORD osMajor, bool valueRead, DWORD enableLua) {
  return osMajor > 5 && valueRead && enableLua == 1;
}

int ReadIEMajorVersion(HKEY root, const wchar_t* keyPath) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, keyPath, 0, kReadWrite, &key) != ERROR_SUCCESS) return -1;
  wchar_t version[256] = {};
  // Room for the text and its end: a value that fills the buffer without one
  // is cut rather than read past.
  DWORD size = sizeof(version) - sizeof(wchar_t);
  DWORD type = 0;
  LONG rc = ::RegQueryValueExW(key, L"svcVersion", nullptr, &type, reinterpret_cast<BYTE*>(version),
                               &size);
  if (rc != ERROR_SUCCESS || type != REG_SZ) {
    ::ZeroMemory(version, sizeof(version));
    size = sizeof(version) - sizeof(wchar_t);
    rc = ::RegQueryValueExW(key, L"Version", nullptr, &type, reinterpret_cast<BYTE*>(version),
                            &size);
    if (rc != ERROR_SUCCESS || type != REG_SZ) ::ZeroMemory(version, sizeof(version));
  }
  ::RegCloseKey(key);
  return MajorVersionOf(version);
}

void WriteFeatureValue(HKEY root, const wchar_t* featureControlPath, const wchar_t* feature,
                       const std::wstring& valueName, DWORD value) {
  const std::wstring path = std::wstring(featureControlPath) + feature;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWrite,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  ::RegSetValueExW(key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
  ::RegCloseKey(key);
}

bool WriteCacheLimit(HKEY root, const wchar_t* keyPath) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  const DWORD limit = kCacheLimit;
  const bool ok =
      ::RegSetValueExW(key, L"CacheLimit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&limit),
                       sizeof(limit)) == ERROR_SUCCESS;
  return ::RegCloseKey(key) == ERROR_SUCCESS && ok;
}

bool ReadUacValue(HKEY root, const wchar_t* keyPath, DWORD* enableLua) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD value = 0, size = sizeof(value), type = 0;
  const bool ok = ::RegQueryValueExW(key, L"EnableLUA", nullptr, &type,
                                     reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
                  size == sizeof(value);
  ::RegCloseKey(key);
  if (ok) *enableLua = value;
  return ok;
}

int GetIEMajorVersion() {
  return ReadIEMajorVersion(HKEY_LOCAL_MACHINE, kIEKey);
}

void SetFeatureValue(const wchar_t* feature, DWORD value) {
  if (!feature) return;
  WriteFeatureValue(HKEY_CURRENT_USER, kFeatureControlPath, feature, FeatureValueName(ModulePath()),
                    value);
}

void ApplyBrowserFeatures(void*) {
  for (const BrowserFeature& f : BrowserFeatureValues(GetIEMajorVersion())) {
    SetFeatureValue(f.name, f.value);
  }
}

bool SetCacheLimit() {
  return WriteCacheLimit(HKEY_CURRENT_USER, kCacheKey);
}

bool IsUacEnabled() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
  if (info.dwMajorVersion <= 5) return false;
  DWORD enableLua = 0;
  const bool read = ReadUacValue(HKEY_LOCAL_MACHINE, kUacKey, &enableLua);
  return UacEnabledFrom(info.dwMajorVersion, read, enableLua);
}
