// Console helper for the end-to-end tests: finds windows of the running Wine
// session and sends them messages, printing one JSON object a line (UTF-8).
//
//   wintool windows                 every top-level window
//   wintool desktop                 the desktop window
//   wintool children HWND           the child windows of HWND
//   wintool post HWND MSG WP LP     PostMessage (numbers in decimal)
//   wintool send HWND MSG WP LP     SendMessage with a 5 s limit; prints the result
//   wintool click HWND ID           clicks the button ID of dialog HWND
//   wintool text HWND               the text a control holds (WM_GETTEXT; edits
//                                   keep theirs apart from the window's title)
//   wintool focus                   the window with the keyboard focus
//   wintool foreground              the foreground window
//   wintool copydata HWND TEXT      sends TEXT as a login hand-off; prints the answer
//   wintool copybytes HWND HEX      sends the bytes HEX ("0000") as a hand-off record
//   wintool handoffs HWND PREFIX N  sends N hand-offs PREFIX-1 .. PREFIX-N at once;
//                                   prints how many were accepted
//   wintool postmany HWND MSG WP LP N   posts the message N times at once
//   wintool postreg HWND NAME       posts the registered message NAME (0 / 0), as
//                                   Explorer broadcasts "TaskbarCreated"
//   wintool trayremove HWND ID      deletes tray icon ID of HWND, as a restarting
//                                   Explorer forgets every icon
//   wintool kill PID                ends process PID at once, as a crash would
//   wintool frame MAIN [hall]       plays a game frame: registers with MAIN, becomes
//                                   its child, prints its handle, ends on SC_CLOSE;
//                                   prints {"reload":1} when told to reload the hotkeys,
//                                   {"sound":N} when the sound state changes and
//                                   {"key":VK,...} for keys passed on to it and
//                                   {"focused":1} when it takes the keyboard;
//                                   WM_APP + 0x50 keeps it from answering for
//                                   wParam milliseconds
//   wintool window                  another program's window on the desktop (visible,
//                                   top-level); prints its handle and {"key":VK} for
//                                   each key pressed in it, ends when closed
//   wintool move HWND X Y W H       SetWindowPos; prints the window as it ended up
//   wintool shortcut LNK            what the shell link LNK holds
//   wintool cookie URL DATA         stores a cookie in WinINet's cookie store
//   wintool cookies URL             the cookies WinINet holds for URL
//   wintool resources PID           what process PID holds: GDI and USER objects
//                                   (GetGuiResources; -1 where the system does not
//                                   count them), kernel handles, private bytes
//                                   (the commit charge) and the working set
//   wintool hold PATH               holds PATH open as a running program's image is
//                                   held (no delete sharing: it can be neither
//                                   replaced nor deleted); prints {"held":1}, then
//                                   waits until it is ended
//   wintool htmldialog SECONDS      opens an Internet Explorer HTML dialog window,
//                                   prints its handle, and after SECONDS whether it
//                                   was closed
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "print_utf8.h"

namespace {

std::wstring Num(unsigned long long v) {
  return std::to_wstring(v);
}

std::wstring ProcessImage(DWORD pid) {
  HANDLE p = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!p) return L"";
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  ::QueryFullProcessImageNameW(p, 0, path, &size);
  ::CloseHandle(p);
  return path;
}

std::wstring Describe(HWND h) {
  wchar_t title[512] = {}, cls[256] = {};
  ::GetWindowTextW(h, title, 512);
  ::GetClassNameW(h, cls, 256);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  RECT r = {};
  ::GetWindowRect(h, &r);
  POINT origin = {0, 0};
  ::ClientToScreen(h, &origin);
  const LONG style = ::GetWindowLongW(h, GWL_STYLE);
  const LONG exStyle = ::GetWindowLongW(h, GWL_EXSTYLE);
  return L"{\"hwnd\":" + Num(reinterpret_cast<UINT_PTR>(h)) + L",\"pid\":" + Num(pid) +
         L",\"image\":" + JsonString(ProcessImage(pid)) + L",\"class\":" + JsonString(cls) +
         L",\"title\":" + JsonString(title) + L",\"visible\":" +
         (::IsWindowVisible(h) ? L"true" : L"false") + L",\"enabled\":" +
         (::IsWindowEnabled(h) ? L"true" : L"false") + L",\"id\":" +
         Num(static_cast<unsigned>(::GetDlgCtrlID(h))) + L",\"style\":" +
         Num(static_cast<DWORD>(style)) + L",\"exstyle\":" + Num(static_cast<DWORD>(exStyle)) +
         L",\"parent\":" + Num(reinterpret_cast<UINT_PTR>(::GetAncestor(h, GA_PARENT))) +
         L",\"owner\":" + Num(reinterpret_cast<UINT_PTR>(::GetWindow(h, GW_OWNER))) +
         L",\"rect\":[" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," +
         std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom) + L"],\"client\":[" +
         std::to_wstring(origin.x) + L"," + std::to_wstring(origin.y) + L"]}";
}

