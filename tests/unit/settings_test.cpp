#include "app/settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A fresh Statistic.ini in the temp folder, a fixed "now", and helpers to
// read and write its keys the way the client does.
class Counters : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    path_ =
        std::wstring(dir) + L"tolv-counters-" + std::to_wstring(::GetCurrentProcessId()) + L".ini";
    ::DeleteFileW(path_.c_str());
  }
  void TearDown() override { ::DeleteFileW(path_.c_str()); }

  UsageCounters At(CivilDate today) {
    return UsageCounters(path_, [today] { return today; });
  }
  void Put(const wchar_t* key, const wchar_t* value) {
    ::WritePrivateProfileStringW(L"Tolv", key, value, path_.c_str());
  }
  std::wstring Get(const wchar_t* key) {
    wchar_t value[64] = {};
    ::GetPrivateProfileStringW(L"Tolv", key, L"<none>", value, 64, path_.c_str());
    return value;
  }
  // The activity report's four values, in the order it evaluates them.
  struct Activity {
    int week, keep, apart, game;
  };
  Activity Start(CivilDate today) {
    UsageCounters c = At(today);
    Activity a;
    a.week = c.Update(CounterWeekDays);
    a.keep = c.Update(CounterKeepDays);
    a.apart = c.Update(CounterApartDays);
    a.game = c.Update(CounterGame);
    return a;
  }

  std::wstring path_;
  const CivilDate today_ = {2026, 12, 9};
};

TEST_F(Counters, FirstGameStartEver) {
  const Activity a = Start(today_);
  EXPECT_EQ(1, a.week);
  EXPECT_EQ(1, a.keep);
  EXPECT_EQ(0, a.apart);
  EXPECT_EQ(1, a.game);
  EXPECT_EQ(L"2026/12/9", Get(L"lstTime"));
  EXPECT_EQ(L"1", Get(L"keepdays"));
  EXPECT_EQ(L"1", Get(L"weekdays"));
  EXPECT_EQ(L"1", Get(L"Game"));
}

TEST_F(Counters, NextDayGrowsTheRunAndShiftsTheHistory) {
  Put(L"lstTime", L"2026/12/8");
  Put(L"keepdays", L"4");
  Put(L"weekdays", L"5");  // bits 0 and 2
  Put(L"Game", L"10");
  const Activity a = Start(today_);
  EXPECT_EQ(5, a.keep);
  EXPECT_EQ(0, a.apart);
  EXPECT_EQ(L"11", Get(L"weekdays"));  // 5 << 1 = 10, plus today
  EXPECT_EQ(3, a.week);
  EXPECT_EQ(11, a.game);
}

TEST_F(Counters, SecondStartOnTheSameDayChangesOnlyTheGameCount) {
  Put(L"lstTime", L"2026/12/9");
  Put(L"keepdays", L"4");
  Put(L"weekdays", L"3");
  const Activity a = Start(today_);
  EXPECT_EQ(4, a.keep);
  EXPECT_EQ(0, a.apart);
  EXPECT_EQ(2, a.week);
  EXPECT_EQ(L"3", Get(L"weekdays"));
  EXPECT_EQ(L"4", Get(L"keepdays"));
  EXPECT_EQ(1, a.game);
}

TEST_F(Counters, ThreeDaysApart) {
  Put(L"lstTime", L"2026/12/6");
  Put(L"keepdays", L"7");
  Put(L"weekdays", L"1");
  const Activity a = Start(today_);
  EXPECT_EQ(2, a.apart);
  EXPECT_EQ(1, a.keep);
  EXPECT_EQ(L"9", Get(L"weekdays"));
  EXPECT_EQ(2, a.week);
}

TEST_F(Counters, TenDaysApartAcrossAMonth) {
  Put(L"lstTime", L"2026/11/29");
  Put(L"weekdays", L"127");
  const Activity a = Start(today_);
  EXPECT_EQ(9, a.apart);
  EXPECT_EQ(1, a.keep);
  EXPECT_EQ(1, a.week);
  EXPECT_EQ(L"1", Get(L"weekdays"));
}

