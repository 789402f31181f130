#include "tools/cache_clear.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <atomic>
#include <string>
#include <thread>

#include "res/resource.h"

namespace {

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFile(const std::wstring& path, const char* text = "x") {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  DWORD written = 0;
  ::WriteFile(f, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  ::CloseHandle(f);
}

// A fresh folder in the temp folder for each test.
class Tree : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    root_ = std::wstring(dir) + L"tolv-tree-" + std::to_wstring(::GetCurrentProcessId());
    outside_ = root_ + L"-outside";
    DeleteDirectoryTree(root_.c_str());
    DeleteDirectoryTree(outside_.c_str());
    ::CreateDirectoryW(root_.c_str(), nullptr);
  }
  void TearDown() override {
    DeleteDirectoryTree(root_.c_str());
    DeleteDirectoryTree(outside_.c_str());
  }
  std::wstring root_, outside_;
};

TEST_F(Tree, DeletesEverythingReadOnlyFilesToo) {
  ::CreateDirectoryW((root_ + L"\\a").c_str(), nullptr);
  ::CreateDirectoryW((root_ + L"\\a\\b").c_str(), nullptr);
  WriteFile(root_ + L"\\top.sol");
  WriteFile(root_ + L"\\a\\b\\deep.sol");
  WriteFile(root_ + L"\\a\\locked.sol");
  ::SetFileAttributesW((root_ + L"\\a\\locked.sol").c_str(), FILE_ATTRIBUTE_READONLY);
  // With a trailing backslash as well.
  EXPECT_TRUE(DeleteDirectoryTree((root_ + L"\\").c_str()));
  EXPECT_FALSE(Exists(root_));
}

TEST_F(Tree, MissingOrEmptyPathIsNothingToDo) {
  EXPECT_FALSE(DeleteDirectoryTree(nullptr));
  EXPECT_FALSE(DeleteDirectoryTree(L""));
  EXPECT_FALSE(DeleteDirectoryTree((root_ + L"\\none").c_str()));
}

