#include "net/http.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitUrl, HostPortAndObject) {
  UrlParts p;
  ASSERT_TRUE(SplitUrl(L"http://host:8080/a/b?c=d", &p));
  EXPECT_EQ(L"host", p.host);
  EXPECT_EQ(8080, p.port);
  EXPECT_EQ(L"a/b?c=d", p.object);
}

TEST(SplitUrl, DefaultsToPort80AndEmptyObject) {
  UrlParts p;
  ASSERT_TRUE(SplitUrl(L"http://client.example", &p));
  EXPECT_EQ(L"client.example", p.host);
  EXPECT_EQ(80, p.port);
  EXPECT_EQ(L"", p.object);
  ASSERT_TRUE(SplitUrl(L"http://client.example/", &p));
  EXPECT_EQ(L"", p.object);
}

TEST(SplitUrl, PortIsTakenModulo65536) {
  UrlParts p;
  ASSERT_TRUE(SplitUrl(L"http://h:65616/x", &p));
  EXPECT_EQ(80, p.port);
  ASSERT_TRUE(SplitUrl(L"http://h:/x", &p));
  EXPECT_EQ(0, p.port);
  EXPECT_EQ(L"h", p.host);
}

TEST(SplitUrl, RefusesWhatDoesNotFitTheBuffers) {
  UrlParts p;
  EXPECT_TRUE(SplitUrl(L"http://" + std::wstring(259, L'h') + L"/x", &p));
  EXPECT_FALSE(SplitUrl(L"http://" + std::wstring(260, L'h') + L"/x", &p));
  EXPECT_TRUE(SplitUrl(L"http://h/" + std::wstring(511, L'o'), &p));
  EXPECT_FALSE(SplitUrl(L"http://h/" + std::wstring(512, L'o'), &p));
  EXPECT_FALSE(SplitUrl(L"http:/", &p));
}

TEST(IsHttpUrl, SchemeInAnyCaseOnlyHttp) {
  EXPECT_TRUE(IsHttpUrl(L"http://a/b"));
  EXPECT_TRUE(IsHttpUrl(L"HTTP://a/b"));
  EXPECT_FALSE(IsHttpUrl(L"https://a/b"));
  EXPECT_FALSE(IsHttpUrl(L"ftp://a/b"));
  EXPECT_FALSE(IsHttpUrl(L"http:/"));
}

TEST(IsTrustedAddress, HostMustBeOrEndWithASuffix) {
  const std::vector<std::wstring> trusted = {L"trusted.example", L"cdn.example"};
  EXPECT_TRUE(IsTrustedAddress(L"http://trusted.example/Tolv.exe", trusted));
  EXPECT_TRUE(IsTrustedAddress(L"http://dl.trusted.example/Tolv.exe", trusted));
  EXPECT_TRUE(IsTrustedAddress(L"http://a.b.cdn.example:8080/Tolv.exe", trusted));
  // Mentioning a trusted name elsewhere in the address is not enough.
  EXPECT_FALSE(IsTrustedAddress(L"http://evil.example/?x=trusted.example", trusted));
  EXPECT_FALSE(IsTrustedAddress(L"http://evil.example/trusted.example/Tolv.exe", trusted));
  EXPECT_FALSE(IsTrustedAddress(L"http://eviltrusted.example/Tolv.exe", trusted));
  EXPECT_FALSE(IsTrustedAddress(L"http://trusted.example.evil.example/Tolv.exe", trusted));
  // Letter case is exact, and only http:// downloads are made.
  EXPECT_FALSE(IsTrustedAddress(L"http://TRUSTED.EXAMPLE/Tolv.exe", trusted));
  EXPECT_FALSE(IsTrustedAddress(L"https://trusted.example/Tolv.exe", trusted));
  EXPECT_FALSE(IsTrustedAddress(L"http:///Tolv.exe", trusted));
}

TEST(StatusAccepted, OnlyNotFoundIsRefused) {
  EXPECT_FALSE(StatusAccepted(L"404"));
  EXPECT_TRUE(StatusAccepted(L"200"));
  EXPECT_TRUE(StatusAccepted(L"500"));
  EXPECT_TRUE(StatusAccepted(L"302"));
}

