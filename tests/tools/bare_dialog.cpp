// The yardstick of the start-up benchmark: a program that does nothing but
// open one dialog from its template, built with the client's toolchain and
// options.
#include <windows.h>

namespace {

INT_PTR CALLBACK Proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(dialog, 0);
    return TRUE;
  }
  return msg == WM_INITDIALOG;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  return static_cast<int>(::DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, Proc, 0));
}
