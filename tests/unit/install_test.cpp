#include "app/install.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "app/hidden_process.h"

namespace {

TEST(InstallPaths, ShortcutAndFolderNames) {
  EXPECT_EQ(L"C:\\D\\BrindloTolvane.lnk", ShortcutPath(L"C:\\D", L"BrindloTolvane"));
  EXPECT_EQ(L"C:\\A\\B", WorkingFolder(L"C:\\A\\B\\Tolv (1).exe"));
  EXPECT_EQ(L"C:/A/B", WorkingFolder(L"C:/A/B/Tolv.exe"));
  EXPECT_EQ(L"", WorkingFolder(L"Tolv.exe"));
  EXPECT_EQ(L"C:\\A", ExeFolder(L"C:\\A\\Tolv.exe"));
  EXPECT_EQ(L"Tolv.exe", ExeFolder(L"Tolv.exe"));
  EXPECT_EQ(L"C:\\Users\\me\\Desktop\\BrindloTolvane.lnk",
            OldDesktopShortcut(L"C:\\Users\\me\\Documents", L"C:\\Users\\me\\Desktop",
                               L"BrindloTolvane"));
}

TEST(RemovalScript, HoldsNoPathAndBoundsItsTriesOnly) {
  const std::string several = RemovalScript(false);
  const std::string one = RemovalScript(true);
  EXPECT_EQ(std::string::npos, several.find("rd "));
  EXPECT_NE(std::string::npos, one.find("del \"%TOLV_REMOVE_DIR%\" /Q /F /A >nul 2>nul\r\n"
                                        "rd \"%TOLV_REMOVE_DIR%\"\r\n"));
  EXPECT_NE(std::string::npos, several.find("if %tries% geq 60 goto :done"));
  EXPECT_NE(std::string::npos, RemovalScript(false, 7).find("if %tries% geq 7 goto :done"));
  // Read-only copies go too.
  EXPECT_NE(std::string::npos, several.find("del /F /A \"%TOLV_REMOVE_EXE%\""));
  // Pure ASCII: the console's code page cannot garble it.
  for (char c : one) EXPECT_GT(static_cast<unsigned char>(c), 0u) << c;
  for (char c : one) EXPECT_LT(static_cast<unsigned char>(c), 0x80u);
}

TEST(RemovalScript, RunsThroughTheSystemsCommandProcessorWithoutAutoRun) {
  // cmd strips the outer pair of quotes after /S /C and runs the quoted path,
  // blanks and all.
  EXPECT_EQ(L"\"C:\\W\\system32\\cmd.exe\" /D /S /C \"\"C:\\Documents and Settings\\x.bat\"\"",
            ScriptCommandLine(L"C:\\W\\system32\\cmd.exe", L"C:\\Documents and Settings\\x.bat"));
}

// Files in a private temp folder whose name the ANSI code page cannot hold.
class InstallFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    temp_ = temp;
    root_ = temp_ + L"tolv-install-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(root_.c_str(), nullptr);
    dir_ = root_ + L"\\游戏ไทย";
    ::CreateDirectoryW(dir_.c_str(), nullptr);
  }
  void TearDown() override { Remove(root_); }

  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW d;
    HANDLE f = ::FindFirstFileW((folder + L"\\*").c_str(), &d);
    if (f != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = d.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(path);
        } else {
          ::DeleteFileW(path.c_str());
        }
      } while (::FindNextFileW(f, &d));
      ::FindClose(f);
    }
    ::RemoveDirectoryW(folder.c_str());
  }
  static void Touch(const std::wstring& path, const char* text = "x") {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    ::WriteFile(h, text, static_cast<DWORD>(strlen(text)), &wrote, nullptr);
    ::CloseHandle(h);
  }
  static bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // Polls until `path` is gone; false after `seconds`.
  static bool WaitGone(const std::wstring& path, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
      if (!Exists(path)) return true;
      ::Sleep(100);
    }
    return false;
  }

  std::wstring temp_, root_, dir_;
};

