// Console output of the test helpers: one line of UTF-8, whatever the
// console's code page.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline void PrintLine(const std::wstring& line) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.back() = '\n';
  fwrite(out.data(), 1, out.size(), stdout);
}
