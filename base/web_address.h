// The one rule for every address the client hands to another program (the
// user's browser, Internet Explorer): only web pages leave the client, and
// never in a form that another program's command line could read as more
// than one address.
#pragma once

#include <string>

// Longest address handed out: Internet Explorer's own limit.
constexpr size_t kMaxWebAddress = 2083;

struct WebAddress {
  bool ok = false;
  // The address as handed to the shell: blanks written as "%20", so that a
  // browser whose registered command leaves "%1" unquoted still gets one
  // argument.
  std::wstring address;
  // The same as one command-line argument: in double quotes.
  std::wstring argument;
};

// Whether `url` may be handed out, and in which form. Only "http://" and
// "https://" (any letter case) with a host; refused: every other scheme
// (file:, javascript:, about:, res:, a bare path or UNC name), a double
// quote or a control character anywhere (CR and LF among them), and more
// than kMaxWebAddress characters.
WebAddress CheckWebAddress(const std::wstring& url);
