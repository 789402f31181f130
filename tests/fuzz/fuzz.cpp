// Feeds the decoders of outside input with generated inputs: random text and
// mutations of valid samples (cuts, repeats, bit flips, long runs,
// separators, "%" sequences, lone surrogate halves, embedded zeros), and
// checks what must hold for every answer, not only that nothing crashes.
//
//   fuzz DECODER COUNT [SEED]   one decoder; prints
//                               {"decoder":..,"inputs":N,"violations":N,"first":".."}
//   fuzz list                   the decoders' names
//
// Built with the standard library's bounds checks (_GLIBCXX_ASSERTIONS): an
// access past a string's end aborts the process, which the caller counts as a
// crash. scripts/fuzz runs every decoder and prints the table.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/launch_mode.h"
#include "app/settings.h"
#include "gamewnd/login_protocol.h"
#include "hotkeys/hotkey.h"
#include "net/button_info.h"
#include "net/http.h"
#include "net/update.h"
#include "tools/favourite.h"

namespace {

using Rng = std::mt19937;

// ---- Generated inputs ----

const std::vector<wchar_t> kInteresting = {
    L'%', L'|', L'-', L'/',   L'\\',  L',',   L':',   L'?',   L'#',  L'&', L'"',
    L'{', L'}', L'[', L']',   L' ',   L'\t',  L'\r',  L'\n',  L'\0', L'.', L'0',
    L'9', L'a', L'F', 0x300B, 0x53CC, 0xD800, 0xDC00, 0xFFFF, 0x7F,  0x80};

std::wstring RandomText(Rng& rng, size_t maxLength) {
  std::uniform_int_distribution<size_t> length(0, maxLength);
  std::uniform_int_distribution<int> kind(0, 3);
  std::wstring s(length(rng), L' ');
  for (wchar_t& c : s) {
    switch (kind(rng)) {
      case 0:
        c = kInteresting[rng() % kInteresting.size()];
        break;
      case 1:
        c = static_cast<wchar_t>(0x20 + rng() % 0x5F);  // printable ASCII
        break;
      case 2:
        c = static_cast<wchar_t>(rng() % 0x10000);
        break;
      default:
        c = static_cast<wchar_t>(L'0' + rng() % 10);
        break;
    }
  }
  return s;
}

std::wstring Mutate(Rng& rng, std::wstring s) {
  const int steps = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < steps; ++i) {
    const size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    switch (rng() % 9) {
      case 0:  // cut
        s.resize(at);
        break;
      case 1:  // repeat a piece
        if (!s.empty()) {
          const size_t from = rng() % s.size();
          const std::wstring piece = s.substr(from, 1 + rng() % 40);
          for (int n = static_cast<int>(rng() % 8); n >= 0; --n) s.insert(at, piece);
        }
        break;
      case 2:  // bit flip
        if (!s.empty()) s[rng() % s.size()] ^= static_cast<wchar_t>(1u << (rng() % 16));
        break;
      case 3:  // a long run
        s.insert(at, std::wstring(1 + rng() % 5000, kInteresting[rng() % kInteresting.size()]));
        break;
      case 4:  // a separator
        s.insert(at, 1, kInteresting[rng() % 12]);
        break;
      case 5:  // a percent sequence, well formed or not
        s.insert(at, std::vector<std::wstring>{L"%", L"%4", L"%41", L"%E5%8F%8C", L"%%", L"%zz",
                                               L"%00", L"%ff%fe", L"%C0%80"}[rng() % 9]);
        break;
      case 6:  // a lone surrogate half
        s.insert(at, 1,
                 static_cast<wchar_t>(rng() % 2 ? 0xD800 + rng() % 0x400 : 0xDC00 + rng() % 0x400));
        break;
      case 7:  // an embedded zero
        s.insert(at, 1, L'\0');
        break;
      default:  // random text
        s.insert(at, RandomText(rng, 20));
        break;
    }
  }
  return s;
}

// Half the inputs mutate one of the decoder's valid samples, half are random.
std::wstring Input(Rng& rng, const std::vector<std::wstring>& seeds, size_t maxRandom) {
  if (!seeds.empty() && rng() % 2) return Mutate(rng, seeds[rng() % seeds.size()]);
  return RandomText(rng, maxRandom);
}

// ---- Inputs that arrive as files ----

void WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (!bytes.empty()) {
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  ::CloseHandle(file);
}

// The folder the file decoders write into: one per process, made when the
// first file is written and removed at the end.
std::wstring g_fileFolder;

