// The soak test trusts these counts to find leaks: each must rise by exactly
// what was made and fall back when it is freed, on Windows's own counters
// and on the table walks used under Wine alike.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/object_count.h"

namespace {

// The first window and DC of a thread bring objects of the system's own (a
// thread's first window brings its input-method window too), and the first
// count may load what it uses: those come before the figures compared.
class OwnObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_holder = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    ::DeleteDC(::CreateCompatibleDC(nullptr));
    ::DestroyMenu(::CreatePopupMenu());
    for (OwnObjects which : {OwnObjects::Gdi, OwnObjects::User, OwnObjects::Handles}) {
      CountOwnObjects(which);
    }
  }
  void TearDown() override { ::DestroyWindow(m_holder); }
  HWND m_holder = nullptr;
};

TEST_F(OwnObjectsTest, CountWhatIsMadeAndFreed) {
  const long gdi = CountOwnObjects(OwnObjects::Gdi);
  const long user = CountOwnObjects(OwnObjects::User);
  const long handles = CountOwnObjects(OwnObjects::Handles);
  ASSERT_GT(gdi, 0);
  ASSERT_GT(handles, 0);

  HBRUSH brushes[3] = {::CreateSolidBrush(RGB(1, 2, 3)), ::CreateSolidBrush(RGB(4, 5, 6)),
                       ::CreateSolidBrush(RGB(7, 8, 9))};
  HDC dc = ::CreateCompatibleDC(nullptr);
  HMENU menus[2] = {::CreatePopupMenu(), ::CreateMenu()};
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
  HWND child =
      ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, window, nullptr, nullptr, nullptr);
  HANDLE events[2] = {::CreateEventW(nullptr, TRUE, FALSE, nullptr),
                      ::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  ASSERT_TRUE(child);
  EXPECT_EQ(gdi + 4, CountOwnObjects(OwnObjects::Gdi));
  EXPECT_EQ(user + 4, CountOwnObjects(OwnObjects::User));
  EXPECT_EQ(handles + 2, CountOwnObjects(OwnObjects::Handles));

  for (HBRUSH b : brushes) ::DeleteObject(b);
  ::DeleteDC(dc);
  for (HMENU m : menus) ::DestroyMenu(m);
  ::DestroyWindow(window);
  for (HANDLE e : events) ::CloseHandle(e);
  EXPECT_EQ(gdi, CountOwnObjects(OwnObjects::Gdi));
  EXPECT_EQ(user, CountOwnObjects(OwnObjects::User));
  EXPECT_EQ(handles, CountOwnObjects(OwnObjects::Handles));
}

// Painting windows leaves their DCs with the window manager, which Wine
// keeps in the process (a DC and its visible region each) while Windows
// takes them back: neither is the process's leak.
TEST_F(OwnObjectsTest, WindowDcsGivenBackAreNotTheProcesss) {
  // The first shown window and its DC bring the system's drawing objects.
  HWND first = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 20, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
  ::ReleaseDC(first, ::GetDC(first));
  ::DestroyWindow(first);
  const long gdi = CountOwnObjects(OwnObjects::Gdi);
  const long cached = CountOwnObjects(OwnObjects::CachedDcs);
  ASSERT_GE(cached, 0);

  // Held at once, so the cache cannot hand one DC round: it must grow.
  HWND windows[6];
  HDC dcs[6];
  for (int i = 0; i < 6; ++i) {
    windows[i] = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, i * 12, 0, 10, 10,
                                   nullptr, nullptr, nullptr, nullptr);
    dcs[i] = ::GetDC(windows[i]);
    ASSERT_TRUE(dcs[i]);
  }
  EXPECT_GE(CountOwnObjects(OwnObjects::Gdi), gdi + 6) << "DCs in use are the process's";
  for (int i = 0; i < 6; ++i) ::ReleaseDC(windows[i], dcs[i]);
  EXPECT_EQ(gdi, CountOwnObjects(OwnObjects::Gdi));
  for (HWND w : windows) ::DestroyWindow(w);
  EXPECT_EQ(gdi, CountOwnObjects(OwnObjects::Gdi));
  EXPECT_GE(CountOwnObjects(OwnObjects::CachedDcs), cached);

  // A DC of the process's own is counted whatever it shows.
  HDC own = ::CreateCompatibleDC(nullptr);
  EXPECT_EQ(gdi + 1, CountOwnObjects(OwnObjects::Gdi));
  ::DeleteDC(own);
}

TEST_F(OwnObjectsTest, IconsAreUserObjects) {
  const long user = CountOwnObjects(OwnObjects::User);
  const BYTE and_bits[32 * 4] = {}, xor_bits[32 * 4] = {};
  HICON icon = ::CreateIcon(nullptr, 32, 32, 1, 1, and_bits, xor_bits);
  ASSERT_TRUE(icon);
  EXPECT_EQ(user + 1, CountOwnObjects(OwnObjects::User));
  ::DestroyIcon(icon);
  EXPECT_EQ(user, CountOwnObjects(OwnObjects::User));
}

}  // namespace
