#include "base/web_address.h"

#include "base/text.h"

WebAddress CheckWebAddress(const std::wstring& url) {
  WebAddress result;
  size_t rest = 0;
  for (const wchar_t* scheme : {L"http://", L"https://"}) {
    const std::wstring s = scheme;
    if (StartsWithNoCase(url, s)) rest = s.size();
  }
  // A host must follow: "http:///x" or "http://\\server" names none.
  if (!rest || url.size() <= rest || url[rest] == L'/' || url[rest] == L'\\') return result;
  if (url.size() > kMaxWebAddress) return result;
  std::wstring address;
  for (const wchar_t c : url) {
    // A quote would end the argument early; a control character (a line
    // break above all) would start a new one or a new header.
    if (c == L'"' || c < 0x20 || (c >= 0x7F && c <= 0x9F)) return result;
    if (c == L' ') {
      address += L"%20";
    } else {
      address += c;
    }
  }
  if (address.size() > kMaxWebAddress) return result;
  result.ok = true;
  result.argument = L"\"" + address + L"\"";
  result.address = std::move(address);
  return result;
}
