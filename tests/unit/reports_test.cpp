// Before windows.h, which would bring the older socket header.
#include <winsock2.h>

#include "app/reports.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/endpoints.h"
#include "net/http.h"
#include "net/report_queue.h"

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

TEST(SendReport, AReportOutlivingTheCallersEventSignalsNoOtherObject) {
  // A server that takes the connection and never answers.
  WSADATA wsa;
  ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &wsa));
  SOCKET server = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof(at);
  ASSERT_EQ(0, ::bind(server, reinterpret_cast<sockaddr*>(&at), sizeof(at)));
  ASSERT_EQ(0, ::listen(server, 1));
  ::getsockname(server, reinterpret_cast<sockaddr*>(&at), &size);
  const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(ntohs(at.sin_port)) + L"/x";

  HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE watch = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), done, ::GetCurrentProcess(), &watch, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  SendReportWith(url.c_str(), started, done);
  // The process ends and closes its events while the report still waits;
  // the freed handle value goes to the next object made.
  ::CloseHandle(done);
  HANDLE other = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::closesocket(server);  // the report fails now
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(watch, 20000));
  EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(other, 0));
  for (HANDLE h : {started, watch, other}) ::CloseHandle(h);
  ::WSACleanup();
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

// What a report queue sent, from which thread.
struct Sent {
  CRITICAL_SECTION lock;
  std::vector<std::wstring> urls;
  std::vector<DWORD> threads;
  Sent() { ::InitializeCriticalSection(&lock); }
  ~Sent() { ::DeleteCriticalSection(&lock); }
  size_t Count() {
    ::EnterCriticalSection(&lock);
    const size_t n = urls.size();
    ::LeaveCriticalSection(&lock);
    return n;
  }
};

ReportQueue::Sender Recorder(const std::shared_ptr<Sent>& sent, DWORD pause) {
  return [sent, pause](const std::wstring& url) {
    if (pause) ::Sleep(pause);
    ::EnterCriticalSection(&sent->lock);
    sent->urls.push_back(url);
    sent->threads.push_back(::GetCurrentThreadId());
    ::LeaveCriticalSection(&sent->lock);
  };
}

TEST(ReportQueue, ABurstIsSentOnceEachInOrderByOneThread) {
  auto sent = std::make_shared<Sent>();
  ReportQueue queue(Recorder(sent, 0));
  std::vector<std::wstring> posted;
  for (int i = 1; i <= 2000; ++i) {
    posted.push_back(L"http://h/login.htm?uid=u" + std::to_wstring(i) + L"&index=" +
                     std::to_wstring(i));
    queue.Post(posted.back());
  }
  ASSERT_TRUE(queue.WaitIdle(20000));
  EXPECT_EQ(posted, sent->urls);
  for (DWORD t : sent->threads) EXPECT_EQ(sent->threads[0], t);
  EXPECT_NE(::GetCurrentThreadId(), sent->threads[0]);
  // Later reports after a quiet spell still go out.
  queue.Post(L"late");
  ASSERT_TRUE(queue.WaitIdle(5000));
  EXPECT_EQ(L"late", sent->urls.back());
}

TEST(ReportQueue, ReportsQueuedWhenTheWindowGoesAreStillSent) {
  auto sent = std::make_shared<Sent>();
  {
    ReportQueue queue(Recorder(sent, 5));
    for (int i = 0; i < 20; ++i) queue.Post(L"r" + std::to_wstring(i));
  }
  for (int i = 0; i < 500 && sent->Count() < 20; ++i) ::Sleep(10);
  EXPECT_EQ(20u, sent->Count());
  EXPECT_EQ(L"r19", sent->urls.back());
}

}  // namespace