TEST_F(InstallFiles, CountFilesCountsFilesOfEverySubfolder) {
  EXPECT_EQ(0, CountFiles(nullptr));
  EXPECT_EQ(0, CountFiles(L""));
  EXPECT_EQ(0, CountFiles(dir_.c_str()));
  Touch(dir_ + L"\\a");
  ::CreateDirectoryW((dir_ + L"\\sub").c_str(), nullptr);
  ::CreateDirectoryW((dir_ + L"\\sub\\deeper").c_str(), nullptr);
  EXPECT_EQ(1, CountFiles(dir_.c_str()));
  Touch(dir_ + L"\\sub\\b");
  Touch(dir_ + L"\\sub\\deeper\\c");
  EXPECT_EQ(3, CountFiles(dir_.c_str()));
  // A folder that cannot be listed counts as one file.
  EXPECT_EQ(1, CountFiles((dir_ + L"\\missing").c_str()));
}

TEST_F(InstallFiles, AppendToFileAppendsBytes) {
  const std::wstring path = dir_ + L"\\script.bat";
  EXPECT_EQ(3, AppendToFile("abc", path.c_str()));
  EXPECT_EQ(2, AppendToFile("de", path.c_str()));
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  char buffer[16] = {};
  DWORD got = 0;
  ::ReadFile(h, buffer, sizeof(buffer), &got, nullptr);
  ::CloseHandle(h);
  EXPECT_EQ("abcde", std::string(buffer, got));
  EXPECT_EQ(-1, AppendToFile("x", (dir_ + L"\\missing\\x.bat").c_str()));
}

TEST_F(InstallFiles, ShortcutCarriesTargetArgumentsIconAndFolder) {
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  // Wine's links keep their target in the ANSI code page only (real Windows
  // keeps it in Unicode): the target lies in a folder that code page holds.
  const std::wstring folder = root_ + L"\\下载";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring target = folder + L"\\Tolv (1).exe";
  Touch(target);
  const std::wstring link = dir_ + L"\\卸载 BrindloTolvane.lnk";
  EXPECT_EQ(0, CreateShortcut(target.c_str(), nullptr, L"/uninst", nullptr));
  ASSERT_EQ(1, CreateShortcut(target.c_str(), link.c_str(), L"/uninst", L"BrindloTolvane"));

  IShellLinkW* shellLink = nullptr;
  ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&shellLink))));
  IPersistFile* file = nullptr;
  shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  ASSERT_TRUE(SUCCEEDED(file->Load(link.c_str(), STGM_READ)));
  wchar_t text[MAX_PATH] = {};
  shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  EXPECT_STREQ(target.c_str(), text);
  shellLink->GetArguments(text, MAX_PATH);
  EXPECT_STREQ(L"/uninst", text);
  shellLink->GetWorkingDirectory(text, MAX_PATH);
  EXPECT_STREQ(folder.c_str(), text);
  shellLink->GetDescription(text, MAX_PATH);
  EXPECT_STREQ(L"BrindloTolvane", text);
  int icon = -1;
  shellLink->GetIconLocation(text, MAX_PATH, &icon);
  EXPECT_STREQ(target.c_str(), text);
  EXPECT_EQ(0, icon);
  file->Release();
  shellLink->Release();
  ::CoUninitialize();
}

