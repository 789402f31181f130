#include "app/app.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <shellapi.h>
#include <wininet.h>

#include <vector>

#include "app/install.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/process_values.h"
#include "app/reports.h"
#include "app/settings.h"
#include "base/product.h"
#include "browser/browser_settings.h"
#include "browser/game_frame.h"
#include "gamewnd/login_dlg.h"
#include "gamewnd/login_protocol.h"
#include "gamewnd/main_dlg.h"
#include "net/button_info.h"
#include "base/endpoints.h"
#include "net/update.h"
#include "res/resource.h"
#include "ui/message_box.h"

CWayloft3App theApp;

LaunchDecision GetLaunchMode() {
  std::vector<std::wstring> args;
  int argc = 0;
  if (wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);
  }
  const LaunchDecision d = DecideLaunchMode(args, ExePath(), InstallFolder());
  MainWndHandle = reinterpret_cast<HWND>(d.mainWnd);
  WindowIndex = d.windowIndex;
  return d;
}

void SendReport(const wchar_t* url) {
  SendReportWith(url, theApp.m_hReportStarted, theApp.m_hReportDone);
}

void SendInstallReport() {
  SendReport(InstallReportUrl(UpdateCounter(CounterInst)).c_str());
}

void SendWebHallReport() {
  SendReport(WebHallReportUrl(UpdateCounter(CounterWebHall)).c_str());
}

void SendActivityReport() {
  const int weekDays = UpdateCounter(CounterWeekDays);
  const int keepDays = UpdateCounter(CounterKeepDays);
  const int apartDays = UpdateCounter(CounterApartDays);
  const int count = UpdateCounter(CounterGame);
  SendReport(ActivityReportUrl(count, apartDays, keepDays, weekDays).c_str());
}

void SendUninstallReport() {
  SendReport(UninstallReportUrl(UpdateCounter(CounterUnInst)).c_str());
}

BOOL CWayloft3App::InitInstance() {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xFF};
  ::InitCommonControlsEx(&icc);

  // Nothing works without the network: say so and end, in every mode.
  if (!::InternetCheckConnectionW(ProbeUrl, FLAG_ICC_FORCE_CONNECTION, 0)) {
    ShowMessageBox(nullptr, L"当前网络不可用，请检查网络连接是否正常！", MB_OK);
    return FALSE;
  }

  const LaunchDecision launch = GetLaunchMode();
  const LaunchMode mode = launch.mode;
  // A login or hall process without a usable main window has nothing to
  // join; a handle that names anything but a main game window (the desktop,
  // another program's window) counts as none.
  if (!launch.argumentsValid) return FALSE;
  if ((mode == ModeNewWindow || mode == ModeGameHall) && !IsMainGameWindow(MainWndHandle)) {
    return FALSE;
  }

  m_hReportStarted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hReportDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

  if (mode == ModeUninstall) {
    if (ShowMessageBox(nullptr, L"确定要移除 BrindloTolvane吗？", MB_YESNO) != IDYES) return FALSE;
    Uninstall(SendUninstallReport);
    ::WaitForSingleObject(m_hReportDone, INFINITE);
    return FALSE;
  }

  ButtonInfo info;
  if (AsksButtonInfo(mode)) GetButtonInfo(&info);

  if ((mode == ModeInstall || mode == ModeShortcut || mode == ModeInstalled) &&
      info.updateFlag == 1 && CheckUpdate(m_szUpdateUrl, &m_strUpdateToken)) {
    // Either way this process ends: the new executable, when it was swapped
    // in, starts from the same path; otherwise the next start tries again.
    if (RunUpdate(m_szUpdateUrl, m_strUpdateToken)) StartProcess(nullptr);
    return FALSE;
  }

  Gdiplus::GdiplusStartupInput gdiplusInput;
  Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplusInput, nullptr);

  return RunMode(mode, info.caption, info.link);
}

BOOL CWayloft3App::RunMode(LaunchMode mode, const std::wstring& caption, const std::wstring& link) {
  switch (mode) {
    case ModeInstall:
      Install();
      SendInstallReport();
      ::WaitForSingleObject(m_hReportDone, INFINITE);
      return FALSE;
    case ModeWebHall: {
      const std::wstring hall = std::wstring(L"http://") + HallHost + L"/";
      ::ShellExecuteW(nullptr, L"open", hall.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
      SendWebHallReport();
      ::WaitForSingleObject(m_hReportDone, INFINITE);
      return FALSE;
    }
    case ModeShortcut:
    case ModeInstalled:
      // The activity report goes on in the background while the window runs.
      SendActivityReport();
      break;
    default:
      break;
  }

  SetCacheLimit();

  if (mode == ModeShortcut || mode == ModeInstalled || mode == ModeUpdate) {
    // The main window's preload login window hosts a browser too.
    AfxOleInit();
    CWayloft3Dlg dlg;
    dlg.SetCaptionLink(caption.substr(0, 127), link.substr(0, 1023));
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
  }

  // Modes 6 and 7: a login process or a hall frame, hosting web pages.
  if (!AfxOleInit()) {
    ShowMessageBox(nullptr, L"初始化OLE库失败", MB_OK);
    return FALSE;
  }
  if (mode == ModeNewWindow) {
    CLoginBkDlg login(MainWndHandle);
    if (!LoginGoesOn(login.DoModal())) {
      // The main window reads this as a login that gave up.
      ::PostMessageW(MainWndHandle, WM_SYSCOMMAND, SC_CLOSE, kSyntheticMarker);
      return FALSE;
    }
  }
  m_pDocTemplate.reset(new CSingleDocTemplate(
      IDR_MAINFRAME, [] { return new CGmWndDoc; }, [] { return new CMainFrame; },
      [] { return new CGmWndView; }));
  // Every argument the client passes begins with "/" and is no shell command:
  // the command line always asks for a new document.
  CFrameWnd* frame = m_pDocTemplate->OpenDocumentFile();
  if (!frame) return FALSE;
  m_pMainWnd = frame;
  frame->SetWindowText(kMainWindowTitle);
  // Shown in its tab once its page has loaded.
  frame->ShowWindow(SW_HIDE);
  ::UpdateWindow(frame->m_hWnd);
  return TRUE;
}

int CWayloft3App::ExitInstance() {
  // The game frame's browser goes before OLE and GDI+ do.
  m_pDocTemplate.reset();
  if (m_hReportStarted) ::CloseHandle(m_hReportStarted);
  if (m_hReportDone) ::CloseHandle(m_hReportDone);
  m_hReportStarted = m_hReportDone = nullptr;
  if (m_gdiplusToken) {
    Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
  }
  return CWinApp::ExitInstance();
}