BOOL CALLBACK PrintWindow(HWND h, LPARAM) {
  PrintLine(Describe(h));
  return TRUE;
}

HWND Handle(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(text, nullptr, 10)));
}

UINT_PTR Number(const wchar_t* text) {
  return static_cast<UINT_PTR>(_wcstoi64(text, nullptr, 10));
}

// A stand-in game frame: registers like the real one and lives until the main
// window closes its tab.
LRESULT CALLBACK FrameProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if ((msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_CLOSE) || msg == WM_CLOSE) {
    ::DestroyWindow(h);
    return 0;
  }
  if (msg == WM_DESTROY) ::PostQuitMessage(0);
  // The main window passes on changed hotkeys (WM_USER + 7).
  if (msg == WM_USER + 7) {
    PrintLine(L"{\"reload\":1}");
    return 0;
  }
  // A game that stops answering (a hung plug-in): the thread is busy for
  // wParam milliseconds (WM_APP + 0x50).
  if (msg == WM_APP + 0x50) {
    ::Sleep(static_cast<DWORD>(wp));
    return 0;
  }
  // A click into the game takes the keyboard, as the page would.
  if (msg == WM_LBUTTONDOWN) ::SetFocus(h);
  if (msg == WM_SETFOCUS) {
    PrintLine(L"{\"focused\":1}");
    return 0;
  }
  // The sound state, every 400 ms: printed when it changes.
  static long long lastSound = -1;
  if (msg == WM_USER + 5) {
    if (static_cast<long long>(wp) != lastSound) {
      lastSound = static_cast<long long>(wp);
      PrintLine(L"{\"sound\":" + Num(wp) + L",\"tick\":" + Num(::GetTickCount()) + L"}");
    }
    return 0;
  }
  // Keys the main window passes on (F5 of the menu, Ctrl+D).
  if (msg == WM_KEYDOWN || msg == WM_CHAR) {
    PrintLine(L"{\"key\":" + Num(wp) + L",\"message\":" + Num(msg) + L",\"lparam\":" +
              Num(static_cast<UINT_PTR>(lp)) + L"}");
    return 0;
  }
  return ::DefWindowProcW(h, msg, wp, lp);
}

// Sends `size` bytes at `data` to `target` as a login hand-off and prints the
// answer; 1 when the window did not answer.
int SendRecord(HWND target, const void* data, DWORD size) {
  COPYDATASTRUCT record = {0, size, const_cast<void*>(data)};
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record),
                             SMTO_ABORTIFHUNG, 5000, &result)) {
    return 1;
  }
  PrintLine(L"{\"result\":" + Num(result) + L"}");
  return 0;
}

int PlayFrame(HWND main, bool hall) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TolvTestFrame";
  ::RegisterClassW(&wc);
  HWND frame = ::CreateWindowExW(0, wc.lpszClassName, L"BrindloTolvane", WS_OVERLAPPEDWINDOW, 0, 0,
                                 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
  if (!frame) return 1;
  ::PostMessageW(main, WM_USER + 2, reinterpret_cast<WPARAM>(frame), hall ? 1 : 0);
  ::SetWindowLongW(frame, GWL_STYLE, WS_CHILD | WS_CLIPCHILDREN);
  ::SetParent(frame, main);
  PrintLine(L"{\"frame\":" + Num(reinterpret_cast<UINT_PTR>(frame)) + L"}");
  fflush(stdout);
  MSG m;
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  return 0;
}

LRESULT CALLBACK OtherProgramProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) ::PostQuitMessage(0);
  // The keys the player types into it, as they arrive.
  if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) PrintLine(L"{\"key\":" + Num(wp) + L"}");
  return ::DefWindowProcW(h, msg, wp, lp);
}

// A program the player has open beside the client: it takes the keyboard
// when the client hides, as any other window on the desktop would.
int ShowOtherProgram() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = OtherProgramProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TolvOtherProgram";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  ::RegisterClassW(&wc);
  HWND window =
      ::CreateWindowExW(0, wc.lpszClassName, L"TolvOtherProgram", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        1000, 800, 240, 160, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return 1;
  PrintLine(L"{\"hwnd\":" + Num(reinterpret_cast<UINT_PTR>(window)) + L"}");
  fflush(stdout);
  MSG m;
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) ::DispatchMessageW(&m);
  return 0;
}

