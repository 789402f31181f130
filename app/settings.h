// Statistic.ini: the client's one settings file (section "Tolv"), with the
// usage counters that the reports carry.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/paths.h"

// The settings file the usage counters use: local application data +
// "\Brindlo\VodiVavoz\Statistic.ini".
std::wstring StatisticPath();

enum CounterKind {
  CounterWebHall = 0,    // "Brindlo": web-hall launches
  CounterInst = 1,       // "Inst": install runs
  CounterUnInst = 2,     // "UnInst": uninstalls
  CounterGame = 3,       // "Game": game starts
  CounterApartDays = 4,  // days strictly between the last game start and today
  CounterKeepDays = 5,   // "keepdays": consecutive days with a game start
  CounterWeekDays = 6,   // "weekdays": days with a game start among the last seven
};

struct CivilDate {
  int year, month, day;
};

// Reads "year/month/day" from the first and last "/". False when there are
// fewer than two "/" or the numbers are no calendar date of the years 1 to
// 9999.
bool ParseLastDate(const std::wstring& text, CivilDate* date);

// Days in `month` (1 to 12) of `year` in the Gregorian calendar; 0 for a
// month that does not exist.
int DaysInMonth(int year, int month);

// The day number of `date`, 0 for 1970/1/1, in 64 bits for any year.
long long DaysFromCivil(const CivilDate& date);

// Calendar days from `last` to `today`: 0 on the same day, 1 on the next,
// negative for a date in the future.
int DaysSince(const CivilDate& last, const CivilDate& today);

// Today's local date from the system's calendar clock (GetLocalTime), which
// has no end in 2038 on any build: the 32-bit C runtime's time() and
// localtime() stop there.
CivilDate LocalToday();

// Counters kept in one settings file. Every update reads the current value
// from the file and writes the new one back at once. The date of the last
// game start is read once and kept, so that every day computation of one
// process measures from the same stored date.
class UsageCounters {
 public:
  UsageCounters(std::wstring iniPath, std::function<CivilDate()> today);
  int Update(CounterKind kind);

 private:
  int Count(const wchar_t* key);
  int DaysSinceLastStart();
  void WriteToday();
  std::wstring Read(const wchar_t* key, const wchar_t* fallback) const;
  void Write(const wchar_t* key, const std::wstring& value) const;

  std::wstring m_iniPath;
  std::function<CivilDate()> m_today;
  std::wstring m_lastDate;  // the "lstTime" of the first day computation
};

// The process's counters in StatisticPath(), on the system's clock.
int UpdateCounter(CounterKind kind);