TEST_F(Counters, HistoryAbove128IsReadAsEmpty) {
  Put(L"lstTime", L"2026/12/8");
  Put(L"weekdays", L"200");
  EXPECT_EQ(1, At(today_).Update(CounterWeekDays));
  Put(L"weekdays", L"128");  // 128 itself is kept, and falls away when shifted
  EXPECT_EQ(1, At(today_).Update(CounterWeekDays));
  Put(L"weekdays", L"64");
  EXPECT_EQ(1, At(today_).Update(CounterWeekDays));
}

TEST_F(Counters, DateWithoutTwoSlashesCountsAsToday) {
  for (const wchar_t* text : {L"20261201", L"2026/1201", L"", L"garbage"}) {
    Put(L"lstTime", text);
    Put(L"keepdays", L"3");
    const Activity a = Start(today_);
    EXPECT_EQ(0, a.apart) << text;
    EXPECT_EQ(3, a.keep) << text;
  }
}

TEST_F(Counters, ImpossibleDatesCountAsToday) {
  for (const wchar_t* text : {L"2026/0/5", L"2026/11/40", L"2026/2/30", L"0/0/0"}) {
    Put(L"lstTime", text);
    Put(L"keepdays", L"3");
    const Activity a = Start(today_);
    EXPECT_EQ(0, a.apart) << text;
    EXPECT_EQ(3, a.keep) << text;
  }
}

TEST_F(Counters, FirstSeenDateIsKeptForTheWholeProcess) {
  Put(L"lstTime", L"2026/12/1");
  UsageCounters c = At(today_);
  EXPECT_EQ(1, c.Update(CounterKeepDays));  // rewrites lstTime to today
  EXPECT_EQ(L"2026/12/9", Get(L"lstTime"));
  EXPECT_EQ(7, c.Update(CounterApartDays));  // still measured from 12/1
  // A new process reads the new date.
  EXPECT_EQ(0, At(today_).Update(CounterApartDays));
}

TEST_F(Counters, FutureDateStartsANewRun) {
  Put(L"lstTime", L"2026/12/12");
  Put(L"keepdays", L"5");
  Put(L"weekdays", L"3");
  const Activity a = Start(today_);
  EXPECT_EQ(1, a.keep);
  EXPECT_EQ(-4, a.apart);
  EXPECT_EQ(1, a.week);
}

TEST_F(Counters, DatesBeyond2038AreFutureDatesLikeAnyOther) {
  // 2030 was always right; 2040 and 3000 once came out as "today".
  const struct {
    const wchar_t* text;
    int apart;
  } cases[] = {{L"2030/1/1", -1120}, {L"2040/1/1", -4772}, {L"3000/1/1", -355405}};
  for (const auto& c : cases) {
    Put(L"lstTime", c.text);
    Put(L"keepdays", L"5");
    Put(L"weekdays", L"3");
    const Activity a = Start(today_);
    EXPECT_EQ(c.apart, a.apart) << c.text;
    EXPECT_EQ(1, a.keep) << c.text;
    EXPECT_EQ(1, a.week) << c.text;
    EXPECT_EQ(L"2026/12/9", Get(L"lstTime"));
  }
  // A clock past 2038 (the 32-bit C runtime's localtime() gives nothing
  // there): the counters go on as on any other day.
  Put(L"lstTime", L"2040/2/29");
  Put(L"keepdays", L"5");
  Put(L"weekdays", L"1");
  const Activity a = Start({2040, 3, 1});
  EXPECT_EQ(6, a.keep);
  EXPECT_EQ(0, a.apart);
  EXPECT_EQ(2, a.week);
  EXPECT_EQ(L"2040/3/1", Get(L"lstTime"));
  EXPECT_EQ(L"3", Get(L"weekdays"));
}

