// Signed updates: a build that carries the publisher's RSA public key takes
// an update only when the manifest's "Sig" is a valid signature of the
// downloaded file by that key (RSA PKCS#1 v1.5 over SHA-256, Base64, exactly
// as `openssl dgst -sha256 -sign` makes it). Manifest and payload travel over
// plain HTTP, so without the signature whoever answers for the client service
// could have the client run any file of theirs, as administrator.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The publisher's key compiled in from the build setting TOLV_UPDATE_KEY:
// the Base64 text of its DER SubjectPublicKeyInfo (the body of a PEM
// "PUBLIC KEY"). Empty in a build without a key.
extern const char kUpdateKey[];

// Signatures of keys up to 8192 bits; anything longer is refused unread.
constexpr size_t kMaxSignatureBytes = 1024;
// Smallest key that counts as a key.
constexpr DWORD kMinKeyBits = 2048;

// Strict Base64 (standard alphabet, "=" padding to a multiple of four, no
// blanks or line breaks, unused bits zero): the bytes, or false for anything
// else, for empty text, and for text that would decode to more than
// `maxBytes` (refused before anything is decoded).
bool DecodeBase64(const std::string& text, size_t maxBytes, std::vector<BYTE>* out);
bool DecodeBase64(const std::wstring& text, size_t maxBytes, std::vector<BYTE>* out);

// True when `signature` (big-endian, as openssl writes it) is a valid RSA
// PKCS#1 v1.5 SHA-256 signature of the file at `path` by the RSA key whose
// DER SubjectPublicKeyInfo is `keyDer`. False for an unreadable file, a key
// that is no RSA key or has fewer than kMinKeyBits bits, and a signature
// that is not exactly as long as the key's modulus.
bool VerifyFileSignature(const std::vector<BYTE>& keyDer, const std::wstring& path,
                         const std::vector<BYTE>& signature);

// The update's rule. A build without a key (`keyBase64` empty) takes the
// payload whatever the manifest says about signatures; a build with one
// takes it only when `sigBase64` is a valid signature of it by that key. A
// key that does not decode refuses everything.
bool SignatureAccepted(const std::wstring& path, const std::wstring& sigBase64,
                       const char* keyBase64 = kUpdateKey);

// The manifest's "Sig" (section "VerKey"); empty when it has none. A value
// longer than any signature is kept long enough to be refused as such.
std::wstring ReadManifestSignature(const std::wstring& path);

// The manifest's "Sig", kept from the manifest check until the payload's
// check (both run on the user-interface thread of start-up).
void SetPublishedSignature(const std::wstring& sigBase64);
const std::wstring& PublishedSignature();