const std::wstring& FileFolder() {
  if (g_fileFolder.empty()) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    g_fileFolder = std::wstring(temp) + L"tolv-fuzz-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(g_fileFolder.c_str(), nullptr);
  }
  return g_fileFolder;
}

void RemoveFileFolder() {
  if (g_fileFolder.empty()) return;
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((g_fileFolder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      ::DeleteFileW((g_fileFolder + L"\\" + entry.cFileName).c_str());
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(g_fileFolder.c_str());
}

// The next of 64 names in turn for a file named like `name`: more than a
// settings reader keeps open, so that none can serve an earlier input.
std::wstring NextFilePath(const std::wstring& name) {
  static unsigned serial = 0;
  return FileFolder() + L"\\" + std::to_wstring(++serial % 64) + L"-" + name;
}

struct FileInput {
  std::wstring path;
  std::vector<BYTE> bytes;
  std::wstring view;  // the text as a reader of those bytes sees its ASCII
};

// Writes `text` as a server or an old file might hold it: UTF-16 with its
// byte-order mark, bytes of the low half of each character (zeros and
// 0x80-0xFF included), or UTF-8.
FileInput WriteFileInput(Rng& rng, const std::wstring& text, const wchar_t* name) {
  FileInput in;
  in.path = NextFilePath(name);
  switch (rng() % 3) {
    case 0:
      in.bytes = {0xFF, 0xFE};
      in.bytes.insert(in.bytes.end(), reinterpret_cast<const BYTE*>(text.data()),
                      reinterpret_cast<const BYTE*>(text.data() + text.size()));
      in.view = text;
      break;
    case 1:
      for (wchar_t c : text) {
        in.bytes.push_back(static_cast<BYTE>(c));
        in.view.push_back(static_cast<wchar_t>(static_cast<BYTE>(c)));
      }
      break;
    default: {
      const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
      in.bytes.resize(n);
      if (n) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                              reinterpret_cast<char*>(in.bytes.data()), n, nullptr, nullptr);
      }
      for (BYTE b : in.bytes) in.view.push_back(b < 0x80 ? b : L'?');
    }
  }
  WriteBytes(in.path, in.bytes);
  return in;
}

std::wstring ProfileValue(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  wchar_t value[64] = {};
  ::GetPrivateProfileStringW(section, key, L"<none>", value, 64, path.c_str());
  return value;
}

// ---- The decoders and what must hold ----

// Returns an empty text when everything held, else what did not.
using Check = std::function<std::string(Rng&)>;

std::string CommandUrls(Rng& rng) {
  const std::wstring url =
      Input(rng,
            {L"app://loadgame|S1%E5%8F%8C-alice|http://g/game.htm?a=1|2", L"app://exitgame",
             L"app://minimize", L"app://openurls|http://x/", L"app://loadgame|S1-b|"},
            600);
  const CommandUrl c = ParseCommandUrl(url);
  if (url.compare(0, 4, L"app:") != 0 && c.command != LoginCommand::None) {
    return "a command without \"app:\"";
  }
  std::wstring decoded;
  if (DecodeServerText(url, &decoded) && url.find(L'%') != std::wstring::npos &&
      decoded.size() > 255) {
    return "a decoded server text beyond its buffer";
  }
  return "";
}

std::string HandoffRecords(Rng& rng) {
  // Bytes: a text's record, cut, grown or with its terminator moved.
  std::wstring text = Input(rng, {L"S1双-alice", L"S1-b", L"-", L"x"}, 300);
  std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(text.c_str()),
                          reinterpret_cast<const BYTE*>(text.c_str() + text.size() + 1));
  switch (rng() % 4) {
    case 0:
      bytes.resize(rng() % (bytes.size() + 1));
      break;
    case 1:
      bytes.push_back(static_cast<BYTE>(rng()));
      break;
    case 2:
      if (!bytes.empty()) bytes[rng() % bytes.size()] = 0;
      break;
    default:
      break;
  }
  COPYDATASTRUCT record = {0, static_cast<DWORD>(bytes.size()),
                           bytes.empty() ? nullptr : bytes.data()};
  std::wstring read = L"unchanged";
  if (!ReadHandoffRecord(&record, &read)) {
    return read == L"unchanged" ? "" : "a refused record changed the text";
  }
  if (read.empty() || read.find(L'\0') != std::wstring::npos) return "an empty or zero text";
  if ((read.size() + 1) * sizeof(wchar_t) > bytes.size()) return "read beyond the record";
  if (AccountName(read).empty()) return "an accepted record without an account";
  // An accepted text goes out and comes back the same.
  COPYDATASTRUCT again = HandoffRecord(read);
  std::wstring back;
  if (!ReadHandoffRecord(&again, &back) || back != read) return "no round trip";
  return "";
}

