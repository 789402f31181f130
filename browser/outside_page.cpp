#include "browser/outside_page.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include "base/process_values.h"
#include "base/web_address.h"
#include "framework/com_ptr.h"

namespace {

OutsideStarters g_starters = {StartAsDesktopUser, StartAsThisProcess};

// {4C96BE40-915C-11CF-99D3-00AA004AE837}: the service of the top-level
// shell browser, declared here rather than taken from a header that may
// lack it.
const GUID kTopLevelBrowser = {
    0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};

// A variant holding a copy of `text`; cleared by the caller.
VARIANT TextVariant(const std::wstring& text) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return v;
}

// The shell's automation object of the desktop window's view: it belongs to
// the desktop's Explorer and starts programs as Explorer's user.
CComPtr<IShellDispatch2> DesktopShell() {
  CComPtr<IShellDispatch2> shell;
  CComPtr<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                reinterpret_cast<void**>(&windows)))) {
    return shell;
  }
  VARIANT desktopFolder, none;
  ::VariantInit(&desktopFolder);
  ::VariantInit(&none);
  V_VT(&desktopFolder) = VT_I4;
  V_I4(&desktopFolder) = CSIDL_DESKTOP;
  long hwnd = 0;
  CComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&desktopFolder, &none, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH,
                            &desktop) != S_OK ||
      !desktop) {
    return shell;
  }
  CComPtr<IServiceProvider> services;
  CComPtr<IShellBrowser> browser;
  CComPtr<IShellView> view;
  CComPtr<IDispatch> background;
  CComPtr<IShellFolderViewDual> folderView;
  CComPtr<IDispatch> application;
  if (FAILED(desktop.QueryInterface(&services)) ||
      FAILED(services->QueryService(kTopLevelBrowser, IID_IShellBrowser,
                                    reinterpret_cast<void**>(&browser))) ||
      !browser || FAILED(browser->QueryActiveShellView(&view)) || !view ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                 reinterpret_cast<void**>(&background))) ||
      !background || FAILED(background.QueryInterface(&folderView)) ||
      FAILED(folderView->get_Application(&application)) || !application) {
    return shell;
  }
  application.QueryInterface(&shell);
  return shell;
}

}  // namespace

bool StartAsDesktopUser(const OutsideStart& start) {
  // No test shows elevation: Explorer runs unelevated, and so does what it starts.
  // The calls wait for Explorer's thread, as any shell start does.
  CComPtr<IShellDispatch2> shell = DesktopShell();
  if (!shell) return false;
  BSTR file = ::SysAllocStringLen(start.file.data(), static_cast<UINT>(start.file.size()));
  VARIANT args = TextVariant(start.parameters), dir = TextVariant(L""), verb = TextVariant(L"open"),
          show;
  ::VariantInit(&show);
  V_VT(&show) = VT_I4;
  V_I4(&show) = start.show;
  const bool started = file && SUCCEEDED(shell->ShellExecute(file, args, dir, verb, show));
  ::SysFreeString(file);
  for (VARIANT* v : {&args, &dir, &verb}) ::VariantClear(v);
  return started;
}

bool StartAsThisProcess(const OutsideStart& start) {
  if (start.program) {
    std::wstring line = L"\"" + start.file + L"\"";
    if (!start.parameters.empty()) line += L" " + start.parameters;
    return StartCommandLine(line);
  }
  const HINSTANCE result = ::ShellExecuteW(
      nullptr, L"open", start.file.c_str(),
      start.parameters.empty() ? nullptr : start.parameters.c_str(), nullptr, start.show);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

OutsideStarters SetOutsideStarters(const OutsideStarters& starters) {
  const OutsideStarters before = g_starters;
  g_starters = starters;
  return before;
}

bool StartOutside(const OutsideStart& start) {
  if (g_starters.asDesktopUser && g_starters.asDesktopUser(start)) return true;
  return g_starters.asThisProcess && g_starters.asThisProcess(start);
}

bool OpenInDefaultBrowser(const std::wstring& url, int show) {
  const WebAddress web = CheckWebAddress(url);
  if (!web.ok) return false;
  OutsideStart start;
  start.file = web.address;
  start.show = show;
  return StartOutside(start);
}
