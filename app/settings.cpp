#include "app/settings.h"

#include <shlobj.h>

#include <climits>
#include <cstdlib>
#include <utility>

#include "base/paths.h"

namespace {

constexpr wchar_t kSection[] = L"Tolv";

// A stored count: text that is not a non-negative number restarts from the
// key's default; a count never grows past the largest value every reader of
// the file can hold.
int ToCount(const std::wstring& text, int fallback) {
  wchar_t* end = nullptr;
  const long long v = std::wcstoll(text.c_str(), &end, 10);
  if (end == text.c_str() || v < 0) return fallback;
  return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

int Increment(int v) {
  return v == INT_MAX ? v : v + 1;
}

// A stored run of consecutive days: today's game start is in it, so a run
// read as 0 (a file edited by hand or broken) counts as the default 1, never
// as a report of 0 days on a day with a start.
int ToRun(const std::wstring& text) {
  const int v = ToCount(text, 1);
  return v < 1 ? 1 : v;
}

}  // namespace

std::wstring StatisticPath() {
  const std::wstring folder = InstallFolder();
  return folder.empty() ? L"" : folder + L"\\Statistic.ini";
}

bool ParseLastDate(const std::wstring& text, CivilDate* date) {
  const size_t first = text.find(L'/');
  const size_t last = text.rfind(L'/');
  if (first == std::wstring::npos || first == last) return false;
  CivilDate d;
  d.year = _wtoi(text.substr(0, first).c_str());
  d.month = _wtoi(text.substr(first + 1, last - first - 1).c_str());
  d.day = _wtoi(text.substr(last + 1).c_str());
  // Only a real calendar date counts; month 0 or day 40 would otherwise be
  // carried into a neighbouring month or year.
  if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > DaysInMonth(d.year, d.month)) {
    return false;
  }
  *date = d;
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

long long DaysFromCivil(const CivilDate& date) {
  // Proleptic Gregorian calendar in eras of 400 years, counted from March so
  // that the leap day ends the year; 1970-01-01 is day 0.
  const long long y = static_cast<long long>(date.year) - (date.month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yearOfEra = y - era * 400;
  const long long dayOfYear =
      (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int DaysSince(const CivilDate& last, const CivilDate& today) {
  // Calendar days, counted on the calendar rather than in seconds: a date
  // beyond the range of the time conversion (2038 on) and a day that daylight
  // saving makes 23 hours long both count like any other.
  return static_cast<int>(DaysFromCivil(today) - DaysFromCivil(last));
}

CivilDate LocalToday() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

UsageCounters::UsageCounters(std::wstring iniPath, std::function<CivilDate()> today)
    : m_iniPath(std::move(iniPath)), m_today(std::move(today)) {}

std::wstring UsageCounters::Read(const wchar_t* key, const wchar_t* fallback) const {
  wchar_t value[32] = {};
  ::GetPrivateProfileStringW(kSection, key, fallback, value, 32, m_iniPath.c_str());
  return value;
}

void UsageCounters::Write(const wchar_t* key, const std::wstring& value) const {
  ::WritePrivateProfileStringW(kSection, key, value.c_str(), m_iniPath.c_str());
}

int UsageCounters::Count(const wchar_t* key) {
  const int v = Increment(ToCount(Read(key, L"0"), 0));
  Write(key, std::to_wstring(v));
  return v;
}

int UsageCounters::DaysSinceLastStart() {
  if (m_lastDate.empty()) m_lastDate = Read(L"lstTime", L"").substr(0, 15);
  CivilDate last;
  if (!ParseLastDate(m_lastDate, &last)) return 0;  // no usable date: today
  return DaysSince(last, m_today());
}

void UsageCounters::WriteToday() {
  const CivilDate today = m_today();
  Write(L"lstTime", std::to_wstring(today.year) + L"/" + std::to_wstring(today.month) + L"/" +
                        std::to_wstring(today.day));
}

int UsageCounters::Update(CounterKind kind) {
  switch (kind) {
    case CounterWebHall:
      return Count(L"Brindlo");
    case CounterInst:
      return Count(L"Inst");
    case CounterUnInst:
      return Count(L"UnInst");
    case CounterGame:
      return Count(L"Game");
    case CounterApartDays: {
      const int d = DaysSinceLastStart();
      WriteToday();
      return (d == 0 || d == 1) ? 0 : d - 1;
    }
    case CounterKeepDays: {
      const int d = DaysSinceLastStart();
      WriteToday();
      int keep = 1;
      if (d == 0) keep = ToRun(Read(L"keepdays", L"1"));
      if (d == 1) keep = Increment(ToRun(Read(L"keepdays", L"1")));
      Write(L"keepdays", std::to_wstring(keep));
      return keep;
    }
    case CounterWeekDays: {
      int w = _wtoi(Read(L"weekdays", L"0").c_str());
      if (w > 128 || w < 0) w = 0;
      const int d = DaysSinceLastStart();
      const int shifted = (d >= 0 && d <= 6) ? (((w << d) & 0x7E) | 1) : 1;
      Write(L"weekdays", std::to_wstring(shifted));
      int days = 0;
      for (int bit = 0; bit < 7; ++bit) days += (shifted >> bit) & 1;
      return days;
    }
  }
  return 0;
}

int UpdateCounter(CounterKind kind) {
  static UsageCounters counters(StatisticPath(), LocalToday);
  return counters.Update(kind);
}
