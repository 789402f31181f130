#include "net/update_sig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Known answers made once with openssl 3.0 from the test key in tests/keys:
//   openssl dgst -sha256 -sign update-test.pem FILE | openssl base64 -A
const char kKey[] =
    "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA3p7yqvGoYw1KrZ2aTexIJdQ3idJ43DlI5h0VmxcOQQpae7zl"
    "KqAlb/V3oaMY+6vSX75gaj2ewqBw4L7sk3MHF6s24zutjYhydSZgJYUkv7t4u03HOVyWnfj0+WB9HWzgQ7JKzmGilt+p"
    "QbXgT4RCn1UOs2H0Cgl0s2XY8RIUk3UlBLiVNa+VPdQRMI87eJJNHhSffV1r0ir4okrOJCFoz7YsJo5w2nwEipA+WdQQ"
    "XY3B7jWXN2uJIutoGmWXk/bO/eMqGiYl91DeR89pZKqxbdRnuwT7zJsjY/Xf+6/3MmwAfxtPYdtcHWMecfhulGIcGeoK"
    "RM8leXpguVqDBgd8rQIDAQAB";
const char kPayload[] = "BrindloTolvane 3.0.1.3 payload\n";
const wchar_t kPayloadSig[] =
    L"Z5GHYinwgI4MPqS20LPcqqIyMHcHc5yyhZwZj28sXB0sjCQcrSMTOkC+JyrZWFY3MShjwvUOgKopVp7R+vAaDtOk4vAl"
    L"M9ExTv9fv4rcmT4qMBtnzEDIP1HjdS2IYfuR0vapwPPN1rWEIYwQewfwkQ030ISIOKux/ZcrO0jB7zubmzeAscOluxL/"
    L"2p6bFeyWnthLkgBMfdTtT/O7CiQLXlwINiRhXPx+3Dw7IzRD1D8SNjnCHVvfD7gvMS8j9LHdP1HKoBXnWWNK3rUuVrYF"
    L"qe3ZRTuINMLvv1iNldLZDKZOw2VsQQHcQwdT09BQoIVO3rD6WZrnBetYQJOWTtD74g==";
// The signature of "another release\n".
const wchar_t kOtherSig[] =
    L"rF2x2UEZWvs7PPbEMPN1QPZ+WA5CfG+2ut3QZ3g0LtezOjfgKEw1GBfvf+YjRkMqTLweFxpnmyACE8jTxjrfn4lBC/xe"
    L"VBYz1H+PX7aBGlKjSVn/66N32yUjzlxdnbW+/5c86nnrr7ZTJbSOjrNdOi6EErwHHTTBWU0/MrYDMOJCDpl7e/BGDdmu"
    L"RwqHLtTTsF34O7siQuyaUgy0VzZeYNV9R1uq4eqV6izjHbH6IHMe7bUyPlNaKbm90YP26E2Q8wiHtHKjxO8BpxwkRpJf"
    L"sPtFOzrKoixTtmZDieWQYOrQ2t6mS4lQzdo8U9nhXVieYl4M5IGitKL8EtPns+IcjA==";
// 3 MiB + 17 bytes, byte i = i % 251: hashed across several pieces.
const wchar_t kBigSig[] =
    L"q+R9r/B2wnH+hNVKfAJgBl2bJhXZRVWlcYabM/AVIuD4CLbNzvAajIlskQzbWHJdW4QJBRGGopmnnF6C6cALz7LbTU++"
    L"BmqtdE+lbsg7HVvBqUXoququgKwLxWPCoqZuRyKKm6sI+woERnLAX2GoSFxgy9lvcarMPAv41ivWFkGeq1miPOeemzQ7"
    L"Uym2mXBRltWvl6XAouSJ8ORB5fGgupKe7BHzbh+otPb5huLa5ZL5U1rJY8y9VCYJs7D936mDAT0hKPN9ldmqX7EkzLUm"
    L"nwH08/VWacabsu6jOD0GjjopbObbS4gPDmEh0H/s13VkDveGeCfT9wQBNQ2ai5RdBg==";
