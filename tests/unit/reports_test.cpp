#include "app/reports.h"

#include <gtest/gtest.h>

#include "base/endpoints.h"
#include "net/http.h"

namespace {

std::wstring Client() {
  return std::wstring(L"http://") + ClientHost;
}

TEST(ReportUrls, CarryTagVersionAndCounters) {
  EXPECT_EQ(Client() + L"/install.htm?tag=Tolv&ver=3.0.1.3&count=3", InstallReportUrl(3));
  EXPECT_EQ(Client() + L"/active.htm?tag=webbrindlo&ver=3.0.1.3&count=1", WebHallReportUrl(1));
  EXPECT_EQ(Client() +
                L"/active.htm?tag=Tolv&ver=3.0.1.3&count=8&apartdays=2&keepdays=1"
                L"&weekdays=2",
            ActivityReportUrl(8, 2, 1, 2));
  EXPECT_EQ(Client() +
                L"/active.htm?tag=Tolv&ver=3.0.1.3&count=1&apartdays=-4&keepdays=1"
                L"&weekdays=1",
            ActivityReportUrl(1, -4, 1, 1));
  EXPECT_EQ(Client() + L"/uninstall.htm?tag=Tolv&ver=3.0.1.3&count=2", UninstallReportUrl(2));
}

TEST(SendReport, SignalsDoneEvenWhenTheRequestFailsAndLetsTheCallerReuseItsBuffer) {
  HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    // A refused address: no request at all, still a finished report.
    std::wstring url = L"https://127.0.0.1:1/x";
    SendReportWith(url.c_str(), started, done);
    url.assign(600, L'x');  // the thread has its own copy by now
  }
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(done, 5000));
  // The caller resets the hand-over event for the next report.
  EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(started, 0));
  ::CloseHandle(started);
  ::CloseHandle(done);
}

TEST(DownloadPercent, ClimbsToExactly100WithoutOverflow) {
  EXPECT_EQ(0, DownloadPercent(0, 1000));
  EXPECT_EQ(51, DownloadPercent(512, 1000));
  EXPECT_EQ(100, DownloadPercent(1000, 1000));
  EXPECT_EQ(100, DownloadPercent(1500, 1000));
  // 64 MiB: bytes x 100 no longer fits 32 bits.
  EXPECT_EQ(50, DownloadPercent(32ull << 20, 64ul << 20));
  EXPECT_EQ(100, DownloadPercent(0, 0));
}

}  // namespace
