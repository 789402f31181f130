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

// Tabs 1, 2 and 3 with accounts a, b and c.
TabList ThreeTabs() {
  TabList t;
  for (int i = 1; i <= 3; ++i) {
    t.AcceptAccount(std::wstring(1, L'a' + i - 1));
    t.AddTab(W(i));
  }
  return t;
}

TEST(TabList, DeadTabsLeaveWithTheirAccountsAndTheShownTabStays) {
  static HWND dead;
  auto isDead = [](HWND w) { return w == dead; };
  // A tab left of the current one dies: the current tab stays shown.
  TabList t = ThreeTabs();
  dead = W(1);
  EXPECT_EQ(1, t.RemoveGoneTabs(isDead));
  EXPECT_EQ(2, t.Count());
  EXPECT_EQ(W(3), t.Window(t.Current()));
  EXPECT_EQ(L"c", t.Account(1));
  EXPECT_EQ(3u, t.AcceptAccount(L"a"));
  // The current (last) tab dies: the new last one is current.
  t = ThreeTabs();
  dead = W(3);
  EXPECT_EQ(1, t.RemoveGoneTabs(isDead));
  EXPECT_EQ(W(2), t.Window(t.Current()));
  // The current middle tab dies: the one that moved into its place.
  t = ThreeTabs();
  t.Select(1);
  dead = W(2);
  t.RemoveGoneTabs(isDead);
  EXPECT_EQ(W(3), t.Window(t.Current()));
  EXPECT_EQ(-1, t.IndexOf(W(2)));
  EXPECT_EQ(1, t.IndexOf(W(3)));
  // Every tab gone.
  EXPECT_EQ(2, t.RemoveGoneTabs([](HWND) { return true; }));
  EXPECT_EQ(0, t.Count());
  EXPECT_EQ(0, t.Current());
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

TEST(LoginReport, AccountCannotChangeTheAddressOrBreakTheRequest) {
  const std::wstring head =
      std::wstring(L"http://") + ClientHost + L"/login.htm?tag=Tolv&ver=3.0.1.3&uid=";
  EXPECT_EQ(head + L"a%20b%26index=999%23x&index=3", LoginReportUrl(L"a b&index=999#x", 3));
  EXPECT_EQ(head + L"x%0D%0AHost:%20evil&index=1", LoginReportUrl(L"x\r\nHost: evil", 1));
  EXPECT_EQ(head + L"%25%2B%3F%09%7F%01&index=2", LoginReportUrl(L"%+?\t\x7f\x01", 2));
  // Ordinary names go out as they always have.
  EXPECT_EQ(head + L"双子-Bob_1.x=y/z@q&index=1", LoginReportUrl(L"双子-Bob_1.x=y/z@q", 1));
}

TEST(LoginReport, LongAccountsAreCutBetweenEscapesAndKeepTheIndex) {
  for (size_t n = 250; n < 260; ++n) {
    const std::wstring url = LoginReportUrl(std::wstring(n, L'a') + std::wstring(200, L' '), 7);
    EXPECT_LE(url.size(), kMaxReportUrl);
    EXPECT_EQ(L"&index=7", url.substr(url.size() - 8));
    const size_t uid = url.find(L"uid=") + 4;
    const std::wstring value = url.substr(uid, url.size() - 8 - uid);
    // Every "%" begins a whole escape.
    for (size_t i = value.find(L'%'); i != std::wstring::npos; i = value.find(L'%', i + 1)) {
      ASSERT_LE(i + 3, value.size()) << n;
      EXPECT_EQ(L"%20", value.substr(i, 3)) << n;
    }
  }
  for (const std::wstring& lead : {std::wstring(), std::wstring(L"a")}) {
    std::wstring smileys = lead;
    for (int i = 0; i < 300; ++i) smileys += L"\U0001F600";
    const std::wstring url = LoginReportUrl(smileys, 1);
    EXPECT_LE(url.size(), kMaxReportUrl);
    const wchar_t last = url[url.size() - 9];  // before "&index=1"
    EXPECT_FALSE(last >= 0xD800 && last <= 0xDBFF);
  }
}

TEST(AddAccount, OneLimitMessageAtATime) {
  EXPECT_EQ(AddAccountAction::StartLogin, DecideAddAccount(1, 2, false));
  EXPECT_EQ(AddAccountAction::ShowLimit, DecideAddAccount(1, 3, false));
  EXPECT_EQ(AddAccountAction::ShowLimit, DecideAddAccount(1, 4, false));
  EXPECT_EQ(AddAccountAction::NewWindow, DecideAddAccount(0, 3, false));
  // While the message is open, every answer is ignored.
  EXPECT_EQ(AddAccountAction::Ignore, DecideAddAccount(1, 3, true));
  EXPECT_EQ(AddAccountAction::Ignore, DecideAddAccount(0, 3, true));
}

}  // namespace