// A valid signature of kPayload by a 1024-bit key: too small a key to count.
const char kSmallKey[] =
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQCn8a91QqIzBPjtPJhfpnCHfgmHi/WpyTI0uhRawHWDfG64zaUvO6ER"
    "KUyOGpIfksk4aqvcJufb1vIS8iDLxWPp3h6OhxBuaoTL5VxsVYyxgr/NC8ZC8YYZkoP7YmuII5V2RMha9mgyWGFSW7Kk"
    "aXS72O1qYjGWEXvkHy2XT46VtwIDAQAB";
const wchar_t kSmallKeySig[] =
    L"KGSkaG9S+lhYBv0mRWEXUOH/1Y2m1RJYQHudocB64tj2DjqY8jTpB4j7vutw1hAMrWnHzXptLO6Y5tWQCxLYaFMYyb2H"
    L"Hn3/V4VpB78oJQec44JoTRmjASG7ozDl7fxlRhruDh/SV8Xbd36KYlwLPekc/sw+snZ6JfjHeI3aGlg=";

std::vector<BYTE> Bytes(const std::string& base64) {
  std::vector<BYTE> out;
  EXPECT_TRUE(DecodeBase64(base64, 4096, &out)) << base64;
  return out;
}
std::vector<BYTE> Bytes(const std::wstring& base64) {
  return Bytes(std::string(base64.begin(), base64.end()));
}

class SignedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"tolv-sig-" + std::to_wstring(::GetCurrentProcessId());
  }
  void TearDown() override { ::DeleteFileW(path_.c_str()); }
  const std::wstring& Write(const std::string& bytes) {
    HANDLE f = ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, f);
    DWORD wrote = 0;
    ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    ::CloseHandle(f);
    return path_;
  }
  std::wstring path_;
};

TEST(Base64, DecodesOnlyStrictPaddedTextWithinItsBound) {
  std::vector<BYTE> out;
  EXPECT_TRUE(DecodeBase64(std::string("Zm9vYg=="), 16, &out));
  EXPECT_EQ(std::vector<BYTE>({'f', 'o', 'o', 'b'}), out);
  EXPECT_TRUE(DecodeBase64(std::wstring(L"Zm9vYmE="), 16, &out));
  EXPECT_EQ(std::vector<BYTE>({'f', 'o', 'o', 'b', 'a'}), out);
  EXPECT_TRUE(DecodeBase64(std::string("+/+/"), 3, &out));
  EXPECT_EQ(std::vector<BYTE>({0xfb, 0xff, 0xbf}), out);
  for (const wchar_t* bad : {
           L"",               // empty
           L"Zm9vYg",         // padding missing
           L"Zm9vYh==",       // unused bits set: a second text for the same bytes
           L"Zm9v\r\nYmFy",   // line break
           L" Zm9v",          // blank
           L"Zm=vYmFy",       // padding inside
           L"====",           // padding only
           L"Zm9-YmF_",       // the URL alphabet
           L"Zm9v\x0141mFy",  // a character that narrows to "A"
       }) {
    EXPECT_FALSE(DecodeBase64(std::wstring(bad), 16, &out)) << bad;
    EXPECT_TRUE(out.empty());
  }
  // The bound counts decoded bytes: 6 pass at 6, not at 5; a text far too
  // long is refused before it is read.
  EXPECT_TRUE(DecodeBase64(std::string("Zm9vYmFy"), 6, &out));
  EXPECT_FALSE(DecodeBase64(std::string("Zm9vYmFy"), 5, &out));
  EXPECT_FALSE(DecodeBase64(std::string(100000, 'A'), kMaxSignatureBytes, &out));
}

