#include "app/launch_mode.h"

#include <windows.h>

#include "base/text.h"

namespace {

// Buffer sizes of the numeric arguments, terminator included.
constexpr size_t kHandleArgBuffer = 16;
constexpr size_t kCountArgBuffer = 8;

std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// Reads the numeric argument `index` into `value`; false when it is missing,
// does not fit its buffer or holds no number.
bool ReadNumber(const std::vector<std::wstring>& args, size_t index, size_t buffer,
                std::int64_t* value) {
  if (args.size() <= index || args[index].size() >= buffer) return false;
  return NumberAfterSlash(args[index], value);
}

}  // namespace

bool NumberAfterSlash(const std::wstring& arg, std::int64_t* value) {
  size_t i = 1;
  while (i < arg.size() && (arg[i] == L' ' || arg[i] == L'\t')) ++i;
  const bool negative = i < arg.size() && arg[i] == L'-';
  if (i < arg.size() && (arg[i] == L'-' || arg[i] == L'+')) ++i;
  std::int64_t magnitude = 0;
  size_t digits = 0;
  for (; i < arg.size() && arg[i] >= L'0' && arg[i] <= L'9'; ++i, ++digits) {
    // The buffers hold at most 14 digits: no overflow of 64 bits.
    magnitude = magnitude * 10 + (arg[i] - L'0');
  }
  *value = negative ? -magnitude : magnitude;
  return digits > 0;
}

std::intptr_t WindowHandleValue(std::int64_t number) {
  // A handle is written as a signed 32-bit number (handles of 0x80000000 and
  // up come out negative); an unsigned form names the same window. Windows
  // keeps handles within 32 bits on every pointer size and sign-extends them.
  if (number < INT32_MIN || number > UINT32_MAX) return 0;
  return static_cast<std::intptr_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(number)));
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
    if (args.empty() || !EqualsNoCase(args[0], sw.name)) continue;
    d.mode = sw.mode;
    if (d.mode != ModeNewWindow && d.mode != ModeGameHall) return d;
    std::int64_t wnd = 0, index = 0;
    d.argumentsValid =
        ReadNumber(args, 1, kHandleArgBuffer, &wnd) && WindowHandleValue(wnd) != 0 &&
        (d.mode == ModeGameHall || (ReadNumber(args, 2, kCountArgBuffer, &index) && index >= 0));
    if (d.argumentsValid) {
      d.mainWnd = WindowHandleValue(wnd);
      d.windowIndex = static_cast<int>(index);
    }
    return d;
  }
  const std::wstring folder = Upper(installFolder);
  const bool inside = !folder.empty() && Upper(exePath).find(folder) != std::wstring::npos;
  d.mode = inside ? ModeInstalled : ModeInstall;
  return d;
}

bool AsksButtonInfo(LaunchMode mode) {
  return mode != ModeNewWindow && mode != ModeGameHall && mode != ModeUninstall;
}
