#include "net/update.h"

#include <wincrypt.h>

#include <cwchar>

#include "base/paths.h"
#include "base/process_values.h"
#include "net/http.h"
#include "net/prgs_dlg.h"
#include "net/update_sig.h"

namespace {

constexpr size_t kDigestDigits = 32;
constexpr DWORD kTokenBuffer = 64;
constexpr DWORD kUrlBuffer = 512;

// An open file handle that closes itself.
class File {
 public:
  explicit File(const std::wstring& path)
      : m_h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~File() {
    if (ok()) ::CloseHandle(m_h);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool ok() const { return m_h != INVALID_HANDLE_VALUE; }
  // Reads exactly `size` bytes at `offset`.
  bool ReadAt(DWORD offset, void* buffer, DWORD size) const {
    if (::SetFilePointer(m_h, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER) {
      return false;
    }
    DWORD got = 0;
    return ::ReadFile(m_h, buffer, size, &got, nullptr) && got == size;
  }
  HANDLE get() const { return m_h; }

 private:
  HANDLE m_h;
};

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Marks `path` for deletion when the system next starts.
void DeleteAtRestart(const std::wstring& path) {
  ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

std::wstring FileMd5(const std::wstring& path) {
  File file(path);
  if (!file.ok()) return L"";
  // The plain RSA provider has offered MD5 since the oldest systems the
  // client runs on.
  HCRYPTPROV provider = 0;
  if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return L"";
  }
  std::wstring hex;
  HCRYPTHASH hash = 0;
  if (::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
    BYTE piece[1024];
    DWORD got = 0;
    bool read = true;
    while ((read = ::ReadFile(file.get(), piece, sizeof(piece), &got, nullptr) != FALSE) &&
           got > 0) {
      if (!::CryptHashData(hash, piece, got, 0)) {
        read = false;
        break;
      }
    }
    BYTE digest[16];
    DWORD size = sizeof(digest);
    if (read && ::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == 16) {
      static const wchar_t kDigits[] = L"0123456789abcdef";
      for (BYTE b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
      }
    }
    ::CryptDestroyHash(hash);
  }
  ::CryptReleaseContext(provider, 0);
  return hex;
}

std::wstring TokenFromDigest(const std::wstring& digest) {
  if (digest.size() != kDigestDigits) return L"";
  return digest.substr(0, kDigestDigits - 4) + kVersionDigits;
}

std::wstring VersionToken(const std::wstring& path) {
  return TokenFromDigest(FileMd5(path));
}

bool SameToken(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && !b.empty() && _wcsicmp(a.c_str(), b.c_str()) == 0;
}

UpdateManifest ReadManifest(const std::wstring& path) {
  wchar_t token[kTokenBuffer] = {};
  wchar_t url[kUrlBuffer] = {};
  ::GetPrivateProfileStringW(L"VerKey", L"Tolv", L"", token, kTokenBuffer, path.c_str());
  ::GetPrivateProfileStringW(L"VerKey", L"UpdAddr", L"", url, kUrlBuffer, path.c_str());
  return {token, url};
}

bool NeedsUpdate(const std::wstring& published, const std::wstring& running) {
  return !published.empty() && !running.empty() && !SameToken(published, running);
}

WORD ExecutableMachine(const std::wstring& path) {
  File file(path);
  if (!file.ok()) return 0;
  IMAGE_DOS_HEADER dos;
  if (!file.ReadAt(0, &dos, sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
      dos.e_lfanew <= 0) {
    return 0;
  }
  DWORD signature = 0;
  IMAGE_FILE_HEADER header;
  const DWORD at = static_cast<DWORD>(dos.e_lfanew);
  if (!file.ReadAt(at, &signature, sizeof(signature)) || signature != IMAGE_NT_SIGNATURE ||
      !file.ReadAt(at + sizeof(signature), &header, sizeof(header))) {
    return 0;
  }
  if (!(header.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) ||
      (header.Characteristics & IMAGE_FILE_DLL)) {
    return 0;
  }
  return header.Machine;
}

bool TokenNamesDigest(const std::wstring& token, const std::wstring& digest) {
  constexpr size_t kNamed = kDigestDigits - 4;
  if (digest.size() != kDigestDigits || token.size() <= kNamed) return false;
  for (size_t i = kNamed; i < token.size(); ++i) {
    if (token[i] < L'0' || token[i] > L'9') return false;
  }
  return _wcsnicmp(token.c_str(), digest.c_str(), kNamed) == 0;
}

bool PayloadAccepted(const std::wstring& path, const std::wstring& publishedToken,
                     WORD runningMachine) {
  return runningMachine != 0 && ExecutableMachine(path) == runningMachine &&
         TokenNamesDigest(publishedToken, FileMd5(path));
}

bool SystemMove(const wchar_t* from, const wchar_t* to, DWORD flags) {
  return ::MoveFileExW(from, to, flags) != FALSE;
}

std::wstring OldExeName(int n) {
  return n <= 1 ? L"OldTolv.exe" : L"OldTolv-" + std::to_wstring(n) + L".exe";
}

bool SwapExecutable(const std::wstring& exe, const std::wstring& newFile,
                    const std::wstring& folder, std::wstring* oldFile, const MoveFn& move) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  // A running executable may be renamed, not replaced: step it aside first,
  // to a name that no older client still running holds mapped.
  std::wstring old;
  for (int n = 1; n <= kOldExeNames && old.empty(); ++n) {
    const std::wstring candidate = folder + L"\\" + OldExeName(n);
    if (move(exe.c_str(), candidate.c_str(), kFlags)) old = candidate;
  }
  if (old.empty()) return false;
  if (oldFile) *oldFile = old;
  if (!move(newFile.c_str(), exe.c_str(), kFlags)) {
    // The client must stay startable: the old executable goes back. Should
    // even that fail, a copy of it fills the path.
    if (!move(old.c_str(), exe.c_str(), kFlags)) ::CopyFileW(old.c_str(), exe.c_str(), TRUE);
    return false;
  }
  DeleteAtRestart(old);
  return true;
}

bool CheckUpdate(wchar_t* url, std::wstring* token) {
  wchar_t manifestPath[MAX_PATH];
  if (!PathBesideExe(L"ConfigTolv.htm", manifestPath)) return false;
  if (!DownloadManifest()) {
    // A partial manifest is no manifest; nothing reads it again.
    ::DeleteFileW(manifestPath);
    return false;
  }
  const UpdateManifest manifest = ReadManifest(manifestPath);
  SetPublishedSignature(ReadManifestSignature(manifestPath));
  ::DeleteFileW(manifestPath);
  if (manifest.token.empty()) return false;
  lstrcpynW(url, manifest.url.c_str(), kUrlBuffer);
  *token = manifest.token;
  return NeedsUpdate(manifest.token, VersionToken(ExePath()));
}

int RunUpdate(const wchar_t* url, const std::wstring& token) {
  wchar_t newPath[MAX_PATH];
  if (!PathBesideExe(L"NewTolv.exe", newPath)) return 0;
  const std::wstring exe = ExePath();
  const std::wstring folder = exe.substr(0, exe.rfind(L'\\'));
  CPrgsDlg dlg;
  lstrcpynW(dlg.m_szUrl, url, kUrlBuffer);
  lstrcpynW(dlg.m_szPath, newPath, MAX_PATH);
  const bool downloaded = dlg.RunDownload();
  // Only a complete download of the very file the manifest published, and a
  // runnable one, may replace a working client.
  if (!downloaded || !PayloadAccepted(newPath, token, ExecutableMachine(exe)) ||
      !SignatureAccepted(newPath, PublishedSignature()) || !SwapExecutable(exe, newPath, folder)) {
    if (FileExists(newPath)) DeleteAtRestart(newPath);
    return 0;
  }
  return FileExists(exe) ? 1 : 0;
}
