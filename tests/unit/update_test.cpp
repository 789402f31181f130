#include "net/update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "base/process_values.h"

namespace {

// A private folder in the temp folder for one test's files.
class UpdateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    dir_ = std::wstring(temp) + L"tolv-update-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(dir_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"a", L"b", L"Tolv.exe", L"NewTolv.exe", L"OldTolv.exe",
                                L"ConfigTolv.htm", L"copy.exe", L"OldTolv-2.exe"}) {
      ::DeleteFileW(Path(name).c_str());
    }
    ::RemoveDirectoryW(dir_.c_str());
  }
  std::wstring Path(const wchar_t* name) const { return dir_ + L"\\" + name; }
  void Write(const wchar_t* name, const std::string& bytes) const {
    HANDLE f = ::CreateFileW(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    DWORD wrote = 0;
    ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    ::CloseHandle(f);
  }
  std::string Read(const wchar_t* name) const {
    std::string bytes;
    HANDLE f = ::CreateFileW(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    char piece[4096];
    DWORD got = 0;
    while (::ReadFile(f, piece, sizeof(piece), &got, nullptr) && got) bytes.append(piece, got);
    ::CloseHandle(f);
    return bytes;
  }

  std::wstring dir_;
};

TEST(VersionToken, LastFourDigitsAreTheClientVersion) {
  EXPECT_EQ(L"900150983cd24fb0d6963f7d28e13013",
            TokenFromDigest(L"900150983cd24fb0d6963f7d28e17f72"));
  EXPECT_EQ(L"", TokenFromDigest(L""));
  EXPECT_EQ(L"", TokenFromDigest(L"900150983cd24fb0d6963f7d28e17f7"));
}

TEST(VersionToken, TokensCompareWithoutLetterCaseAndEmptyMatchesNothing) {
  EXPECT_TRUE(SameToken(L"ABCDEF0123456789abcdef0123453013", L"abcdef0123456789ABCDEF0123453013"));
  EXPECT_FALSE(SameToken(L"abcdef0123456789abcdef0123453013", L"abcdef0123456789abcdef0123463013"));
  EXPECT_FALSE(SameToken(L"", L""));
  // Only a published token that the running file does not match asks for
  // the download; an unreadable running file tells nothing.
  EXPECT_TRUE(NeedsUpdate(L"aaaa3013", L"bbbb3013"));
  EXPECT_FALSE(NeedsUpdate(L"AAAA3013", L"aaaa3013"));
  EXPECT_FALSE(NeedsUpdate(L"", L"bbbb3013"));
  EXPECT_FALSE(NeedsUpdate(L"aaaa3013", L""));
}

TEST(VersionToken, APublishedTokenNamesADigestWhateverVersionItEndsWith) {
  const std::wstring digest = L"900150983cd24fb0d6963f7d28e17f72";
  EXPECT_TRUE(TokenNamesDigest(L"900150983CD24FB0D6963F7D28E13013", digest));
  // A newer build publishes its own version digits, of any length.
  EXPECT_TRUE(TokenNamesDigest(L"900150983cd24fb0d6963f7d28e13014", digest));
  EXPECT_TRUE(TokenNamesDigest(L"900150983cd24fb0d6963f7d28e130113", digest));
  // The digest's own last digits, a tail that is no version, no tail at all,
  // another digest, no digest.
  EXPECT_FALSE(TokenNamesDigest(L"900150983cd24fb0d6963f7d28e17f72", digest));
  EXPECT_FALSE(TokenNamesDigest(L"900150983cd24fb0d6963f7d28e1", digest));
  EXPECT_FALSE(TokenNamesDigest(L"900150983cd24fb0d6963f7d28e2301", digest));
  EXPECT_FALSE(TokenNamesDigest(L"900150983cd24fb0d6963f7d28e13013", L""));
}

TEST_F(UpdateFiles, Md5FromTheSystemProviderMatchesTheStandardVectors) {
  Write(L"a", "abc");
  EXPECT_EQ(L"900150983cd24fb0d6963f7d28e17f72", FileMd5(Path(L"a")));
  Write(L"a", "");
  EXPECT_EQ(L"d41d8cd98f00b204e9800998ecf8427e", FileMd5(Path(L"a")));
  // Many 1024-byte pieces and a short last one.
  Write(L"a", std::string(1000000, 'a'));
  EXPECT_EQ(L"7707d6ae4e027c70eea2a935c2296f21", FileMd5(Path(L"a")));
  EXPECT_EQ(L"7707d6ae4e027c70eea2a935c2293013", VersionToken(Path(L"a")));
  EXPECT_EQ(L"", FileMd5(Path(L"missing")));
  EXPECT_EQ(L"", VersionToken(Path(L"missing")));
}

TEST_F(UpdateFiles, ManifestReadsVerKeyAndKeepsItsBuffers) {
  Write(L"ConfigTolv.htm",
        "[VerKey]\r\nTolv=ABCDEF0123456789abcdef0123453013\r\nUpdAddr=http://x.brindlo.com/"
        "T.exe\r\n");
  UpdateManifest m = ReadManifest(Path(L"ConfigTolv.htm"));
  EXPECT_EQ(L"ABCDEF0123456789abcdef0123453013", m.token);
  EXPECT_EQ(L"http://x.brindlo.com/T.exe", m.url);
  Write(L"ConfigTolv.htm", "[VerKey]\r\nTolv=" + std::string(100, 'f') + "\r\nUpdAddr=http://" +
                               std::string(600, 'u') + "\r\n");
  m = ReadManifest(Path(L"ConfigTolv.htm"));
  EXPECT_EQ(63u, m.token.size());
  EXPECT_EQ(511u, m.url.size());
  Write(L"ConfigTolv.htm", "[Other]\r\nTolv=abc\r\n");
  m = ReadManifest(Path(L"ConfigTolv.htm"));
  EXPECT_EQ(L"", m.token);
  EXPECT_EQ(L"", m.url);
}

TEST_F(UpdateFiles, OnlyACompleteExecutableWithThePublishedTokenIsAccepted) {
  const std::wstring self = ExePath();
  const WORD machine = ExecutableMachine(self);
#ifdef _WIN64
  EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, machine);
#else
  EXPECT_EQ(IMAGE_FILE_MACHINE_I386, machine);
#endif
  ASSERT_TRUE(::CopyFileW(self.c_str(), Path(L"copy.exe").c_str(), FALSE));
  const std::wstring token = VersionToken(self);
  EXPECT_TRUE(PayloadAccepted(Path(L"copy.exe"), token, machine));
  // Upper-case hexadecimal in the manifest is the same token.
  std::wstring upper = token;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  EXPECT_TRUE(PayloadAccepted(Path(L"copy.exe"), upper, machine));
  // Published by a build of another version.
  EXPECT_TRUE(PayloadAccepted(Path(L"copy.exe"), token.substr(0, 28) + L"3014", machine));
  // Another token, an executable for another machine, no machine at all.
  EXPECT_FALSE(PayloadAccepted(Path(L"copy.exe"), L"0123456789abcdef0123456789ab3013", machine));
  EXPECT_FALSE(PayloadAccepted(Path(L"copy.exe"), token, IMAGE_FILE_MACHINE_IA64));
  EXPECT_FALSE(PayloadAccepted(Path(L"copy.exe"), token, 0));

  // A truncated download keeps its headers but not its token.
  const std::string whole = Read(L"copy.exe");
  Write(L"a", whole.substr(0, whole.size() / 2));
  EXPECT_EQ(machine, ExecutableMachine(Path(L"a")));
  EXPECT_FALSE(PayloadAccepted(Path(L"a"), token, machine));
  // A page of text whose token the manifest names is still no executable.
  Write(L"b", "<html>404</html>");
  EXPECT_EQ(0, ExecutableMachine(Path(L"b")));
  EXPECT_FALSE(PayloadAccepted(Path(L"b"), VersionToken(Path(L"b")), machine));
  // "MZ" with a header offset beyond the file, and one without a PE signature.
  std::string dos(64, '\0');
  dos[0] = 'M';
  dos[1] = 'Z';
  dos[60] = '\x7f';
  dos[63] = '\x7f';
  Write(L"b", dos);
  EXPECT_EQ(0, ExecutableMachine(Path(L"b")));
  dos[60] = 64;
  dos[63] = 0;
  Write(L"b", dos + "NE\0\0" + std::string(20, '\0'));
  EXPECT_EQ(0, ExecutableMachine(Path(L"b")));
  EXPECT_EQ(0, ExecutableMachine(Path(L"missing")));
}

