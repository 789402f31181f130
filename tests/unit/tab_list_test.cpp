#include "gamewnd/tab_list.h"

#include <gtest/gtest.h>

#include "base/endpoints.h"

namespace {

HWND W(int n) {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(n));
}

TEST(TabList, DuplicateAccountsAreRefusedExactly) {
  TabList t;
  EXPECT_EQ(1u, t.AcceptAccount(L"S1-alice"));
  EXPECT_EQ(0u, t.AcceptAccount(L"S1-alice"));
  EXPECT_EQ(2u, t.AcceptAccount(L"S1-Alice"));
  EXPECT_EQ(3u, t.AcceptAccount(L"s1-alice"));
}

TEST(TabList, ReportIndexFollowsClosedTabs) {
  TabList t;
  t.AcceptAccount(L"a");
  t.AddTab(W(1));
  t.AcceptAccount(L"b");
  t.AddTab(W(2));
  t.RemoveTab(0);
  // One tab left: the next account reports index 2, and "a" may log in again.
  EXPECT_EQ(2u, t.AcceptAccount(L"a"));
}

TEST(TabList, RegisteredTabBecomesCurrent) {
  TabList t;
  t.AddTab(W(1));
  t.AddTab(W(2));
  EXPECT_EQ(1, t.Current());
  EXPECT_TRUE(t.Select(0));
  EXPECT_FALSE(t.Select(2));
  EXPECT_EQ(0, t.Current());
  EXPECT_EQ(1, t.NextIndex());
  t.Select(1);
  EXPECT_EQ(0, t.NextIndex());
}

TEST(TabList, ClosingTabs) {
  TabList t;
  for (int i = 1; i <= 3; ++i) {
    t.AcceptAccount(L"acc" + std::to_wstring(i));
    t.AddTab(W(i));
  }
  // Closing tab 1 of 3: the tab that moved into position 1 becomes current.
  EXPECT_EQ(1, t.RemoveTab(1));
  EXPECT_EQ(W(3), t.Window(1));
  EXPECT_EQ(L"acc3", t.Account(1));
  // Closing the last tab: the new last becomes current.
  EXPECT_EQ(0, t.RemoveTab(1));
  EXPECT_EQ(1, t.Count());
  // Closing the only tab leaves none; out-of-range closes change nothing.
  EXPECT_EQ(-1, t.RemoveTab(5));
  EXPECT_EQ(1, t.Count());
  EXPECT_EQ(-1, t.RemoveTab(0));
  EXPECT_EQ(0, t.Count());
  EXPECT_EQ(-1, t.NextIndex());
  EXPECT_EQ(nullptr, t.Window(0));
}

TEST(TabContent, BelowTheCaptionBandAndInsideTheBorder) {
  const RECT r = TabContentRect(RECT{0, 0, 1000, 700});
  EXPECT_EQ(4, r.left);
  EXPECT_EQ(30, r.top);
  EXPECT_EQ(996, r.right);
  EXPECT_EQ(696, r.bottom);
}

TEST(LoginReport, Address) {
  EXPECT_EQ(
      std::wstring(L"http://") + ClientHost + L"/login.htm?tag=Tolv&ver=3.0.1.3&uid=alice&index=1",
      LoginReportUrl(L"alice", 1));
}

}  // namespace
