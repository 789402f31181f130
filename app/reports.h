// Usage reports to the client service.
#pragma once

enum ReportKind {
  ReportInstall,
  ReportWebHall,
  ReportActivity,
  ReportUninstall,
};

// Sends the report on a worker thread. Sets the application's report-started
// event once the thread has what it needs, and its report-done event when the
// request has ended, successfully or not.
void SendReport(ReportKind kind);