TEST_F(UpdateFiles, SwapPutsTheNewFileInPlaceAndKeepsTheOldOne) {
  Write(L"Tolv.exe", "old");
  Write(L"NewTolv.exe", "new");
  std::wstring old;
  EXPECT_TRUE(SwapExecutable(Path(L"Tolv.exe"), Path(L"NewTolv.exe"), dir_, &old));
  EXPECT_EQ(Path(L"OldTolv.exe"), old);
  EXPECT_EQ("new", Read(L"Tolv.exe"));
  EXPECT_EQ("old", Read(L"OldTolv.exe"));
  EXPECT_EQ("<missing>", Read(L"NewTolv.exe"));
  // A second update replaces the previous OldTolv.exe.
  Write(L"NewTolv.exe", "newer");
  EXPECT_TRUE(SwapExecutable(Path(L"Tolv.exe"), Path(L"NewTolv.exe"), dir_));
  EXPECT_EQ("newer", Read(L"Tolv.exe"));
  EXPECT_EQ("new", Read(L"OldTolv.exe"));
  // Unless an older client still runs from it: Windows refuses to replace a
  // mapped file, as Wine does one held open without delete sharing.
  HANDLE held = ::CreateFileW(Path(L"OldTolv.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  Write(L"NewTolv.exe", "newest");
  EXPECT_TRUE(SwapExecutable(Path(L"Tolv.exe"), Path(L"NewTolv.exe"), dir_, &old));
  ::CloseHandle(held);
  EXPECT_EQ(Path(L"OldTolv-2.exe"), old);
  EXPECT_EQ("newest", Read(L"Tolv.exe"));
  EXPECT_EQ("new", Read(L"OldTolv.exe"));
  EXPECT_EQ("newer", Read(L"OldTolv-2.exe"));
}

TEST_F(UpdateFiles, SwapThatCannotMoveTheNewFileLeavesTheOldExecutableAtItsPath) {
  Write(L"Tolv.exe", "old");
  Write(L"NewTolv.exe", "new");
  // Another program holds the new file open without letting it be renamed.
  HANDLE lock = ::CreateFileW(Path(L"NewTolv.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  EXPECT_FALSE(SwapExecutable(Path(L"Tolv.exe"), Path(L"NewTolv.exe"), dir_));
  ::CloseHandle(lock);
  EXPECT_EQ("old", Read(L"Tolv.exe"));
  EXPECT_EQ("new", Read(L"NewTolv.exe"));
  EXPECT_EQ("<missing>", Read(L"OldTolv.exe"));
}

TEST_F(UpdateFiles, SwapFailuresNeverLeaveThePathEmpty) {
  Write(L"Tolv.exe", "old");
  Write(L"NewTolv.exe", "new");
  std::vector<std::wstring> targets;
  // The running file cannot be moved to any name: nothing changes, after a
  // bounded number of names.
  auto failAll = [&](const wchar_t*, const wchar_t* to, DWORD) {
    targets.push_back(to);
    return false;
  };
  EXPECT_FALSE(SwapExecutable(Path(L"Tolv.exe"), Path(L"NewTolv.exe"), dir_, nullptr, failAll));
  ASSERT_EQ(static_cast<size_t>(kOldExeNames), targets.size());
  EXPECT_EQ(Path(L"OldTolv-16.exe"), targets.back());
  EXPECT_EQ("old", Read(L"Tolv.exe"));
  // Only the first rename works, and moving back fails too: a copy of the old
  // executable fills the path. Every rename writes through to the disk.
  int calls = 0;
  auto onlyFirst = [&](const wchar_t* from, const wchar_t* to, DWORD flags) {
    EXPECT_EQ(static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), flags);
    return ++calls == 1 && SystemMove(from, to, flags);
  };
  EXPECT_FALSE(SwapExecutable(Path(L"Tolv.exe"), Path(L"NewTolv.exe"), dir_, nullptr, onlyFirst));
  EXPECT_EQ(3, calls);
  EXPECT_EQ("old", Read(L"Tolv.exe"));
  EXPECT_EQ("new", Read(L"NewTolv.exe"));
}

}  // namespace
