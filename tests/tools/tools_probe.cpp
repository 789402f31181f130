// Console helper of the utilities' end-to-end tests.
//   tools_probe host   a top-level window for game frames to live in; prints
//                      {"host":HWND} and runs until the window is closed
//   tools_probe mute   what the process's sound switch does to the buffers of
//                      a plug-in DLL (soundplay.dll) loaded after the switch
//                      was first used, muted and then unmuted; prints the
//                      Windows version and a verdict per audio path
//   tools_probe flash  clears the Flash player's data; prints the result
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/cache_clear.h"
#include "tools/sound_mute.h"

namespace {

// A stand-in main game window (a frame attaches itself only to a dialog
// titled as the main window).
int Host() {
  HWND host = ::CreateWindowExW(0, L"#32770", L"BrindloTolvane", WS_OVERLAPPEDWINDOW, 0, 0, 800,
                                600, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!host) return 1;
  ::ShowWindow(host, SW_SHOW);
  std::printf("{\"host\":%llu}\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(host)));
  std::fflush(stdout);
  MSG m;
  while (::IsWindow(host) && ::GetMessageW(&m, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  return 0;
}

using PlayFn = int (*)();
using PlayWaveFn = int (*)(int);

std::string Verdicts(HMODULE play) {
  auto wave =
      reinterpret_cast<PlayWaveFn>(reinterpret_cast<void*>(::GetProcAddress(play, "PlayWave")));
  auto lookedUp =
      reinterpret_cast<PlayFn>(reinterpret_cast<void*>(::GetProcAddress(play, "PlayWaveLookedUp")));
  auto midi =
      reinterpret_cast<PlayFn>(reinterpret_cast<void*>(::GetProcAddress(play, "PlayMidiStream")));
  auto dsound =
      reinterpret_cast<PlayFn>(reinterpret_cast<void*>(::GetProcAddress(play, "PlayDirectSound")));
  char line[256];
  std::snprintf(line, sizeof(line),
                "{\"wave\":%d,\"wave_device\":%d,\"wave_lookup\":%d,\"midi\":%d,\"dsound\":%d}",
                wave(0), wave(1), lookedUp(), midi(), dsound());
  return line;
}

int Mute() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ::GetVersionExW(&version);
  // The plug-in comes in only after the switch was first used.
  const int first = SetProcessMute(1);
  HMODULE play = ::LoadLibraryW(L"soundplay.dll");
  if (!play) return 1;
  const std::string muted = Verdicts(play);
  SetProcessMute(0);
  const std::string unmuted = Verdicts(play);
  std::printf("{\"major\":%lu,\"result\":%d,\"muted\":%s,\"unmuted\":%s}\n", version.dwMajorVersion,
              first, muted.c_str(), unmuted.c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cmd = argv[1];
  if (cmd == L"host") return Host();
  if (cmd == L"mute") return Mute();
  if (cmd == L"flash") {
    const BOOL cleared = ClearFlashData();
    std::printf("{\"cleared\":%d,\"error\":%lu}\n", cleared, cleared ? 0 : ::GetLastError());
    return 0;
  }
  return 2;
}
