#include "browser/browser_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A scratch key of its own under HKEY_CURRENT_USER, gone after each test.
class ScratchKey : public testing::Test {
 protected:
  const std::wstring root = L"Software\\TolvTests\\BrowserSettings";
  void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str()); }
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str()); }

  void PutString(const std::wstring& sub, const wchar_t* name, const wchar_t* text) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyW(HKEY_CURRENT_USER, (root + sub).c_str(), &k));
    ::RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(k);
  }
  void PutDword(const std::wstring& sub, const wchar_t* name, DWORD v) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyW(HKEY_CURRENT_USER, (root + sub).c_str(), &k));
    ::RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
    ::RegCloseKey(k);
  }
  // The DWORD value, or -1 when it is missing.
  long long GetDword(const std::wstring& sub, const wchar_t* name) {
    DWORD v = 0, size = sizeof(v), type = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, (root + sub).c_str(), name, RRF_RT_ANY, &type, &v,
                       &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
      return -1;
    }
    return v;
  }
  bool KeyExists(const std::wstring& sub) {
    HKEY k = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, (root + sub).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
      return false;
    ::RegCloseKey(k);
    return true;
  }
};

TEST(BrowserFeatures, EmulationFollowsTheInstalledVersion) {
  auto v11 = BrowserFeatureValues(11);
  ASSERT_EQ(30u, v11.size());
  EXPECT_STREQ(L"FEATURE_BROWSER_EMULATION", v11[0].name);
  EXPECT_EQ(11000u, v11[0].value);
  EXPECT_EQ(8000u, BrowserFeatureValues(8)[0].value);
  EXPECT_EQ(7000u, BrowserFeatureValues(7)[0].value);
  EXPECT_EQ(12000u, BrowserFeatureValues(12)[0].value);
}

TEST(BrowserFeatures, OlderOrUnknownVersionsWriteNothing) {
  EXPECT_TRUE(BrowserFeatureValues(6).empty());
  EXPECT_TRUE(BrowserFeatureValues(0).empty());
  EXPECT_TRUE(BrowserFeatureValues(-1).empty());
}

TEST(BrowserFeatures, TableRowsInOrder) {
  auto v = BrowserFeatureValues(9);
  EXPECT_STREQ(L"FEATURE_ACTIVEX_REPURPOSEDETECTION", v[1].name);
  EXPECT_STREQ(L"FEATURE_ENABLE_DYNAMIC_OBJECT_CACHING", v[10].name);
  EXPECT_EQ(0u, v[10].value);
  EXPECT_STREQ(L"FEATURE_FORCE_DISABLE_UNTRUSTEDPROTOCOL", v[15].name);
  EXPECT_STREQ(L"FEATURE_USE_WEBOC_OMNAVIGATOR_IMPLEMENTATION", v[23].name);
  EXPECT_EQ(0u, v[23].value);
  EXPECT_STREQ(L"FEATURE_TABBED_BROWSING", v[27].name);
  EXPECT_STREQ(L"FEATURE_MAXCONNECTIONSPER1_0SERVER", v[28].name);
  EXPECT_EQ(6u, v[28].value);
  EXPECT_STREQ(L"FEATURE_MAXCONNECTIONSPERSERVER", v[29].name);
  EXPECT_EQ(6u, v[29].value);
  int zeros = 0;
  for (const auto& f : v) zeros += f.value == 0;
  EXPECT_EQ(6, zeros);
}

TEST(BrowserFeatures, ValueIsNamedAfterTheExecutable) {
  EXPECT_EQ(L"Tolv.exe", FeatureValueName(L"C:\\users\\u\\AppData\\Local\\Tolv.exe"));
  EXPECT_EQ(L"Tolv2.exe", FeatureValueName(L"C:\\Tolv2.exe"));
  EXPECT_EQ(L"Tolv.exe", FeatureValueName(L"Tolv.exe"));
  // Forward slashes are no separators here.
  EXPECT_EQ(L"a/b/Tolv.exe", FeatureValueName(L"a/b/Tolv.exe"));
}

TEST(BrowserFeatures, MajorVersionIsTheLeadingNumber) {
  EXPECT_EQ(11, MajorVersionOf(L"11.0.9600.18538"));
  EXPECT_EQ(9, MajorVersionOf(L"9.11.9600.18538"));
  EXPECT_EQ(0, MajorVersionOf(L""));
  EXPECT_EQ(0, MajorVersionOf(L"x11"));
  EXPECT_EQ(0, MajorVersionOf(nullptr));
}

TEST(Uac, OnlyLaterSystemsWithEnableLuaOne) {
  EXPECT_FALSE(UacEnabledFrom(5, true, 1));  // XP: the registry is not consulted
  EXPECT_TRUE(UacEnabledFrom(6, true, 1));
  EXPECT_TRUE(UacEnabledFrom(10, true, 1));
  EXPECT_FALSE(UacEnabledFrom(10, true, 0));
  EXPECT_FALSE(UacEnabledFrom(10, true, 2));
  EXPECT_FALSE(UacEnabledFrom(10, false, 1));
}

TEST_F(ScratchKey, ServiceVersionWinsOverVersion) {
  PutString(L"\\IE", L"svcVersion", L"11.0.9600.18538");
  PutString(L"\\IE", L"Version", L"9.11.9600.18538");
  EXPECT_EQ(11, ReadIEMajorVersion(HKEY_CURRENT_USER, (root + L"\\IE").c_str()));
}

