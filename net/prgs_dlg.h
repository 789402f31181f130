// The update window: a small skinned, topmost window with a progress bar
// while the new executable downloads. Closing it cancels the download.
#pragma once

#include <windows.h>

#include <atomic>

#include "net/http.h"
#include "ui/dlg_ex.h"
#include "ui/img_progress.h"

class CPrgsDlg : public CDlgEx {
 public:
  CPrgsDlg();
  ~CPrgsDlg() override;

  // Runs the window until the download has ended or was cancelled, then
  // makes sure no worker, file or connection is left. True only for a
  // complete download that nobody cancelled.
  bool RunDownload();

  CImgProgress m_progress;
  // Download address and target file.
  wchar_t m_szUrl[512] = {};
  wchar_t m_szPath[MAX_PATH] = {};
  HANDLE m_hDownloadThread = nullptr;
  HANDLE m_hWaitThread = nullptr;
  // Set when the whole announced length has arrived.
  std::atomic<LONG> m_bSucceeded{0};
  // The download's connection; its target file is open only inside the
  // download worker.
  HttpDownload m_download;

 protected:
  BOOL OnInitDialog() override;
  // Enter does not end the download.
  void OnOK() override {}
  // Esc and the caption's close button cancel.
  void OnCancel() override;

 private:
  static DWORD WINAPI DownloadThread(LPVOID self);
  static DWORD WINAPI WaitThread(LPVOID self);
  // Cancels the download and waits for both workers, serving the progress
  // updates they may still send meanwhile.
  void StopWorkers();

  std::atomic<bool> m_bCancelled{false};
};