// An HTML dialog of another program than the client: prints whether anyone
// closed it within `seconds`.
int HoldHtmlDialog(double seconds) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Internet Explorer_TridentDlgFrame";
  ::RegisterClassW(&wc);
  HWND dialog = ::CreateWindowExW(0, wc.lpszClassName, L"网页对话框", WS_POPUP | WS_VISIBLE, 0, 0,
                                  120, 80, nullptr, nullptr, wc.hInstance, nullptr);
  if (!dialog) return 1;
  PrintLine(L"{\"hwnd\":" + Num(reinterpret_cast<UINT_PTR>(dialog)) + L"}");
  fflush(stdout);
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < static_cast<DWORD>(seconds * 1000)) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
    ::Sleep(10);
  }
  PrintLine(std::wstring(L"{\"closed\":") + (::IsWindow(dialog) ? L"0" : L"1") + L"}");
  return 0;
}

// Counted from outside, as a leak hunter on Windows would with Task
// Manager's columns. Wine does not count GDI and USER objects (its
// GetGuiResources fails with ERROR_CALL_NOT_IMPLEMENTED): those print -1.
int PrintResources(DWORD pid) {
  HANDLE p = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!p) return 1;
  auto gui = [p](DWORD which) -> long long {
    ::SetLastError(0);
    const DWORD n = ::GetGuiResources(p, which);
    return n == 0 && ::GetLastError() != 0 ? -1 : static_cast<long long>(n);
  };
  DWORD handles = 0;
  // Wine answers 0 for every process: no count either.
  const bool haveHandles = ::GetProcessHandleCount(p, &handles) && handles > 0;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  ::GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
  PrintLine(L"{\"gdi\":" + std::to_wstring(gui(GR_GDIOBJECTS)) + L",\"user\":" +
            std::to_wstring(gui(GR_USEROBJECTS)) + L",\"handles\":" +
            (haveHandles ? Num(handles) : L"-1") + L",\"private\":" + Num(memory.PagefileUsage) +
            L",\"working_set\":" + Num(memory.WorkingSetSize) + L"}");
  ::CloseHandle(p);
  return 0;
}

