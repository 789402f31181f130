// Console helper for the end-to-end tests and the download benchmark: runs
// one of the client's own HTTP routines and prints its result as JSON.
//
//   fetch button-info            the portal's button-info query
//   fetch get URL                a report-style GET
//   fetch update URL PATH        the update download (trusted hosts only)
//   fetch file URL PATH          a plain download to a file
//   fetch checks PATH SIG KEY    the payload's token and signature checks, each
//                                timed (KEY: Base64 DER public key)
#include <windows.h>

#include <cstdio>
#include <string>

#include "print_utf8.h"

#include "net/http.h"
#include "net/update.h"
#include "net/update_sig.h"

namespace {

std::wstring Escape(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s) {
    if (c == L'"' || c == L'\\') out += L'\\';
    if (c < 0x20) continue;
    out += c;
  }
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cmd = argv[1];
  const DWORD begin = ::GetTickCount();
  if (cmd == L"button-info") {
    std::wstring text;
    const int ok = FetchButtonInfo(&text);
    PrintLine(L"{\"ok\":" + std::to_wstring(ok) + L",\"text\":\"" + Escape(text) + L"\"}");
    return 0;
  }
  if (cmd == L"get" && argc >= 3) {
    const int ok = HttpGet(argv[2], L"");
    PrintLine(L"{\"ok\":" + std::to_wstring(ok) + L",\"ms\":" +
              std::to_wstring(::GetTickCount() - begin) + L"}");
    return 0;
  }
  if ((cmd == L"update" || cmd == L"file") && argc >= 4) {
    int steps = 0, last = -1;
    bool rising = true;
    auto progress = [&](int percent) {
      rising = rising && percent >= last;
      last = percent;
      ++steps;
    };
    HttpDownload download;
    const int ok = cmd == L"update" ? download.Update(argv[2], argv[3], progress)
                                    : download.ToFile(argv[2], argv[3], true, progress);
    PrintLine(L"{\"ok\":" + std::to_wstring(ok) + L",\"ms\":" +
              std::to_wstring(::GetTickCount() - begin) + L",\"steps\":" + std::to_wstring(steps) +
              L",\"last\":" + std::to_wstring(last) + L",\"rising\":" +
              (rising ? L"true" : L"false") + L"}");
    return 0;
  }
  if (cmd == L"checks" && argc >= 5) {
    const std::wstring token = VersionToken(argv[2]);
    const DWORD tokenMs = ::GetTickCount() - begin;
    const std::wstring key = argv[4];
    const bool ok =
        SignatureAccepted(argv[2], argv[3], std::string(key.begin(), key.end()).c_str());
    PrintLine(L"{\"ok\":" + std::to_wstring(ok && !token.empty()) + L",\"token_ms\":" +
              std::to_wstring(tokenMs) + L",\"sig_ms\":" +
              std::to_wstring(::GetTickCount() - begin - tokenMs) + L"}");
    return 0;
  }
  return 2;
}