std::string LaunchModes(Rng& rng) {
  std::vector<std::wstring> args;
  const std::vector<std::wstring> seeds = {L"/newgm",       L"/gmhall", L"/TolvD", L"/uninst",
                                           L"/-2147483648", L"/655",    L"/0",     L"/4294967295"};
  for (size_t n = rng() % 5; n > 0; --n) args.push_back(Input(rng, seeds, 20));
  const LaunchDecision d = DecideLaunchMode(args, Input(rng, {L"C:\\x\\Tolv.exe"}, 40),
                                            L"C:\\users\\u\\AppData\\Local\\Brindlo\\VodiVavoz");
  const bool joins = d.mode == ModeNewWindow || d.mode == ModeGameHall;
  if (!joins && (d.mainWnd != 0 || d.windowIndex != 0)) return "a handle outside modes 6 and 7";
  if (joins && d.argumentsValid && d.mainWnd == 0) return "a usable line with handle 0";
  if (d.windowIndex < 0) return "a negative tab count";
  return "";
}

std::string ButtonInfoAnswers(Rng& rng) {
  std::wstring answer;
  switch (rng() % 3) {
    case 0:
      answer = std::wstring(1 + rng() % 1500, L'[') + std::wstring(rng() % 1500, L']');
      break;
    default:
      answer = Input(rng,
                     {L"{\"status\":1,\"data\":{\"update\":\"1\",\"name\":\"\\u6d3b\\u52a8\","
                      L"\"url\":\"http://x/\"}}",
                      L"{\"status\":1,\"data\":{\"update\":1,\"name\":\"活动\"}}"},
                     400);
  }
  ButtonInfo info;
  InterpretButtonInfo(answer, &info);
  if (info.caption.size() > 127 || info.link.size() > 1023) return "a text beyond its buffer";
  return "";
}

std::string HttpAnswers(Rng& rng) {
  const std::wstring length = Input(rng, {L"123", L"4294967295", L" 7 "}, 30);
  DWORD value = 0;
  if (ParseContentLength(length.c_str(), &value)) {
    const std::wstring digits = std::to_wstring(value);
    if (length.find(digits) == std::wstring::npos && value != 0) return "a length not in the text";
  }
  const std::wstring url =
      Input(rng, {L"http://127.0.0.1:28631/a/b?c=1", L"http://h:99999/", L"http://x"}, 900);
  UrlParts parts;
  if (SplitUrl(url, &parts) && (parts.host.size() > 259 || parts.object.size() > 511)) {
    return "address parts beyond their buffers";
  }
  std::wstring target;
  const std::wstring location = Input(rng, {L"/next", L"http://other/x", L"//h/p", L"rel#f"}, 200);
  if (ResolveRedirect(url, location, &target) && !IsHttpUrl(target)) {
    return "a redirect away from http";
  }
  return "";
}

std::string Hotkeys(Rng& rng) {
  ParseHotkey(Input(rng, {L"0,121", L"2,9", L"6,65", L" -2 , +81", L"0,0"}, 40));
  return "";
}

std::string Dates(Rng& rng) {
  CivilDate d = {};
  const std::wstring text = Input(rng, {L"2026/12/9", L"2040/1/1", L"3000/2/29"}, 40);
  if (ParseLastDate(text, &d) &&
      (d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysInMonth(d.year, d.month))) {
    return "a date that is no calendar date";
  }
  return "";
}

std::string FavouriteNames(Rng& rng) {
  const std::wstring folder = L"C:\\users\\u\\Favorites";
  const std::wstring name = Input(rng, {L"T游戏", L"..\\..\\Startup\\x", L"CON", L"a:b?c"}, 400);
  if (const auto path = FavouritePath(folder, name)) {
    if (path->compare(0, folder.size() + 1, folder + L"\\") != 0 ||
        path->find(L'\\', folder.size() + 1) != std::wstring::npos || path->size() >= MAX_PATH) {
      return "a favourite outside Favorites";
    }
  }
  FavouriteFileText(Input(rng, {L"http://g/game.htm"}, 3000), CP_ACP);
  return "";
}