TEST_F(InstallFiles, RemovalScriptDeletesTheOnlyFileAndItsFolder) {
  // The test is only worth its name when the ANSI code page cannot hold the
  // folder's name.
  BOOL lost = FALSE;
  ::WideCharToMultiByte(CP_ACP, 0, dir_.c_str(), -1, nullptr, 0, nullptr, &lost);
  EXPECT_TRUE(lost);
  const std::wstring exe = dir_ + L"\\Tolv.exe";
  Touch(exe);
  ::SetFileAttributesW(exe.c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE alive = nullptr;
  const std::wstring script = StartRemovalScript(exe, root_, &alive, 3);
  ASSERT_FALSE(script.empty());
  ASSERT_NE(nullptr, alive);
  EXPECT_EQ(L".bat", script.substr(script.size() - 4));
  ::CloseHandle(alive);  // the removing process ends
  EXPECT_TRUE(WaitGone(dir_, 30));
  EXPECT_TRUE(WaitGone(script, 30));
  // The empty placeholder the unique name came from goes too.
  EXPECT_TRUE(WaitGone(script.substr(0, script.size() - 4), 5));
}

TEST_F(InstallFiles, RemovalScriptWaitsForTheRemovingProcessHoweverLongItsMessageStaysOpen) {
  const std::wstring exe = dir_ + L"\\Tolv.exe";
  Touch(exe);
  Touch(dir_ + L"\\Statistic.ini");
  // While the process lives its executable cannot be deleted.
  HANDLE image =
      ::CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, image);
  HANDLE alive = nullptr;
  const std::wstring script = StartRemovalScript(exe, root_, &alive, 2);
  ASSERT_FALSE(script.empty());
  // Three times as long as the script's tries take.
  ::Sleep(6000);
  EXPECT_TRUE(Exists(script));
  ::CloseHandle(image);
  ::CloseHandle(alive);
  EXPECT_TRUE(WaitGone(exe, 30));
  EXPECT_TRUE(WaitGone(script, 30));
  EXPECT_TRUE(Exists(dir_ + L"\\Statistic.ini"));
}

TEST_F(InstallFiles, RemovalScriptGivesUpOnAnExecutableThatStaysLockedAfterTheProcess) {
  const std::wstring exe = dir_ + L"\\Tolv.exe";
  Touch(exe);
  HANDLE lock =
      ::CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  HANDLE alive = nullptr;
  const std::wstring script = StartRemovalScript(exe, root_, &alive, 2);
  ASSERT_FALSE(script.empty());
  ::CloseHandle(alive);
  EXPECT_TRUE(WaitGone(script, 30));
  ::CloseHandle(lock);
  EXPECT_TRUE(Exists(exe));
  EXPECT_TRUE(Exists(dir_));
}

TEST_F(InstallFiles, TheInstalledCopyLosesTheDownloadMark) {
  const std::wstring exe = dir_ + L"\\Tolv.exe";
  Touch(exe);
  EXPECT_TRUE(RemoveDownloadMark(exe));  // none there
  Touch(exe + kDownloadMarkStream, "[ZoneTransfer]\r\nZoneId=3\r\n");
  if (!Exists(exe + kDownloadMarkStream)) {
    GTEST_SKIP() << "this file system keeps no streams";  // Wine's, on Linux
  }
  EXPECT_TRUE(RemoveDownloadMark(exe));
  EXPECT_FALSE(Exists(exe + kDownloadMarkStream));
  EXPECT_TRUE(Exists(exe));
}

TEST(UninstallEntry, ListsTheClientAndGoesAtRemoval) {
  WriteUninstallEntry(L"C:\\Users\\me\\AppData\\Local\\Brindlo\\VodiVavoz\\Tolv (1).exe");
  auto read = [](const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, kUninstallEntryKey, name, RRF_RT_REG_SZ, nullptr, value,
                       &size) != ERROR_SUCCESS) {
      return std::wstring(L"<none>");
    }
    return std::wstring(value);
  };
  EXPECT_EQ(L"BrindloTolvane", read(L"DisplayName"));
  EXPECT_EQ(L"3.0.1.3", read(L"DisplayVersion"));
  EXPECT_EQ(L"C:\\Users\\me\\AppData\\Local\\Brindlo\\VodiVavoz\\Tolv (1).exe,0",
            read(L"DisplayIcon"));
  EXPECT_EQ(L"\"C:\\Users\\me\\AppData\\Local\\Brindlo\\VodiVavoz\\Tolv (1).exe\" /uninst",
            read(L"UninstallString"));
  DeleteUninstallEntry();
  EXPECT_EQ(L"<none>", read(L"DisplayName"));
}

}  // namespace
