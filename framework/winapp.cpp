#include "framework/winapp.h"

#include <ole2.h>

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() {
  g_app = this;
}

CWinApp* AfxGetApp() {
  return g_app;
}

HINSTANCE AfxGetInstanceHandle() {
  return g_app && g_app->m_hInstance ? g_app->m_hInstance : ::GetModuleHandleW(nullptr);
}

BOOL AfxPreTranslateMessage(HWND stop, MSG* pMsg) {
  if (WalkPreTranslateTree(stop, pMsg)) return TRUE;
  // The main window sees every message of its thread, also those of windows
  // outside its own tree (message boxes, the preload login window).
  CWnd* main = g_app ? g_app->m_pMainWnd : nullptr;
  if (main && main->m_hWnd && pMsg->hwnd != main->m_hWnd && !::IsChild(main->m_hWnd, pMsg->hwnd) &&
      main->PreTranslateMessage(pMsg)) {
    return TRUE;
  }
  return g_app && g_app->PreTranslateMessage(pMsg);
}

BOOL AfxOleInit() {
  if (!g_app) return FALSE;
  if (g_app->m_bOleInitialized) return TRUE;
  if (FAILED(::OleInitialize(nullptr))) return FALSE;
  g_app->m_bOleInitialized = true;
  return TRUE;
}

int CWinApp::ExitInstance() {
  if (m_bOleInitialized) {
    ::OleUninitialize();
    m_bOleInitialized = false;
  }
  return m_nExitCode;
}

int CWinApp::Run() {
  MSG msg;
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    HWND stop = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (!AfxPreTranslateMessage(stop, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  m_nExitCode = static_cast<int>(msg.wParam);
  return ExitInstance();
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  app->m_hInstance = hInstance;
  app->m_nCmdShow = nCmdShow;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}