std::string Manifests(Rng& rng) {
  const FileInput in = WriteFileInput(
      rng,
      Input(rng,
            {L"[VerKey]\r\nTolv=0123456789abcdef0123456789ab3013\r\nUpdAddr=http://h/Tolv.exe\r\n",
             L"<html>[VerKey]\nTolv=x\nUpdAddr=http://h/a\n[Other]\nTolv=y\n",
             L"[verkey]\r\n Tolv = abc \r\nUpdAddr=" + std::wstring(600, L'u') + L"\r\n"},
            700),
      L"ConfigTolv.htm");
  const UpdateManifest m = ReadManifest(in.path);
  if (m.token.size() > 63 || m.url.size() > 511) return "a manifest value beyond its buffer";
  for (const std::wstring* value : {&m.token, &m.url}) {
    if (value->find_first_of(L"\r\n") != std::wstring::npos) return "a value across lines";
  }
  if ((!m.token.empty() || !m.url.empty()) &&
      (in.view.find(L'[') == std::wstring::npos || in.view.find(L'=') == std::wstring::npos)) {
    return "a value without a section and a key";
  }
  if (m.token.empty() && NeedsUpdate(m.token, L"0123456789abcdef0123456789ab3013")) {
    return "an update for a manifest without a token";
  }
  return "";
}

// The machine a Windows executable is for, read from its bytes here by a
// second route: what the update's payload check must answer.
WORD MachineOf(const std::vector<BYTE>& b) {
  auto at = [&](size_t offset, size_t size) { return offset + size <= b.size(); };
  if (!at(0, 64) || b[0] != 'M' || b[1] != 'Z') return 0;
  int32_t lfanew;
  std::memcpy(&lfanew, &b[60], 4);
  if (lfanew <= 0 || !at(static_cast<size_t>(lfanew), 24)) return 0;
  const size_t pe = static_cast<size_t>(lfanew);
  if (std::memcmp(&b[pe], "PE\0\0", 4) != 0) return 0;
  const WORD machine = static_cast<WORD>(b[pe + 4] | b[pe + 5] << 8);
  const WORD flags = static_cast<WORD>(b[pe + 22] | b[pe + 23] << 8);
  if (!(flags & IMAGE_FILE_EXECUTABLE_IMAGE) || (flags & IMAGE_FILE_DLL)) return 0;
  return machine;
}

std::string Payloads(Rng& rng) {
  // A small executable's headers, then cut, grown, bit-flipped or with its
  // header offset, machine or flags replaced.
  std::vector<BYTE> b(160, 0);
  b[0] = 'M', b[1] = 'Z', b[60] = 64;
  std::memcpy(&b[64], "PE\0\0", 4);
  b[68] = 0x4C, b[69] = 0x01, b[86] = 0x02, b[87] = 0x01;
  for (int steps = 1 + static_cast<int>(rng() % 3); steps > 0; --steps) {
    switch (rng() % 6) {
      case 0:
        b.resize(rng() % (b.size() + 1));
        break;
      case 1:
        b.resize(b.size() + rng() % 300, static_cast<BYTE>(rng()));
        break;
      case 2:
        if (!b.empty()) b[rng() % b.size()] ^= static_cast<BYTE>(1u << (rng() % 8));
        break;
      case 3:
        if (b.size() >= 64) {
          const uint32_t v = rng() % 2 ? rng() : rng() % 200;
          std::memcpy(&b[60], &v, 4);
        }
        break;
      case 4:
        if (b.size() >= 70) b[68] = static_cast<BYTE>(rng()), b[69] = static_cast<BYTE>(rng());
        break;
      default:
        if (b.size() >= 88) b[86] = static_cast<BYTE>(rng()), b[87] = static_cast<BYTE>(rng());
        break;
    }
  }
  const std::wstring path = NextFilePath(L"NewTolv.exe");
  WriteBytes(path, b);
  const WORD expected = MachineOf(b);
  if (ExecutableMachine(path) != expected) return "a machine other than the headers name";
  // Only an executable of the running machine with the published token may
  // replace the client. The token is a digest of the whole file through the
  // system's crypto provider, about 5 ms under Wine: one input in 16 checks
  // the verdict.
  if (rng() % 16) return "";
  const std::wstring token = VersionToken(path);
  if (token.size() != 32) return "no token for a readable file";
  if (PayloadAccepted(path, token, expected) != (expected != 0)) return "a wrong payload verdict";
  if (PayloadAccepted(path, L"0123456789abcdef0123456789ab3013", expected) &&
      !SameToken(token, L"0123456789abcdef0123456789ab3013")) {
    return "a payload accepted under another token";
  }
  return "";
}