int PrintShortcut(const wchar_t* path) {
  ::CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  int rc = 1;
  if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(path, STGM_READ))) {
    wchar_t target[MAX_PATH] = {}, args[MAX_PATH] = {}, dir[MAX_PATH] = {}, desc[MAX_PATH] = {},
            icon[MAX_PATH] = {};
    int iconIndex = -1;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(args, MAX_PATH);
    link->GetWorkingDirectory(dir, MAX_PATH);
    link->GetDescription(desc, MAX_PATH);
    link->GetIconLocation(icon, MAX_PATH, &iconIndex);
    PrintLine(L"{\"target\":" + JsonString(target) + L",\"arguments\":" + JsonString(args) +
              L",\"folder\":" + JsonString(dir) + L",\"description\":" + JsonString(desc) +
              L",\"icon\":" + JsonString(icon) + L",\"icon_index\":" + std::to_wstring(iconIndex) +
              L"}");
    rc = 0;
  }
  if (file) file->Release();
  if (link) link->Release();
  ::CoUninitialize();
  return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cmd = argv[1];
  if (cmd == L"windows") {
    ::EnumWindows(PrintWindow, 0);
    return 0;
  }
  if (cmd == L"desktop") {
    PrintLine(Describe(::GetDesktopWindow()));
    return 0;
  }
  if (cmd == L"children" && argc >= 3) {
    ::EnumChildWindows(Handle(argv[2]), PrintWindow, 0);
    return 0;
  }
  if ((cmd == L"post" || cmd == L"send") && argc >= 6) {
    HWND h = Handle(argv[2]);
    const UINT msg = static_cast<UINT>(Number(argv[3]));
    const WPARAM wp = Number(argv[4]);
    const LPARAM lp = static_cast<LPARAM>(Number(argv[5]));
    if (cmd == L"post") {
      if (::PostMessageW(h, msg, wp, lp)) return 0;
      // Why the message went nowhere, for the test that sees nothing happen.
      std::fwprintf(stderr, L"wintool: PostMessageW failed, error %lu\n", ::GetLastError());
      return 1;
    }
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result)) return 1;
    PrintLine(L"{\"result\":" + Num(result) + L"}");
    return 0;
  }
  if (cmd == L"click" && argc >= 4) {
    HWND dlg = Handle(argv[2]);
    const int id = static_cast<int>(Number(argv[3]));
    HWND button = ::GetDlgItem(dlg, id);
    if (!button) return 1;
    return ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(button))
               ? 0
               : 1;
  }
  if (cmd == L"focus") {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(0, &info);
    PrintLine(L"{\"focus\":" + Num(reinterpret_cast<UINT_PTR>(info.hwndFocus)) + L"}");
    return 0;
  }
  if (cmd == L"foreground") {
    PrintLine(L"{\"hwnd\":" + Num(reinterpret_cast<UINT_PTR>(::GetForegroundWindow())) + L"}");
    return 0;
  }
  if (cmd == L"text" && argc >= 3) {
    wchar_t text[1024] = {};
    DWORD_PTR got = 0;
    if (!::SendMessageTimeoutW(Handle(argv[2]), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                               SMTO_ABORTIFHUNG, 5000, &got)) {
      return 1;
    }
    PrintLine(L"{\"text\":" + JsonString(text) + L"}");
    return 0;
  }
  if (cmd == L"copydata" && argc >= 4) {
    const std::wstring text = argv[3];
    return SendRecord(Handle(argv[2]), text.c_str(),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  if (cmd == L"copybytes" && argc >= 4) {
    const std::wstring hex = argv[3];
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
      bytes += static_cast<char>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16));
    }
    return SendRecord(Handle(argv[2]), bytes.empty() ? nullptr : &bytes[0],
                      static_cast<DWORD>(bytes.size()));
  }
  if (cmd == L"handoffs" && argc >= 5) {
    const long count = static_cast<long>(Number(argv[4]));
    long accepted = 0;
    for (long i = 1; i <= count; ++i) {
      const std::wstring text = std::wstring(argv[3]) + L"-" + std::to_wstring(i);
      COPYDATASTRUCT record = {0, static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                               const_cast<wchar_t*>(text.c_str())};
      DWORD_PTR result = 0;
      if (::SendMessageTimeoutW(Handle(argv[2]), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record),
                                SMTO_ABORTIFHUNG, 5000, &result) &&
          result == 1) {
        ++accepted;
      }
    }
    PrintLine(L"{\"accepted\":" + Num(accepted) + L"}");
    return 0;
  }
  if (cmd == L"postmany" && argc >= 7) {
    HWND h = Handle(argv[2]);
    const UINT msg = static_cast<UINT>(Number(argv[3]));
    const WPARAM wp = Number(argv[4]);
    const LPARAM lp = static_cast<LPARAM>(Number(argv[5]));
    const long count = static_cast<long>(Number(argv[6]));
    long posted = 0;
    for (long i = 0; i < count; ++i) posted += ::PostMessageW(h, msg, wp, lp) ? 1 : 0;
    PrintLine(L"{\"posted\":" + Num(posted) + L"}");
    return 0;
  }
  if (cmd == L"postreg" && argc >= 4) {
    const UINT msg = ::RegisterWindowMessageW(argv[3]);
    return msg && ::PostMessageW(Handle(argv[2]), msg, 0, 0) ? 0 : 1;
  }
  if (cmd == L"trayremove" && argc >= 4) {
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V3_SIZE;
    icon.hWnd = Handle(argv[2]);
    icon.uID = static_cast<UINT>(Number(argv[3]));
    return ::Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 1;
  }
  if (cmd == L"kill" && argc >= 3) {
    HANDLE p = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(Number(argv[2])));
    const bool ended = p && ::TerminateProcess(p, 9);
    if (p) ::CloseHandle(p);
    return ended ? 0 : 1;
  }
  if (cmd == L"move" && argc >= 7) {
    // Moves and sizes a window as a user dragging its border would ask for;
    // prints where it ended up.
    HWND h = Handle(argv[2]);
    ::SetWindowPos(h, nullptr, static_cast<int>(Number(argv[3])), static_cast<int>(Number(argv[4])),
                   static_cast<int>(Number(argv[5])), static_cast<int>(Number(argv[6])),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    PrintLine(Describe(h));
    return 0;
  }
  if (cmd == L"cookie" && argc >= 4) {
    return ::InternetSetCookieW(argv[2], nullptr, argv[3]) ? 0 : 1;
  }
  if (cmd == L"cookies" && argc >= 3) {
    wchar_t text[4096] = {};
    DWORD size = 4096;
    if (!::InternetGetCookieW(argv[2], nullptr, text, &size)) text[0] = 0;
    PrintLine(L"{\"cookies\":" + JsonString(text) + L"}");
    return 0;
  }
  if (cmd == L"htmldialog" && argc >= 3) {
    return HoldHtmlDialog(_wtof(argv[2]));
  }
  if (cmd == L"shortcut" && argc >= 3) {
    return PrintShortcut(argv[2]);
  }
  if (cmd == L"window") {
    return ShowOtherProgram();
  }
  if (cmd == L"resources" && argc >= 3) {
    return PrintResources(static_cast<DWORD>(Number(argv[2])));
  }
  if (cmd == L"hold" && argc >= 3) {
    HANDLE file =
        ::CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    PrintLine(L"{\"held\":1}");
    ::Sleep(INFINITE);
  }
  if (cmd == L"frame" && argc >= 3) {
    return PlayFrame(Handle(argv[2]), argc >= 4 && std::wstring(argv[3]) == L"hall");
  }
  return 2;
}
