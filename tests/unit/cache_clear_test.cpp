#include "tools/cache_clear.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <atomic>
#include <functional>
#include <map>
#include <set>
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

TEST_F(Tree, AReadOnlyFileWithANameOutsideKeepsItsAttributeAndStays) {
  ::CreateDirectoryW(outside_.c_str(), nullptr);
  WriteFile(outside_ + L"\\own.txt");
  ::SetFileAttributesW((outside_ + L"\\own.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  if (!::CreateHardLinkW((root_ + L"\\linked.sol").c_str(), (outside_ + L"\\own.txt").c_str(),
                         nullptr)) {
    GTEST_SKIP() << "no hard links here";
  }
  WriteFile(root_ + L"\\plain.sol");
  EXPECT_FALSE(DeleteDirectoryTree(root_.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
  EXPECT_TRUE(Exists(root_ + L"\\linked.sol"));
  EXPECT_FALSE(Exists(root_ + L"\\plain.sol"));
  EXPECT_NE(0u, ::GetFileAttributesW((outside_ + L"\\own.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesW((root_ + L"\\linked.sol").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// ---- The walk on Windows' own terms ----------------------------------------
//
// Wine makes no junctions, so a file system in memory plays them: a link's
// listing shows its target's entries (kept under the link's path), a held
// folder can be neither removed nor renamed, and a folder can turn into a
// link between its parent's listing and the walk entering it.

class FakeFs : public TreeFileSystem {
 public:
  struct Node {
    DWORD attributes;
    DWORD links;
  };
  std::map<std::wstring, Node> nodes;
  // Runs once after the listing of a folder.
  std::map<std::wstring, std::function<void()>> afterList;
  std::multiset<std::wstring> held;
  std::vector<std::wstring> changed;  // every name deleted, removed or re-attributed

  void Folder(const std::wstring& path, DWORD extra = 0) {
    nodes[path] = {FILE_ATTRIBUTE_DIRECTORY | extra, 1};
  }
  void File(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE, DWORD links = 1) {
    nodes[path] = {attributes, links};
  }
  bool Has(const std::wstring& path) const { return nodes.count(path) != 0; }

  HANDLE HoldFolder(const std::wstring& path, DWORD* attributes, DWORD* error) override {
    auto n = nodes.find(path);
    if (n == nodes.end()) {
      *error = ERROR_FILE_NOT_FOUND;
      return nullptr;
    }
    *attributes = n->second.attributes;
    held.insert(path);
    return reinterpret_cast<HANDLE>(new std::wstring(path));
  }
  void Release(HANDLE folder) override {
    auto* path = reinterpret_cast<std::wstring*>(folder);
    held.erase(held.find(*path));
    delete path;
  }
  bool List(const std::wstring& folder, std::vector<TreeEntry>* entries) override {
    for (const auto& [path, node] : nodes) {
      if (path.size() > folder.size() + 1 &&
          path.compare(0, folder.size() + 1, folder + L"\\") == 0 &&
          path.find(L'\\', folder.size() + 1) == std::wstring::npos) {
        entries->push_back({path.substr(folder.size() + 1), node.attributes});
      }
    }
    auto after = afterList.find(folder);
    if (after != afterList.end()) {
      auto run = after->second;
      afterList.erase(after);
      run();
    }
    return true;
  }
  DWORD LinkCount(const std::wstring& path) override { return Has(path) ? nodes[path].links : 0; }
  DWORD SetAttributes(const std::wstring& path, DWORD attributes) override {
    if (!Has(path)) return ERROR_FILE_NOT_FOUND;
    nodes[path].attributes = attributes;
    changed.push_back(L"attributes " + path);
    return 0;
  }
  DWORD DeleteFile(const std::wstring& path) override {
    if (!Has(path)) return ERROR_FILE_NOT_FOUND;
    // Everything above a deleted name is held meanwhile.
    for (size_t cut = path.rfind(L'\\'); cut > 2; cut = path.rfind(L'\\', cut - 1)) {
      if (!held.count(path.substr(0, cut))) return ERROR_INVALID_ACCESS;
    }
    if (nodes[path].attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    nodes.erase(path);
    changed.push_back(L"delete " + path);
    return 0;
  }
  DWORD RemoveFolder(const std::wstring& path) override {
    if (!Has(path)) return ERROR_FILE_NOT_FOUND;
    if (held.count(path)) return ERROR_SHARING_VIOLATION;
    // A link goes by itself; a folder only once empty.
    if (!(nodes[path].attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      std::vector<TreeEntry> inside;
      List(path, &inside);
      if (!inside.empty()) return ERROR_DIR_NOT_EMPTY;
    }
    nodes.erase(path);
    changed.push_back(L"remove " + path);
    return 0;
  }
};

// C:\U\Flash Player\#SharedObjects holding a save, with a link target's
// entries under `link` when there is one.
class Walk : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.Folder(L"C:\\U");
    fs.Folder(L"C:\\U\\Flash Player");
    fs.Folder(kShared);
    fs.Folder(kShared + L"\\site");
    fs.File(kShared + L"\\site\\save.sol", FILE_ATTRIBUTE_READONLY);
  }
  // `path` becomes a link to a folder whose entries are `target`'s.
  void MakeLink(const std::wstring& path) {
    fs.Folder(path, FILE_ATTRIBUTE_REPARSE_POINT);
    fs.File(path + L"\\system.ini");
    fs.Folder(path + L"\\system32");
  }
  const std::wstring kShared = L"C:\\U\\Flash Player\\#SharedObjects";
  FakeFs fs;
};

TEST_F(Walk, DeletesAllWhileHoldingEveryFolderAboveWhatGoes) {
  EXPECT_TRUE(DeleteDirectoryTree(kShared.c_str(), fs));
  EXPECT_FALSE(fs.Has(kShared));
  EXPECT_TRUE(fs.Has(L"C:\\U\\Flash Player"));
  EXPECT_TRUE(fs.held.empty());
  // Never a drive, never a path the system would read otherwise.
  for (const wchar_t* path :
       {L"C:\\", L"C:", L"U\\Flash Player", L"C:\\U\\..\\U", L"C:\\U/x", L"\\\\?\\C:\\U",
        L"C:\\U\\Flash Player.", L"C:\\U::$INDEX_ALLOCATION"}) {
    EXPECT_FALSE(DeleteDirectoryTree(path, fs)) << path;
  }
  EXPECT_TRUE(fs.Has(L"C:\\U"));
}

TEST_F(Walk, AFolderThatIsALinkGoesAsALink) {
  fs.nodes.erase(kShared + L"\\site\\save.sol");
  fs.nodes.erase(kShared + L"\\site");
  MakeLink(kShared);
  EXPECT_TRUE(DeleteDirectoryTree(kShared.c_str(), fs));
  EXPECT_EQ(std::vector<std::wstring>{L"remove " + kShared}, fs.changed);
  EXPECT_TRUE(fs.Has(kShared + L"\\system.ini"));
}

TEST_F(Walk, ALinkAboveStopsEverything) {
  fs.Folder(L"C:\\U\\Flash Player", FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_FALSE(DeleteDirectoryTree(kShared.c_str(), fs));
  EXPECT_EQ(681u, ::GetLastError());  // ERROR_STOPPED_ON_SYMLINK
  EXPECT_TRUE(fs.changed.empty());
  EXPECT_TRUE(fs.held.empty());
}

TEST_F(Walk, AFolderSwappedForALinkAfterItsListingIsNeverEntered) {
  // Listed as a plain folder; a link by the time the walk gets to it.
  fs.afterList[kShared] = [this] { MakeLink(kShared + L"\\site"); };
  EXPECT_TRUE(DeleteDirectoryTree(kShared.c_str(), fs));
  EXPECT_TRUE(fs.Has(kShared + L"\\site\\system.ini"));
  EXPECT_TRUE(fs.Has(kShared + L"\\site\\system32"));
  for (const std::wstring& change : fs.changed) {
    EXPECT_EQ(std::wstring::npos, change.find(L"system")) << change;
  }
}

TEST_F(Walk, AReadOnlyFileWithOtherNamesStaysAsItIs) {
  fs.File(kShared + L"\\site\\linked.sol", FILE_ATTRIBUTE_READONLY, 2);
  EXPECT_FALSE(DeleteDirectoryTree(kShared.c_str(), fs));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), ::GetLastError());
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
            fs.nodes[kShared + L"\\site\\linked.sol"].attributes);
  EXPECT_FALSE(fs.Has(kShared + L"\\site\\save.sol"));
}

TEST_F(Walk, TheOfficeFoldersOfTheCacheStay) {
  const std::wstring cache = L"C:\\U\\INetCache";
  fs.Folder(cache);
  fs.Folder(cache + L"\\Content.IE5");
  fs.File(cache + L"\\Content.IE5\\page.htm");
  fs.Folder(cache + L"\\content.outlook");
  fs.File(cache + L"\\content.outlook\\Report.docx");
  fs.Folder(cache + L"\\Content.MSO");
  EXPECT_TRUE(DeleteDirectoryTree(cache.c_str(), fs, kCacheFoldersKept));
  EXPECT_FALSE(fs.Has(cache + L"\\Content.IE5"));
  EXPECT_TRUE(fs.Has(cache + L"\\content.outlook\\Report.docx"));
  EXPECT_TRUE(fs.Has(cache + L"\\Content.MSO"));
}

TEST(CacheFolder, NothingAtADriveAtTempAtTheProfileOrAboveIt) {
  const std::vector<std::wstring> known = {L"C:\\Users\\Li", L"C:\\Users\\Li\\Desktop",
                                           L"C:\\Users\\Li\\AppData\\Local\\Temp\\",
                                           L"C:\\Windows"};
  const std::wstring cache = L"C:\\Users\\Li\\AppData\\Local\\Microsoft\\Windows\\INetCache";
  EXPECT_TRUE(CacheFolderMayBeDeleted(cache, DRIVE_FIXED, known));
  EXPECT_TRUE(CacheFolderMayBeDeleted(L"R:\\Cache\\", DRIVE_RAMDISK, known));
  EXPECT_TRUE(
      CacheFolderMayBeDeleted(L"C:\\Users\\Li\\AppData\\Local\\Temp\\IE", DRIVE_FIXED, known));
  for (const wchar_t* path :
       {L"R:\\", L"R:", L"C:\\Users\\Li\\AppData\\Local\\Temp", L"c:\\users\\li\\", L"C:\\Users",
        L"C:\\Windows", L"C:\\Users\\Li\\AppData\\..\\..", L"Cache", L"\\\\server\\share\\Cache"}) {
    EXPECT_FALSE(CacheFolderMayBeDeleted(path, DRIVE_FIXED, known)) << path;
  }
  // Only a local drive.
  EXPECT_FALSE(CacheFolderMayBeDeleted(cache, DRIVE_REMOTE, known));
  EXPECT_FALSE(CacheFolderMayBeDeleted(cache, DRIVE_CDROM, known));
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