TEST_F(Counters, PlainCountsGrowByOneFromTheirDefault) {
  UsageCounters c = At(today_);
  EXPECT_EQ(1, c.Update(CounterWebHall));
  EXPECT_EQ(2, c.Update(CounterWebHall));
  EXPECT_EQ(1, c.Update(CounterInst));
  EXPECT_EQ(1, c.Update(CounterUnInst));
  EXPECT_EQ(L"2", Get(L"Brindlo"));
  EXPECT_EQ(L"1", Get(L"Inst"));
  EXPECT_EQ(L"1", Get(L"UnInst"));
}

TEST_F(Counters, BrokenOrHugeCountsNeitherGoNegativeNorWrap) {
  UsageCounters c = At(today_);
  Put(L"Inst", L"abc");
  EXPECT_EQ(1, c.Update(CounterInst));
  Put(L"Inst", L"-5");
  EXPECT_EQ(1, c.Update(CounterInst));
  Put(L"Inst", L"99999999999");
  EXPECT_EQ(2147483647, c.Update(CounterInst));
  EXPECT_EQ(L"2147483647", Get(L"Inst"));
  Put(L"lstTime", L"2026/12/9");
  Put(L"keepdays", L"x");
  EXPECT_EQ(1, At(today_).Update(CounterKeepDays));
  // A run of 0 days cannot hold today's start: the same day and the next
  // both count it from the default 1.
  Put(L"lstTime", L"2026/12/9");
  Put(L"keepdays", L"0");
  EXPECT_EQ(1, At(today_).Update(CounterKeepDays));
  EXPECT_EQ(L"1", Get(L"keepdays"));
  Put(L"lstTime", L"2026/12/8");
  Put(L"keepdays", L"0");
  EXPECT_EQ(2, At(today_).Update(CounterKeepDays));
}

TEST(ParseLastDate, ReadsAroundTheFirstAndLastSlash) {
  CivilDate d;
  ASSERT_TRUE(ParseLastDate(L"2026/3/7", &d));
  EXPECT_EQ(2026, d.year);
  EXPECT_EQ(3, d.month);
  EXPECT_EQ(7, d.day);
  ASSERT_TRUE(ParseLastDate(L"2026/3/x/7", &d));  // "3/x" between them reads as 3
  EXPECT_EQ(3, d.month);
  EXPECT_EQ(7, d.day);
  EXPECT_FALSE(ParseLastDate(L"2026/3", &d));
}

TEST(ParseLastDate, OnlyCalendarDates) {
  CivilDate d;
  EXPECT_TRUE(ParseLastDate(L"2028/2/29", &d));
  EXPECT_FALSE(ParseLastDate(L"2100/2/29", &d));
  EXPECT_TRUE(ParseLastDate(L"2000/2/29", &d));
  EXPECT_TRUE(ParseLastDate(L"9999/12/31", &d));
  EXPECT_FALSE(ParseLastDate(L"10000/1/1", &d));
  EXPECT_FALSE(ParseLastDate(L"99999999999/1/1", &d));
  EXPECT_FALSE(ParseLastDate(L"-5/1/1", &d));
  EXPECT_FALSE(ParseLastDate(L"2026/13/1", &d));
}

TEST(DaysFromCivil, CountsFrom1970InSixtyFourBits) {
  EXPECT_EQ(0, DaysFromCivil({1970, 1, 1}));
  EXPECT_EQ(11017, DaysFromCivil({2000, 3, 1}));
  EXPECT_EQ(25567, DaysFromCivil({2040, 1, 1}));
  EXPECT_EQ(376200, DaysFromCivil({3000, 1, 1}));
  EXPECT_EQ(2932896, DaysFromCivil({9999, 12, 31}));
  EXPECT_EQ(-719162, DaysFromCivil({1, 1, 1}));
}

TEST(PathBesideExe, ReplacesTheFileName) {
  wchar_t out[MAX_PATH];
  ASSERT_EQ(1, PathBesideExe(L"Statistic.ini", out));
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring expected = exe;
  expected = expected.substr(0, expected.rfind(L'\\') + 1) + L"Statistic.ini";
  EXPECT_EQ(expected, out);
  ASSERT_EQ(1, PathBesideExe(nullptr, out));
  EXPECT_STREQ(exe, out);
}

}  // namespace