std::string StatisticCounters(Rng& rng) {
  const FileInput in = WriteFileInput(
      rng,
      Input(rng,
            {L"[Tolv]\r\nBrindlo=3\r\nInst=1\r\nUnInst=0\r\nGame=41\r\nkeepdays=2\r\n"
             L"weekdays=5\r\nlstTime=2026/12/8\r\n[Keep]\r\nx=1\r\n",
             L"[Tolv]\r\nGame=4294967295\r\nkeepdays=-3\r\nweekdays=200\r\nlstTime=2027/1/1\r\n"
             L"[Keep]\r\nx=2\r\n",
             L"[tolv]\nGame = 2147483647\nlstTime=1/1/1\nkeepdays=2147483647\n[Keep]\nx=3\n"},
            400),
      L"Statistic.ini");
  const CivilDate today = {2026, 12, 9};
  const std::wstring kept = ProfileValue(in.path, L"Keep", L"x");
  wchar_t last[32] = {};
  ::GetPrivateProfileStringW(L"Tolv", L"lstTime", L"", last, 32, in.path.c_str());
  CivilDate lastDate;
  const bool future =
      ParseLastDate(std::wstring(last).substr(0, 15), &lastDate) && DaysSince(lastDate, today) < 0;

  UsageCounters counters(in.path, [today] { return today; });
  const int kind = static_cast<int>(rng() % 7);
  const int v = counters.Update(static_cast<CounterKind>(kind));
  // A zero inside a line of the file is read one way before the system
  // rewrites the file and another way after it (measured under Wine: a key
  // "Game <zero>= 5" is not found, then found once "Game=1" is added; a key
  // followed by tabs in another section is found only after the rewrite).
  // The client never writes one; in such a file only the ranges are checked.
  const bool readable = in.view.find(L'\0') == std::wstring::npos;
  const wchar_t* const keys[] = {L"Brindlo", L"Inst", L"UnInst", L"Game"};
  if (kind <= CounterGame) {
    if (v < 1) return "a count below 1";
    if (readable && ProfileValue(in.path, L"Tolv", keys[kind]) != std::to_wstring(v)) {
      return "a count not kept";
    }
  } else if (kind == CounterApartDays) {
    if (v < 0 && !future) return "negative days after a past date";
  } else if (kind == CounterKeepDays) {
    if (v < 1) return "a run of days below 1";
    if (readable && ProfileValue(in.path, L"Tolv", L"keepdays") != std::to_wstring(v)) {
      return "a run not kept";
    }
  } else {
    const int w = _wtoi(ProfileValue(in.path, L"Tolv", L"weekdays").c_str());
    int days = 0;
    for (int bit = 0; bit < 7; ++bit) days += (w >> bit) & 1;
    if (v < 1 || v > 7 || w < 1 || w > 127 || !(w & 1) || days != v) return "a wrong week";
  }
  if ((kind == CounterApartDays || kind == CounterKeepDays) &&
      ProfileValue(in.path, L"Tolv", L"lstTime") != L"2026/12/9") {
    return "today not kept";
  }
  if (readable && ProfileValue(in.path, L"Keep", L"x") != kept) return "another section changed";
  return "";
}

const std::map<std::string, Check>& Decoders() {
  static const std::map<std::string, Check> decoders = {
      {"command-urls", CommandUrls},
      {"handoff-records", HandoffRecords},
      {"launch-modes", LaunchModes},
      {"button-info", ButtonInfoAnswers},
      {"http-answers", HttpAnswers},
      {"hotkeys", Hotkeys},
      {"dates", Dates},
      {"favourite-names", FavouriteNames},
      {"manifests", Manifests},
      {"payloads", Payloads},
      {"statistic-counters", StatisticCounters},
  };
  return decoders;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wstring(argv[1]) == L"list") {
    for (const auto& d : Decoders()) std::printf("%s\n", d.first.c_str());
    return 0;
  }
  if (argc < 3) return 2;
  const std::wstring wname = argv[1];
  const std::string name(wname.begin(), wname.end());
  const auto found = Decoders().find(name);
  if (found == Decoders().end()) return 2;
  const long count = std::wcstol(argv[2], nullptr, 10);
  Rng rng(argc >= 4 ? static_cast<unsigned>(std::wcstoul(argv[3], nullptr, 10)) : 5271u);
  long violations = 0;
  std::string first;
  for (long i = 0; i < count; ++i) {
    const std::string broken = found->second(rng);
    if (!broken.empty() && violations++ == 0) first = broken;
  }
  RemoveFileFolder();
  std::printf("{\"decoder\":\"%s\",\"inputs\":%ld,\"violations\":%ld,\"first\":\"%s\"}\n",
              name.c_str(), count, violations, first.c_str());
  return violations ? 1 : 0;
}