TEST_F(SignedFiles, OpensslSignaturesVerifyAndEveryFlippedBitIsRefused) {
  const std::vector<BYTE> key = Bytes(kKey), sig = Bytes(kPayloadSig);
  ASSERT_EQ(256u, sig.size());
  EXPECT_TRUE(VerifyFileSignature(key, Write(kPayload), sig));

  std::string file = kPayload;
  file[5] ^= 0x10;
  EXPECT_FALSE(VerifyFileSignature(key, Write(file), sig));
  Write(kPayload);
  for (size_t at : {size_t(0), size_t(100), sig.size() - 1}) {
    std::vector<BYTE> flipped = sig;
    flipped[at] ^= 0x01;
    EXPECT_FALSE(VerifyFileSignature(key, path_, flipped)) << at;
  }
  // A bit of the modulus, and a bit of the key's structure.
  for (size_t at : {size_t(100), size_t(1)}) {
    std::vector<BYTE> flipped = key;
    flipped[at] ^= 0x04;
    EXPECT_FALSE(VerifyFileSignature(flipped, path_, sig)) << at;
  }
  EXPECT_FALSE(VerifyFileSignature(key, path_, Bytes(kOtherSig)));
  // A signature one byte short or long of the modulus, none, no file.
  EXPECT_FALSE(VerifyFileSignature(key, path_, std::vector<BYTE>(sig.begin() + 1, sig.end())));
  std::vector<BYTE> longer = sig;
  longer.insert(longer.begin(), 0);
  EXPECT_FALSE(VerifyFileSignature(key, path_, longer));
  EXPECT_FALSE(VerifyFileSignature(key, path_, {}));
  EXPECT_FALSE(VerifyFileSignature(key, path_ + L".missing", sig));
  // A 1024-bit key is no key, even with its own valid signature.
  EXPECT_FALSE(VerifyFileSignature(Bytes(kSmallKey), path_, Bytes(kSmallKeySig)));

  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  EXPECT_TRUE(VerifyFileSignature(key, Write(big), Bytes(kBigSig)));
}

TEST_F(SignedFiles, ABuildWithAKeyTakesOnlyAValidSigAndOneWithoutTakesAny) {
  Write(kPayload);
  const std::wstring sig = kPayloadSig;
  EXPECT_TRUE(SignatureAccepted(path_, sig, kKey));
  for (const std::wstring& bad : {
           std::wstring(),                                // unsigned
           sig.substr(0, sig.size() - 4),                 // truncated by a group
           sig.substr(0, sig.size() - 1),                 // truncated by a character
           sig + L"AAAA",                                 // over-long by a group
           sig + std::wstring(2000, L'A'),                // far too long
           L"*" + sig.substr(1),                          // not Base64
           sig.substr(0, 64) + L"\r\n" + sig.substr(64),  // line break inside
       }) {
    EXPECT_FALSE(SignatureAccepted(path_, bad, kKey)) << bad;
  }
  // A built-in key that does not decode refuses everything.
  EXPECT_FALSE(SignatureAccepted(path_, sig, "MIIB*"));
  EXPECT_TRUE(SignatureAccepted(path_, L"", ""));
  EXPECT_TRUE(SignatureAccepted(path_, L"*garbage*", ""));
}

TEST_F(SignedFiles, ManifestSigIsReadWhollyEnoughToBeRefusedWhenOverLong) {
  const std::wstring sig = kPayloadSig;
  Write("[VerKey]\r\nTolv=abc\r\nSig=" + std::string(sig.begin(), sig.end()) + "\r\n");
  EXPECT_EQ(sig, ReadManifestSignature(path_));
  Write("[VerKey]\r\nSig=" + std::string(5000, 'A') + "\r\n");
  EXPECT_GT(ReadManifestSignature(path_).size(), 1368u);  // more than any signature's text
  Write("[VerKey]\r\nTolv=abc\r\n");
  EXPECT_EQ(L"", ReadManifestSignature(path_));
}

}  // namespace
