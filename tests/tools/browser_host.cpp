// Console helper for the end-to-end tests: hosts the real WebBrowser control
// in a CDHtmDlgEx (the dialog base of the login window) and loads the
// addresses given on the command line one after the other, printing what the
// browser reported as one JSON object a line (UTF-8).
//
//   browser_host [--stay] URL...
//
// Each address is loaded once the previous one has settled: its navigation
// was cancelled, failed, or nothing more happened for a few seconds. Without
// --stay the dialog ends after the last one; with it, the dialog stays until
// it is closed, so that a test can look at its windows.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "print_utf8.h"

#include "browser/dhtm_dlg_ex.h"
#include "framework/winapp.h"
#include "res/resource.h"

namespace {

constexpr UINT kNext = WM_APP + 1;
constexpr UINT_PTR kSettleTimer = 1;

std::wstring Handle(HWND h) {
  return std::to_wstring(reinterpret_cast<UINT_PTR>(h));
}

class CHostDlg : public CDHtmDlgEx {
 public:
  CHostDlg(std::vector<std::wstring> urls, bool stay)
      : CDHtmDlgEx(IDD_WEBPAGE), m_urls(std::move(urls)), m_bStay(stay) {}

 protected:
  BOOL OnInitDialog() override {
    CDHtmDlgEx::OnInitDialog();
    ::SetWindowTextW(m_hWnd, L"TolvBrowserHost");
    PrintLine(L"{\"event\":\"init\",\"hwnd\":" + Handle(m_hWnd) + L",\"browser\":" +
              Handle(GetBrowserWindow()) + L",\"created\":" + (m_pBrowserApp ? L"true" : L"false") +
              L"}");
    PostMessage(kNext);
    return TRUE;
  }

  // The dialog base's own filter decides; this only reports its decision.
  void OnBeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                         VARIANT* PostData, VARIANT* Headers, BOOL* Cancel) {
    const BOOL proposed = *Cancel;
    OnNavigateFilter(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel);
    PrintLine(L"{\"event\":\"before\",\"url\":" + JsonString(VariantText(URL)) + L",\"proposed\":" +
              (proposed ? L"true" : L"false") + L",\"cancel\":" + (*Cancel ? L"true" : L"false") +
              L"}");
    // A cancelled navigation has nothing more to say; give it a moment to
    // prove that, then go on.
    if (*Cancel) ::SetTimer(m_hWnd, kSettleTimer, 1000, nullptr);
  }

  void OnNavigateError(IDispatch* pDisp, VARIANT* URL, VARIANT* TargetFrameName,
                       VARIANT* StatusCode, BOOL* Cancel) override {
    CDHtmDlgEx::OnNavigateError(pDisp, URL, TargetFrameName, StatusCode, Cancel);
    long status = 0;
    if (StatusCode && V_VT(StatusCode) == VT_I4) status = V_I4(StatusCode);
    PrintLine(L"{\"event\":\"error\",\"url\":" + JsonString(VariantText(URL)) + L",\"status\":" +
              std::to_wstring(static_cast<unsigned long>(status)) + L",\"cancel\":" +
              (*Cancel ? L"true" : L"false") + L"}");
    ::SetTimer(m_hWnd, kSettleTimer, 300, nullptr);
  }

  void OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) override {
    CDHtmDlgEx::OnNavigateComplete(pDisp, szUrl);
    PrintLine(L"{\"event\":\"complete\",\"url\":" + JsonString(szUrl) + L"}");
  }

  LRESULT OnNext(WPARAM, LPARAM) {
    ::KillTimer(m_hWnd, kSettleTimer);
    if (m_nNext < m_urls.size()) {
      const std::wstring& url = m_urls[m_nNext++];
      PrintLine(L"{\"event\":\"navigate\",\"url\":" + JsonString(url) + L"}");
      // Whatever happens, move on after a while.
      ::SetTimer(m_hWnd, kSettleTimer, 4000, nullptr);
      Navigate(url.c_str());
      return 0;
    }
    BSTR location = nullptr;
    if (m_pBrowserApp) m_pBrowserApp->get_LocationURL(&location);
    PrintLine(L"{\"event\":\"ready\",\"location\":" + JsonString(location ? location : L"") + L"}");
    ::SysFreeString(location);
    if (!m_bStay) EndDialog(IDOK);
    return 0;
  }

  LRESULT OnTimer(WPARAM id, LPARAM) {
    if (id == kSettleTimer) {
      ::KillTimer(m_hWnd, kSettleTimer);
      PostMessage(kNext);
    }
    return 0;
  }

 private:
  std::vector<std::wstring> m_urls;
  size_t m_nNext = 0;
  bool m_bStay;

  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()
};

BEGIN_MESSAGE_MAP(CHostDlg, CDHtmDlgEx)
  // Load the next address.
  ON_MESSAGE(kNext, OnNext)
  // The current navigation has settled.
  ON_MESSAGE(WM_TIMER, OnTimer)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CHostDlg, CDHtmDlgEx)
  ON_EVENT_BEFORENAVIGATE2(AFX_IDC_BROWSER, OnBeforeNavigate2)
END_EVENTSINK_MAP()

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> urls;
  bool stay = false;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--stay") {
      stay = true;
    } else {
      urls.emplace_back(argv[i]);
    }
  }
  if (FAILED(::OleInitialize(nullptr))) return 3;
  INT_PTR result;
  {
    CHostDlg dlg(urls, stay);
    result = dlg.DoModal();
  }
  PrintLine(L"{\"event\":\"end\",\"result\":" + std::to_wstring(static_cast<long long>(result)) +
            L"}");
  ::OleUninitialize();
  return 0;
}
