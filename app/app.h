// The application object: every process of Tolv.exe starts here and decides
// which role it plays.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/launch_mode.h"
#include "framework/frame.h"
#include "framework/winapp.h"

class CWayloft3App : public CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;

  ULONG_PTR m_gdiplusToken = 0;
  // Download address of a new executable, filled by the update check.
  wchar_t m_szUpdateUrl[512] = {};
  // Version token of that executable, which the download must match.
  std::wstring m_strUpdateToken;
  // Set by a report thread once it has copied its address.
  HANDLE m_hReportStarted = nullptr;
  // Set by a report thread when its request has finished.
  HANDLE m_hReportDone = nullptr;
  // Title and address of the game frame's page, for the favourite dialog.
  std::wstring m_strPageTitle;
  std::wstring m_strPageUrl;
  // The game frame's document template (login and hall processes).
  std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;

 private:
  // The mode's work once start-up's common steps are done; the result is
  // InitInstance's.
  BOOL RunMode(LaunchMode mode, const std::wstring& caption, const std::wstring& link);
};

extern CWayloft3App theApp;

// Reads this process's command line and location; sets MainWndHandle and
// WindowIndex.
LaunchDecision GetLaunchMode();
