#include "app/reports.h"

#include "app/app.h"

// The counters and the report requests come with the settings-file work;
// until then a report ends at once, so the short-lived modes end too.
void SendReport(ReportKind) {
  ::SetEvent(theApp.m_hReportStarted);
  ::SetEvent(theApp.m_hReportDone);
}