TEST_F(ScratchKey, VersionWhenThereIsNoServiceVersion) {
  PutString(L"\\IE", L"Version", L"8.0.6001.18702");
  EXPECT_EQ(8, ReadIEMajorVersion(HKEY_CURRENT_USER, (root + L"\\IE").c_str()));
  // A service version that is no text counts as absent.
  PutDword(L"\\IE", L"svcVersion", 11);
  EXPECT_EQ(8, ReadIEMajorVersion(HKEY_CURRENT_USER, (root + L"\\IE").c_str()));
}

TEST_F(ScratchKey, NoVersionTextGivesZeroAndNoKeyMinusOne) {
  PutString(L"\\IE", L"Other", L"11");
  EXPECT_EQ(0, ReadIEMajorVersion(HKEY_CURRENT_USER, (root + L"\\IE").c_str()));
  EXPECT_EQ(-1, ReadIEMajorVersion(HKEY_CURRENT_USER, (root + L"\\Missing").c_str()));
}

TEST_F(ScratchKey, AVersionTooLongForTheBufferCountsAsAbsent) {
  std::wstring huge(600, L'7');
  PutString(L"\\IE", L"svcVersion", huge.c_str());
  PutString(L"\\IE", L"Version", L"9.0");
  // Too long for the buffer: the read fails and the other value is used.
  EXPECT_EQ(9, ReadIEMajorVersion(HKEY_CURRENT_USER, (root + L"\\IE").c_str()));
}

TEST_F(ScratchKey, FeatureKeysAreCreatedAndEachExecutableHasItsOwnValue) {
  const std::wstring base = root + L"\\FC\\";
  WriteFeatureValue(HKEY_CURRENT_USER, base.c_str(), L"FEATURE_X", L"Tolv.exe", 11000);
  WriteFeatureValue(HKEY_CURRENT_USER, base.c_str(), L"FEATURE_X", L"Renamed.exe", 9000);
  EXPECT_EQ(11000, GetDword(L"\\FC\\FEATURE_X", L"Tolv.exe"));
  EXPECT_EQ(9000, GetDword(L"\\FC\\FEATURE_X", L"Renamed.exe"));
  WriteFeatureValue(HKEY_CURRENT_USER, base.c_str(), L"FEATURE_X", L"Tolv.exe", 0);
  EXPECT_EQ(0, GetDword(L"\\FC\\FEATURE_X", L"Tolv.exe"));
}

TEST_F(ScratchKey, CacheLimitOnlyIntoAnExistingKey) {
  EXPECT_FALSE(WriteCacheLimit(HKEY_CURRENT_USER, (root + L"\\Content").c_str()));
  EXPECT_FALSE(KeyExists(L"\\Content"));
  PutDword(L"\\Content", L"CacheLimit", 7);
  EXPECT_TRUE(WriteCacheLimit(HKEY_CURRENT_USER, (root + L"\\Content").c_str()));
  EXPECT_EQ(0x00100000, GetDword(L"\\Content", L"CacheLimit"));
}

TEST_F(ScratchKey, UacValueMustBeReadable) {
  DWORD v = 5;
  EXPECT_FALSE(ReadUacValue(HKEY_CURRENT_USER, (root + L"\\Uac\\").c_str(), &v));
  EXPECT_EQ(5u, v);
  PutDword(L"\\Uac", L"EnableLUA", 1);
  EXPECT_TRUE(ReadUacValue(HKEY_CURRENT_USER, (root + L"\\Uac\\").c_str(), &v));
  EXPECT_EQ(1u, v);
}

// The real locations: the features land under this test program's name.
TEST(BrowserFeaturesForThisProgram, WrittenForTheInstalledVersion) {
  const int ie = GetIEMajorVersion();
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring name = FeatureValueName(path);
  const std::wstring emulation = std::wstring(kFeatureControlPath) + L"FEATURE_BROWSER_EMULATION";
  const std::wstring perServer =
      std::wstring(kFeatureControlPath) + L"FEATURE_MAXCONNECTIONSPERSERVER";
  for (const std::wstring& key : {emulation, perServer}) {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
  }

  ApplyBrowserFeatures();

  DWORD v = 0, size = sizeof(v);
  const LONG rc = ::RegGetValueW(HKEY_CURRENT_USER, emulation.c_str(), name.c_str(),
                                 RRF_RT_REG_DWORD, nullptr, &v, &size);
  if (ie >= 7) {
    ASSERT_EQ(ERROR_SUCCESS, rc);
    EXPECT_EQ(static_cast<DWORD>(ie) * 1000, v);
    size = sizeof(v);
    ASSERT_EQ(ERROR_SUCCESS, ::RegGetValueW(HKEY_CURRENT_USER, perServer.c_str(), name.c_str(),
                                            RRF_RT_REG_DWORD, nullptr, &v, &size));
    EXPECT_EQ(6u, v);
  } else {
    EXPECT_NE(ERROR_SUCCESS, rc);
  }
  for (const auto& f : BrowserFeatureValues(ie)) {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, (std::wstring(kFeatureControlPath) + f.name).c_str(),
                         name.c_str());
  }
}

}  // namespace
