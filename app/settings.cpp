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
  // carried into a neighbouring month or year by the time conversion.
  std::tm probe = {};
  probe.tm_year = d.year - 1900;
  probe.tm_mon = d.month - 1;
  probe.tm_mday = d.day;
  probe.tm_hour = 12;
  probe.tm_isdst = -1;
  if (d.year < 1970 || d.year > 3000 || std::mktime(&probe) == static_cast<std::time_t>(-1) ||
      probe.tm_year != d.year - 1900 || probe.tm_mon != d.month - 1 || probe.tm_mday != d.day) {
    return false;
  }
  *date = d;
  return true;
}

int DaysSince(const CivilDate& last, std::time_t now) {
  std::tm then = *std::localtime(&now);
  then.tm_year = last.year - 1900;
  then.tm_mon = last.month - 1;
  then.tm_mday = last.day;
  then.tm_isdst = -1;
  const std::time_t lastTime = std::mktime(&then);
  return static_cast<int>(static_cast<long long>(std::difftime(now, lastTime)) / 86400);
}

UsageCounters::UsageCounters(std::wstring iniPath, std::function<std::time_t()> clock)
    : m_iniPath(std::move(iniPath)), m_clock(std::move(clock)) {}

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
  return DaysSince(last, m_clock());
}

void UsageCounters::WriteToday() {
  const std::time_t now = m_clock();
  const std::tm today = *std::localtime(&now);
  Write(L"lstTime", std::to_wstring(today.tm_year + 1900) + L"/" +
                        std::to_wstring(today.tm_mon + 1) + L"/" + std::to_wstring(today.tm_mday));
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
      if (d == 0) keep = ToCount(Read(L"keepdays", L"1"), 1);
      if (d == 1) keep = Increment(ToCount(Read(L"keepdays", L"1"), 1));
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
  static UsageCounters counters(StatisticPath(), [] { return std::time(nullptr); });
  return counters.Update(kind);
}