TEST(HttpGet, RefusesAddressesThatAreNotHttpWithoutARequest) {
  EXPECT_EQ(0, HttpGet(L"https://127.0.0.1:1/x", L""));
  EXPECT_EQ(0, HttpGet(L"file:///c:/x", L""));
  EXPECT_EQ(0, HttpGet(nullptr, L""));
}

TEST(ParseContentLength, OnlyDecimalDigits) {
  DWORD n = 7;
  EXPECT_TRUE(ParseContentLength(L"0", &n));
  EXPECT_EQ(0u, n);
  EXPECT_TRUE(ParseContentLength(L" 4095 ", &n));
  EXPECT_EQ(4095u, n);
  EXPECT_TRUE(ParseContentLength(L"4294967295", &n));
  EXPECT_EQ(4294967295u, n);
  n = 7;
  for (const wchar_t* bad : {L"abc", L"", L" ", L"-1", L"+5", L"12abc", L"1 2", L"0x10",
                             L"4294967296", L"99999999999999999999999", L"５"}) {
    EXPECT_FALSE(ParseContentLength(bad, &n)) << bad;
  }
  EXPECT_FALSE(ParseContentLength(nullptr, &n));
  EXPECT_EQ(7u, n);
}

TEST(Redirects, StatusesThatSendTheClientOn) {
  for (const wchar_t* s : {L"301", L"302", L"303", L"307", L"308"})
    EXPECT_TRUE(IsRedirectStatus(s));
  for (const wchar_t* s : {L"200", L"300", L"304", L"305", L"404", L"", L"x"}) {
    EXPECT_FALSE(IsRedirectStatus(s)) << s;
  }
}

TEST(Redirects, TargetsSeenFromTheAddress) {
  const std::wstring base = L"http://h:81/a/b/c?q=/x/y";
  std::wstring t;
  ASSERT_TRUE(ResolveRedirect(base, L"http://other/z", &t));
  EXPECT_EQ(L"http://other/z", t);
  ASSERT_TRUE(ResolveRedirect(base, L"HTTP://other:8080", &t));
  EXPECT_EQ(L"HTTP://other:8080", t);
  ASSERT_TRUE(ResolveRedirect(base, L"//cdn/f", &t));
  EXPECT_EQ(L"http://cdn/f", t);
  ASSERT_TRUE(ResolveRedirect(base, L"/root?x=1#frag", &t));
  EXPECT_EQ(L"http://h:81/root?x=1", t);
  ASSERT_TRUE(ResolveRedirect(base, L"d?k=v:w", &t));
  EXPECT_EQ(L"http://h:81/a/b/d?k=v:w", t);
  ASSERT_TRUE(ResolveRedirect(L"http://h", L"e", &t));
  EXPECT_EQ(L"http://h/e", t);
  // The address itself: a loop, which the redirect limit ends.
  ASSERT_TRUE(ResolveRedirect(base, base, &t));
  EXPECT_EQ(base, t);
}

TEST(Redirects, RefusedTargets) {
  const std::wstring base = L"http://h/a";
  std::wstring t = L"unchanged";
  for (const std::wstring& bad :
       {std::wstring(L"https://h/a"), std::wstring(L"HTTPS://h/a"), std::wstring(L"ftp://h/"),
        std::wstring(L"file:///c:/x"), std::wstring(L"javascript:alert(1)"), std::wstring(L""),
        std::wstring(L"   "), std::wstring(L"#only"), std::wstring(L"/x\r\nHost: evil"),
        std::wstring(L"http:///nohost"), std::wstring(L"http://h/") + std::wstring(600, L'o'),
        std::wstring(L"http://") + std::wstring(300, L'h')}) {
    EXPECT_FALSE(ResolveRedirect(base, bad, &t)) << bad;
  }
  EXPECT_FALSE(ResolveRedirect(L"https://h/a", L"/x", &t));
  EXPECT_EQ(L"unchanged", t);
}

}  // namespace
