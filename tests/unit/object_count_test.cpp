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
