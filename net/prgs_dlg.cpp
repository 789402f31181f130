#include "net/prgs_dlg.h"

#include <commctrl.h>

#include "framework/winapp.h"
#include "res/resource.h"
#include "ui/image_load.h"

namespace {

// Waits for `handle` while serving messages that other threads send to this
// thread's windows, so that a worker blocked in SendMessage cannot deadlock
// the wait. Every round closes the download's connection again, in case the
// worker opened a handle after the previous round.
void WaitServingSent(HANDLE handle, HttpDownload* download) {
  for (;;) {
    download->Cancel();
    const DWORD r = ::MsgWaitForMultipleObjects(1, &handle, FALSE, 100, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) return;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

CPrgsDlg::CPrgsDlg() : CDlgEx(IDD_PROGRESS) {}

CPrgsDlg::~CPrgsDlg() {
  StopWorkers();
}

bool CPrgsDlg::RunDownload() {
  m_bCancelled = false;
  m_bSucceeded = 0;
  const INT_PTR result = DoModal();
  StopWorkers();
  return result == IDOK && m_bSucceeded && !m_bCancelled;
}

BOOL CPrgsDlg::OnInitDialog() {
  CDlgEx::OnInitDialog();
  SetFrameMetrics(30, 4, 0, 0, 0);
  SetCaptionText(L"BrindloTolvane,微端版本更新中...");
  HMODULE module = AfxGetInstanceHandle();
  SetSkin(LoadResourceImage(module, IDB_DLG_BACK), FALSE, TRUE,
          LoadResourceImage(module, IDB_CAPTION_CLOSE), nullptr, nullptr, nullptr);
  // Centred on the desktop and above every other window.
  RECT desktop, r;
  ::GetWindowRect(::GetDesktopWindow(), &desktop);
  ::GetWindowRect(m_hWnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  ::SetWindowPos(m_hWnd, nullptr, desktop.left + (desktop.right - desktop.left - w) / 2,
                 desktop.top + (desktop.bottom - desktop.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  m_progress.SubclassDlgItem(IDC_PROGRESS, m_hWnd);
  m_progress.SetImages(LoadResourceImage(module, IDB_PROGRESS_BACK),
                       LoadResourceImage(module, IDB_PROGRESS_BAR));
  // The bar takes its track's size; it stays centred as the template's
  // margins have it, whatever the dialog font makes of them.
  RECT client, bar;
  ::GetClientRect(m_hWnd, &client);
  ::GetWindowRect(m_progress.m_hWnd, &bar);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&bar), 2);
  ::SetWindowPos(m_progress.m_hWnd, nullptr, (client.right - (bar.right - bar.left)) / 2, bar.top,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(m_progress.m_hWnd, PBM_SETRANGE32, 0, 100);

  m_hDownloadThread = ::CreateThread(nullptr, 0, DownloadThread, this, 0, nullptr);
  if (m_hDownloadThread) m_hWaitThread = ::CreateThread(nullptr, 0, WaitThread, this, 0, nullptr);
  // Without its workers the window would wait for ever.
  if (!m_hWaitThread) OnCancel();
  return TRUE;
}

DWORD WINAPI CPrgsDlg::DownloadThread(LPVOID param) {
  CPrgsDlg* self = static_cast<CPrgsDlg*>(param);
  HWND bar = self->m_progress.m_hWnd;
  const int ok = self->m_download.Update(self->m_szUrl, self->m_szPath, [self, bar](int percent) {
    if (!self->m_bCancelled) ::SendMessageW(bar, PBM_SETPOS, percent, 0);
  });
  self->m_bSucceeded = ok;
  return 0;
}

DWORD WINAPI CPrgsDlg::WaitThread(LPVOID param) {
  CPrgsDlg* self = static_cast<CPrgsDlg*>(param);
  ::WaitForSingleObject(self->m_hDownloadThread, INFINITE);
  if (!self->m_bCancelled) self->EndDialog(self->m_bSucceeded ? IDOK : IDCANCEL);
  return 0;
}

void CPrgsDlg::OnCancel() {
  // The window goes at once; the download stops, and RunDownload waits for
  // its workers before anything else happens.
  m_bCancelled = true;
  m_download.Cancel();
  EndDialog(IDCANCEL);
}

void CPrgsDlg::StopWorkers() {
  if (m_hDownloadThread) {
    // A download still running when the window has ended was cancelled.
    if (::WaitForSingleObject(m_hDownloadThread, 0) == WAIT_TIMEOUT) {
      m_bCancelled = true;
      WaitServingSent(m_hDownloadThread, &m_download);
    }
  }
  // The wait thread may still be looking at the download thread's handle:
  // both handles are closed only once both threads are gone.
  if (m_hWaitThread) {
    ::WaitForSingleObject(m_hWaitThread, INFINITE);
    ::CloseHandle(m_hWaitThread);
    m_hWaitThread = nullptr;
  }
  if (m_hDownloadThread) {
    ::CloseHandle(m_hDownloadThread);
    m_hDownloadThread = nullptr;
  }
  m_download.Cancel();
}
