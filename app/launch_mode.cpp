#include "app/launch_mode.h"

#include <windows.h>
#include <shlobj.h>

namespace {

// Buffer sizes of the numeric arguments, terminator included.
constexpr size_t kHandleArgBuffer = 16;
constexpr size_t kCountArgBuffer = 8;

bool SameSwitch(const std::wstring& arg, const wchar_t* name) {
  return ::CompareStringOrdinal(arg.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// Reads the numeric argument `index` into `value`; false when it is missing
// or does not fit its buffer.
bool ReadNumber(const std::vector<std::wstring>& args, size_t index, size_t buffer,
                std::uint32_t* value) {
  if (args.size() <= index || args[index].size() >= buffer) return false;
  *value = NumberAfterSlash(args[index]);
  return true;
}

}  // namespace

std::uint32_t NumberAfterSlash(const std::wstring& arg) {
  std::uint32_t value = 0;
  for (size_t i = 1; i < arg.size() && arg[i] >= L'0' && arg[i] <= L'9'; ++i) {
    value = value * 10 + static_cast<std::uint32_t>(arg[i] - L'0');
  }
  return value;
}

LaunchDecision DecideLaunchMode(const std::vector<std::wstring>& args, const std::wstring& exePath,
                                const std::wstring& installFolder) {
  // The switches in the order they are compared; the first match decides.
  static const struct {
    const wchar_t* name;
    LaunchMode mode;
  } kSwitches[] = {
      {L"/webbrindloD", ModeWebHall}, {L"/TolvD", ModeShortcut},  {L"/uninst", ModeUninstall},
      {L"/update", ModeUpdate},       {L"/newgm", ModeNewWindow}, {L"/gmhall", ModeGameHall},
  };
  LaunchDecision d;
  for (const auto& sw : kSwitches) {
    if (args.empty() || !SameSwitch(args[0], sw.name)) continue;
    d.mode = sw.mode;
    std::uint32_t wnd = 0, index = 0;
    if (d.mode == ModeNewWindow) {
      d.argumentsValid = ReadNumber(args, 1, kHandleArgBuffer, &wnd) &&
                         ReadNumber(args, 2, kCountArgBuffer, &index);
    } else if (d.mode == ModeGameHall) {
      d.argumentsValid = ReadNumber(args, 1, kHandleArgBuffer, &wnd);
    }
    if (d.argumentsValid) {
      d.mainWnd = wnd;
      d.windowIndex = static_cast<int>(index);
    }
    return d;
  }
  const std::wstring folder = Upper(installFolder);
  const bool inside = !folder.empty() && Upper(exePath).find(folder) != std::wstring::npos;
  d.mode = inside ? ModeInstalled : ModeInstall;
  return d;
}

std::wstring InstallFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) return L"";
  return std::wstring(path) + L"\\Brindlo\\VodiVavoz";
}