TEST_F(Tree, AFileInUseStaysWithItsFoldersAndIsTheError) {
  ::CreateDirectoryW((root_ + L"\\busy").c_str(), nullptr);
  WriteFile(root_ + L"\\busy\\open.sol");
  WriteFile(root_ + L"\\other.sol");
  HANDLE open = ::CreateFileW((root_ + L"\\busy\\open.sol").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, open);
  ::SetLastError(0);
  EXPECT_FALSE(DeleteDirectoryTree((root_ + L"\\busy").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
  // The parent's own removal fails (not empty): that is its error.
  EXPECT_FALSE(DeleteDirectoryTree(root_.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), ::GetLastError());
  EXPECT_TRUE(Exists(root_ + L"\\busy\\open.sol"));
  EXPECT_FALSE(Exists(root_ + L"\\other.sol"));
  ::CloseHandle(open);
}

TEST_F(Tree, ALinkInsideIsRemovedNeverFollowed) {
  ::CreateDirectoryW(outside_.c_str(), nullptr);
  WriteFile(outside_ + L"\\keep.txt");
  using CreateLinkFn = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  auto createLink = reinterpret_cast<CreateLinkFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
  // Wine answers success but makes no link: then there is nothing to test.
  if (!createLink || !createLink((root_ + L"\\link").c_str(), outside_.c_str(), 1) ||
      !(::GetFileAttributesW((root_ + L"\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) ||
      ::GetFileAttributesW((root_ + L"\\link").c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no folder links here (the end-to-end test covers Wine's)";
  }
  EXPECT_TRUE(DeleteDirectoryTree(root_.c_str()));
  EXPECT_FALSE(Exists(root_));
  EXPECT_TRUE(Exists(outside_ + L"\\keep.txt"));
}

// ---- The URL cache ----------------------------------------------------------

// Entries of the cache, content or cookie ones. (Wine lists the cookie
// entries among all entries too, which is why the clearing checks each
// entry's type.)
int CountEntries(bool cookies) {
  const wchar_t* pattern = cookies ? L"Cookie:" : nullptr;
  int count = 0;
  DWORD size = 0;
  ::FindFirstUrlCacheEntryW(pattern, nullptr, &size);
  if (!size) return 0;
  std::string buffer(size, '\0');
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  HANDLE search = ::FindFirstUrlCacheEntryW(pattern, entry, &size);
  if (!search) return 0;
  do {
    if (!(entry->CacheEntryType & COOKIE_CACHE_ENTRY) != cookies) ++count;
    size = 0;
    ::FindNextUrlCacheEntryW(search, nullptr, &size);
    if (!size) break;
    buffer.assign(size, '\0');
    entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  } while (::FindNextUrlCacheEntryW(search, entry, &size));
  ::FindCloseUrlCache(search);
  return count;
}

void AddContent(int count) {
  for (int i = 0; i < count; ++i) {
    const std::wstring url = L"http://tolv.test/cache/" + std::to_wstring(i) + L".swf";
    wchar_t file[MAX_PATH] = {};
    ASSERT_TRUE(::CreateUrlCacheEntryW(url.c_str(), 0, L"swf", file, 0));
    WriteFile(file, "FWS");
    FILETIME zero = {};
    ASSERT_TRUE(::CommitUrlCacheEntryW(url.c_str(), file, zero, zero, NORMAL_CACHE_ENTRY, nullptr,
                                       0, nullptr, nullptr));
  }
}

void AddCookie() {
  ASSERT_TRUE(::InternetSetCookieW(L"http://tolv.test/", L"session",
                                   L"kept; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
}

// ---- The menu command's worker and message ----------------------------------

// The visible "缓存清除完毕！" box of this process: an EnumWindows callback
// (CALLBACK: on 32 bits a plain lambda has the wrong calling convention).
BOOL CALLBACK MatchOwnBox(HWND h, LPARAM found) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  wchar_t cls[16] = {};
  ::GetClassNameW(h, cls, 16);
  wchar_t text[64] = {};
  ::GetDlgItemTextW(h, IDC_MSGBOX_TEXT, text, 64);
  if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(h) && std::wstring(cls) == L"#32770" &&
      std::wstring(text) == L"缓存清除完毕！") {
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
  }
  return TRUE;
}

// The visible "缓存清除完毕！" box of this process, or null.
HWND FindOwnBox() {
  HWND found = nullptr;
  ::EnumWindows(MatchOwnBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::atomic<bool> g_workerReleased{false};
std::atomic<bool> g_workerDone{false};
std::atomic<DWORD> g_workerEnd{0};

DWORD WINAPI BlockedWorker(LPVOID) {
  while (!g_workerReleased) ::Sleep(5);
  g_workerDone = true;
  return 0;
}

DWORD WINAPI TimedWorker(LPVOID param) {
  const DWORD result = CacheClearingThread(param);
  g_workerEnd = ::GetTickCount();
  g_workerDone = true;
  return result;
}

// Waits for the box, notes whether the worker was done by then, answers it.
void AnswerBox(std::atomic<bool>* workerDoneAtBox, std::atomic<DWORD>* shownAt) {
  for (int i = 0; i < 1000; ++i) {
    if (HWND box = FindOwnBox()) {
      *shownAt = ::GetTickCount();
      *workerDoneAtBox = g_workerDone.load();
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_MSGBOX_BTN1, BN_CLICKED), 0);
      return;
    }
    ::Sleep(10);
  }
}

TEST(CacheCommand, TellsAtOnceWithoutWaitingForTheWorker) {
  g_workerReleased = false;
  g_workerDone = false;
  std::atomic<bool> doneAtBox{true};
  std::atomic<DWORD> shownAt{0};
  std::thread answer(AnswerBox, &doneAtBox, &shownAt);
  StartCacheClearing(nullptr, BlockedWorker);
  answer.join();
  EXPECT_NE(0u, shownAt.load());
  EXPECT_FALSE(doneAtBox);
  g_workerReleased = true;
  for (int i = 0; i < 500 && !g_workerDone; ++i) ::Sleep(10);
  EXPECT_TRUE(g_workerDone);
}

// The one test that fills and clears the process's real cache: a cleared
// cache takes no new entries until the process starts again.
TEST(CacheCommand, TheRealWorkerEmptiesALargeCacheButItsCookiesAfterTheMessage) {
  AddContent(1500);
  AddCookie();
  ASSERT_GE(CountEntries(false), 1500);
  ASSERT_GE(CountEntries(true), 1);
  g_workerDone = false;
  std::atomic<bool> doneAtBox{true};
  std::atomic<DWORD> shownAt{0};
  std::thread answer(AnswerBox, &doneAtBox, &shownAt);
  StartCacheClearing(nullptr, TimedWorker);
  answer.join();
  for (int i = 0; i < 3000 && !g_workerDone; ++i) ::Sleep(10);
  ASSERT_TRUE(g_workerDone);
  EXPECT_FALSE(doneAtBox);
  EXPECT_LE(shownAt.load(), g_workerEnd.load());
  EXPECT_EQ(0, CountEntries(false));
  EXPECT_GE(CountEntries(true), 1);
  wchar_t cookie[256] = {};
  DWORD size = 256;
  EXPECT_TRUE(::InternetGetCookieW(L"http://tolv.test/", nullptr, cookie, &size));
  EXPECT_NE(nullptr, wcsstr(cookie, L"session=kept"));
}

}  // namespace
