// The application object: one static instance per program, derived from
// CWinApp, whose InitInstance decides what the process does.
#pragma once

#include "framework/wnd.h"

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // True: run the message loop (Run) until WM_QUIT. False: end the process.
  virtual BOOL InitInstance() { return TRUE; }
  // Runs on every way out; its result is the process's exit code.
  virtual int ExitInstance();
  // The message loop of a process whose InitInstance returned true.
  virtual int Run();
  // Offered every queued message after the window chain declined it.
  virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

  HINSTANCE m_hInstance = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;
  // The window whose end ends the message loop.
  CWnd* m_pMainWnd = nullptr;

 protected:
  int m_nExitCode = 0;
  bool m_bOleInitialized = false;
  friend BOOL AfxOleInit();
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// Offers a queued message to the window chain up to `stop`, then to the app.
BOOL AfxPreTranslateMessage(HWND stop, MSG* pMsg);
// Initialises OLE for this thread once; uninitialised by ExitInstance.
BOOL AfxOleInit();
