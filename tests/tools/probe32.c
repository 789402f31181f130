/* Whether this machine runs 32-bit Windows programs: scripts/test builds this
 * with the i686 toolchain and runs it under 32-bit Wine before it decides
 * which build the end-to-end tests run against. Only the exact line and exit
 * code below count as yes; a loader that cannot start, a prefix that is not
 * usable or a window system that does not answer all read as no. */
#include <windows.h>

#include <stdio.h>

static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, msg, wParam, lParam);
}

int main(void) {
  SYSTEM_INFO info;
  WNDCLASSW cls = {0};
  HWND window;
  GetSystemInfo(&info);
  if (sizeof(void*) != 4 || info.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL) return 1;
  /* The end-to-end tests need windows: one is created on the display. */
  cls.lpfnWndProc = Proc;
  cls.hInstance = GetModuleHandleW(NULL);
  cls.lpszClassName = L"TolvProbe32";
  if (!RegisterClassW(&cls)) return 2;
  window = CreateWindowExW(0, cls.lpszClassName, L"probe", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                           cls.hInstance, NULL);
  if (!window) return 3;
  DestroyWindow(window);
  printf("tolv-probe32: i686 ok\n");
  fflush(stdout);
  return 32;
}
