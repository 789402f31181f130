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

}  // namespace
