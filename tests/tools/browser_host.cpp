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

#include "browser/dhtm_dlg_ex.h"
#include "framework/winapp.h"
#include "res/resource.h"

namespace {

constexpr UINT kNext = WM_APP + 1;
constexpr UINT_PTR kSettleTimer = 1;

void Print(const std::wstring& line) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.back() = '\n';
  fwrite(out.data(), 1, out.size(), stdout);
  fflush(stdout);
}

std::wstring Json(const std::wstring& s) {
  std::wstring out = L"\"";
  for (wchar_t c : s) {
    if (c == L'"' || c == L'\\') {
      out += L'\\';
      out += c;
    } else if (c < 0x20) {
      wchar_t buf[8];
      swprintf(buf, 8, L"\\u%04x", c);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + L"\"";
}

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
    Print(L"{\"event\":\"init\",\"hwnd\":" + Handle(m_hWnd) + L",\"browser\":" +
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
    Print(L"{\"event\":\"before\",\"url\":" + Json(VariantText(URL)) + L",\"proposed\":" +
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
    Print(L"{\"event\":\"error\",\"url\":" + Json(VariantText(URL)) + L",\"status\":" +
          std::to_wstring(static_cast<unsigned long>(status)) + L",\"cancel\":" +
          (*Cancel ? L"true" : L"false") + L"}");
    ::SetTimer(m_hWnd, kSettleTimer, 300, nullptr);
  }

  void OnNavigateComplete(IDispatch* pDisp, const wchar_t* szUrl) override {
    CDHtmDlgEx::OnNavigateComplete(pDisp, szUrl);
    Print(L"{\"event\":\"complete\",\"url\":" + Json(szUrl) + L"}");
  }

  LRESULT OnNext(WPARAM, LPARAM) {
    ::KillTimer(m_hWnd, kSettleTimer);
    if (m_nNext < m_urls.size()) {
      const std::wstring& url = m_urls[m_nNext++];
      Print(L"{\"event\":\"navigate\",\"url\":" + Json(url) + L"}");
      // Whatever happens, move on after a while.
      ::SetTimer(m_hWnd, kSettleTimer, 4000, nullptr);
      Navigate(url.c_str());
      return 0;
    }
    BSTR location = nullptr;
    if (m_pBrowserApp) m_pBrowserApp->get_LocationURL(&location);
    Print(L"{\"event\":\"ready\",\"location\":" + Json(location ? location : L"") + L"}");
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
  Print(L"{\"event\":\"end\",\"result\":" + std::to_wstring(static_cast<long long>(result)) + L"}");
  ::OleUninitialize();
  return 0;
}
