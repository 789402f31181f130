// Console output of the test helpers: one line of UTF-8, whatever the
// console's code page.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

inline void PrintLine(const std::wstring& line) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.back() = '\n';
  fwrite(out.data(), 1, out.size(), stdout);
  fflush(stdout);
}

// `s` as a JSON string literal.
inline std::wstring JsonString(const std::wstring& s) {
  std::wstring out = L"\"";
  for (wchar_t c : s) {
    if (c == L'"' || c == L'\\') {
      out += L'\\';
      out += c;
    } else if (c < 0x20) {
      wchar_t buf[8];
      swprintf(buf, 8, L"\\u%04x", c);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + L"\"";
}
