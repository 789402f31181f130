// Usage reports: one GET request each to the client service, carrying the
// counters of Statistic.ini.
#pragma once

#include <windows.h>

#include <string>

// ---- Addresses (no network) ----
std::wstring InstallReportUrl(int count);
std::wstring WebHallReportUrl(int count);
std::wstring ActivityReportUrl(int count, int apartDays, int keepDays, int weekDays);
std::wstring UninstallReportUrl(int count);

// ---- Sending ----

// Sends a GET to `url` on a worker thread and returns once the thread has
// copied the address (so it may live on the caller's stack): the thread sets
// `started` then, and `done` when its request has ended, successfully or not.
// The caller resets `started` before returning.
void SendReportWith(const wchar_t* url, HANDLE started, HANDLE done);

// SendReportWith with the application's two report events.
void SendReport(const wchar_t* url);

// Each updates its counters in Statistic.ini and sends its report.
void SendInstallReport();
void SendWebHallReport();
// Evaluates the seven-day history, the consecutive days, the apart days and
// the game count, in this order.
void SendActivityReport();
void SendUninstallReport();
