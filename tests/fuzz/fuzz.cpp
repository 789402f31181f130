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
  std::printf("{\"decoder\":\"%s\",\"inputs\":%ld,\"violations\":%ld,\"first\":\"%s\"}\n",
              name.c_str(), count, violations, first.c_str());
  return violations ? 1 : 0;
}
