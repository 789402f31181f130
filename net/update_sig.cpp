#include "net/update_sig.h"

#include <wincrypt.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <type_traits>

// Windows XP SP3's AES provider has SHA-256, but the headers declare it only
// for later Windows, and the shipped build compiles against XP's.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace {

// A compiled-in key of 8192 bits takes about 1.1 KB of DER.
constexpr size_t kMaxKeyBytes = 4096;
// The payload is hashed in large pieces: one call per piece, and the file
// was just written, so it comes from the system's cache.
constexpr DWORD kHashPiece = 1024 * 1024;

int Base64Value(unsigned c) {
  if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a') + 26;
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0') + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

template <typename Char>
bool DecodeBase64Text(const std::basic_string<Char>& text, size_t maxBytes,
                      std::vector<BYTE>* out) {
  out->clear();
  const size_t n = text.size();
  // Every four characters give at most three bytes: an over-long text is
  // refused before a byte of it is looked at.
  if (n == 0 || n % 4 != 0 || n / 4 > (maxBytes + 2) / 3) return false;
  const size_t pad = text[n - 1] == '=' ? (text[n - 2] == '=' ? 2 : 1) : 0;
  out->reserve(n / 4 * 3);
  std::uint32_t bits = 0;
  for (size_t i = 0; i < n - pad; ++i) {
    const int v = Base64Value(static_cast<std::make_unsigned_t<Char>>(text[i]));
    if (v < 0) return false;
    bits = bits << 6 | static_cast<std::uint32_t>(v);
    if (i % 4 == 3) {
      out->push_back(static_cast<BYTE>(bits >> 16));
      out->push_back(static_cast<BYTE>(bits >> 8));
      out->push_back(static_cast<BYTE>(bits));
      bits = 0;
    }
  }
  // The last group's unused bits must be zero: one text per byte string.
  if (pad == 1) {
    if (bits & 3) return false;
    out->push_back(static_cast<BYTE>(bits >> 10));
    out->push_back(static_cast<BYTE>(bits >> 2));
  } else if (pad == 2) {
    if (bits & 15) return false;
    out->push_back(static_cast<BYTE>(bits >> 4));
  }
  return out->size() <= maxBytes;
}

// A verification-only context of the RSA and AES provider, the one that
// offers SHA-256.
class Provider {
 public:
  Provider() {
    // No private key is used, so no key container: CRYPT_VERIFYCONTEXT also
    // works for a user whose profile has none. XP SP3 names this provider
    // "... (Prototype)"; the default of the type is tried first.
    static const wchar_t* const kNames[] = {
        nullptr, L"Microsoft Enhanced RSA and AES Cryptographic Provider",
        L"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)"};
    for (const wchar_t* name : kNames) {
      if (::CryptAcquireContextW(&m_h, nullptr, name, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return;
      m_h = 0;
    }
  }
  ~Provider() {
    if (m_h) ::CryptReleaseContext(m_h, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  HCRYPTPROV get() const { return m_h; }

 private:
  HCRYPTPROV m_h = 0;
};

// The RSA key of a DER SubjectPublicKeyInfo in `provider`, with its modulus
// length; 0 for anything else or a key that is too small.
HCRYPTKEY ImportRsaKey(HCRYPTPROV provider, const std::vector<BYTE>& der, DWORD* bits) {
  CERT_PUBLIC_KEY_INFO* info = nullptr;
  DWORD size = 0;
  if (der.empty() || der.size() > kMaxKeyBytes ||
      !::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                             &info, &size)) {
    return 0;
  }
  HCRYPTKEY key = 0;
  BYTE* blob = nullptr;
  DWORD blobSize = 0;
  if (info->Algorithm.pszObjId && std::strcmp(info->Algorithm.pszObjId, szOID_RSA_RSA) == 0 &&
      ::CryptDecodeObjectEx(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, info->PublicKey.pbData,
                            info->PublicKey.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &blob,
                            &blobSize)) {
    constexpr DWORD kHeader = sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
    if (blobSize >= kHeader) {
      RSAPUBKEY rsa;
      std::memcpy(&rsa, blob + sizeof(BLOBHEADER), sizeof(rsa));
      constexpr DWORD kRsa1 = 0x31415352;  // "RSA1": a public key
      if (rsa.magic == kRsa1 && rsa.bitlen >= kMinKeyBits &&
          blobSize >= kHeader + (rsa.bitlen + 7) / 8 &&
          ::CryptImportKey(provider, blob, blobSize, 0, 0, &key)) {
        *bits = rsa.bitlen;
      } else {
        key = 0;
      }
    }
    ::LocalFree(blob);
  }
  ::LocalFree(info);
  return key;
}

// Feeds the file's bytes into `hash`.
bool HashFile(HCRYPTHASH hash, const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<BYTE> piece(kHashPiece);
  DWORD got = 0;
  bool ok = true;
  while ((ok = ::ReadFile(file, piece.data(), kHashPiece, &got, nullptr) != FALSE) && got > 0) {
    if (!::CryptHashData(hash, piece.data(), got, 0)) {
      ok = false;
      break;
    }
  }
  ::CloseHandle(file);
  return ok;
}

}  // namespace

bool DecodeBase64(const std::string& text, size_t maxBytes, std::vector<BYTE>* out) {
  if (DecodeBase64Text(text, maxBytes, out)) return true;
  out->clear();
  return false;
}

bool DecodeBase64(const std::wstring& text, size_t maxBytes, std::vector<BYTE>* out) {
  if (DecodeBase64Text(text, maxBytes, out)) return true;
  out->clear();
  return false;
}

bool VerifyFileSignature(const std::vector<BYTE>& keyDer, const std::wstring& path,
                         const std::vector<BYTE>& signature) {
  Provider provider;
  if (!provider.get()) return false;
  DWORD bits = 0;
  const HCRYPTKEY key = ImportRsaKey(provider.get(), keyDer, &bits);
  if (!key) return false;
  bool valid = false;
  HCRYPTHASH hash = 0;
  if (signature.size() == (bits + 7) / 8 &&
      ::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, &hash)) {
    if (HashFile(hash, path)) {
      // CryptoAPI takes the signature as a little-endian number.
      const std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
      valid = ::CryptVerifySignatureW(hash, reversed.data(), static_cast<DWORD>(reversed.size()),
                                      key, nullptr, 0) != FALSE;
    }
    ::CryptDestroyHash(hash);
  }
  ::CryptDestroyKey(key);
  return valid;
}

bool SignatureAccepted(const std::wstring& path, const std::wstring& sigBase64,
                       const char* keyBase64) {
  if (!keyBase64 || !*keyBase64) return true;
  std::vector<BYTE> key, signature;
  return DecodeBase64(std::string(keyBase64), kMaxKeyBytes, &key) &&
         DecodeBase64(sigBase64, kMaxSignatureBytes, &signature) &&
         VerifyFileSignature(key, path, signature);
}

std::wstring ReadManifestSignature(const std::wstring& path) {
  wchar_t sig[2 * kMaxSignatureBytes] = {};
  ::GetPrivateProfileStringW(L"VerKey", L"Sig", L"", sig, static_cast<DWORD>(std::size(sig)),
                             path.c_str());
  return sig;
}

namespace {
std::wstring& PublishedSignatureValue() {
  static std::wstring value;
  return value;
}
}  // namespace

void SetPublishedSignature(const std::wstring& sigBase64) {
  PublishedSignatureValue() = sigBase64;
}

const std::wstring& PublishedSignature() {
  return PublishedSignatureValue();
}
