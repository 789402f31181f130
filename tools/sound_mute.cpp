#include "tools/sound_mute.h"

// EnumProcessModules from psapi.dll, which Windows XP has, rather than the
// kernel32 export that only Windows 7 brought.
#define PSAPI_VERSION 1
#include <dsound.h>
#include <psapi.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#ifdef TOLV_TEST_SEAMS
#include <cmath>
#endif

// ---- Vista and later: the process's own entry in the volume mixer ---------

bool SetMixerMute(int line, BOOL muted) {
#ifdef TOLV_TEST_SEAMS
  // Test builds only: every call is noted, so that tests see when the mixer
  // is (not) asked.
  if (const wchar_t* log = _wgetenv(L"TOLV_TEST_SEAM_MIXER_LOG")) {
    if (FILE* f = _wfopen(log, L"a")) {
      std::fprintf(f, "%d %d\n", line, muted ? 1 : 0);
      std::fclose(f);
    }
  }
#endif
  const DWORD componentType = line == 0   ? MIXERLINE_COMPONENTTYPE_DST_SPEAKERS
                              : line == 1 ? MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT
                                          : MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
  ::mixerGetNumDevs();
  HMIXER mixer = nullptr;
  if (::mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_HMIXER) != MMSYSERR_NOERROR) return false;
  HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mixer);

  bool ok = false;
  MIXERLINEW mixerLine = {};
  mixerLine.cbStruct = sizeof(mixerLine);
  mixerLine.dwComponentType = componentType;
  if (::mixerGetLineInfoW(object, &mixerLine,
                          MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
      MMSYSERR_NOERROR) {
    MIXERCONTROLW control = {};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSW controls = {};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = mixerLine.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(control);
    controls.pamxctrl = &control;
    if (::mixerGetLineControlsW(object, &controls,
                                MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
        MMSYSERR_NOERROR) {
      MIXERCONTROLDETAILS_BOOLEAN value = {};
      MIXERCONTROLDETAILS details = {};
      details.cbStruct = sizeof(details);
      details.dwControlID = control.dwControlID;
      details.cChannels = 1;
      details.cMultipleItems = control.cMultipleItems;
      details.cbDetails = sizeof(value);
      details.paDetails = &value;
      // The read only checks that the control answers.
      if (::mixerGetControlDetailsW(object, &details,
                                    MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
          MMSYSERR_NOERROR) {
        value.fValue = muted ? 1 : 0;
        ok = ::mixerSetControlDetails(object, &details,
                                      MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
             MMSYSERR_NOERROR;
      }
    }
  }
  ::mixerClose(mixer);
  return ok;
}

// ---- Before Vista: intercepting the process's audio output ----------------
//
// The game's audio comes from a plug-in DLL, possibly loaded after the
// interception is set up, so the calls of every module count. Each module
// calls another DLL's function through its import address table; the
// interception rewrites the entries for the audio functions in the tables of
// every loaded module, and intercepts the loader (LdrLoadDll, and the
// LoadLibrary family) to do the same for every module loaded later, and
// GetProcAddress for those that look their functions up at run time.
// Rewriting a table entry is one aligned pointer store and needs no
// knowledge of machine code, so the same code serves 32-bit and 64-bit
// processes alike; the README says more.

namespace {

// Non-zero while muted: written by the user-interface thread, read without a
// lock by the audio threads of the plug-ins; an aligned word, so a reader
// sees either value.
volatile LONG g_nMute = 0;

using WaveOutWriteFn = MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT);
using MidiStreamOutFn = MMRESULT(WINAPI*)(HMIDISTRM, LPMIDIHDR, UINT);
using DirectSoundCreateFn = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);
using CreateSoundBufferFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSound*, LPCDSBUFFERDESC,
                                                        LPDIRECTSOUNDBUFFER*, LPUNKNOWN);
using UnlockFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSoundBuffer*, LPVOID, DWORD, LPVOID, DWORD);
using LoadLibraryAFn = HMODULE(WINAPI*)(LPCSTR);
using LoadLibraryWFn = HMODULE(WINAPI*)(LPCWSTR);
using LoadLibraryExAFn = HMODULE(WINAPI*)(LPCSTR, HANDLE, DWORD);
using LoadLibraryExWFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
using LdrLoadDllFn = LONG(NTAPI*)(PWSTR, PULONG, PVOID, PVOID*);

HRESULT WINAPI HookedDirectSoundCreate(LPCGUID device, LPDIRECTSOUND* ppDS, LPUNKNOWN outer);
HRESULT STDMETHODCALLTYPE HookedCreateSoundBuffer(IDirectSound* self, LPCDSBUFFERDESC desc,
                                                  LPDIRECTSOUNDBUFFER* ppBuffer, LPUNKNOWN outer);
HRESULT STDMETHODCALLTYPE HookedUnlock(IDirectSoundBuffer* self, LPVOID block1, DWORD size1,
                                       LPVOID block2, DWORD size2);
HMODULE WINAPI HookedLoadLibraryA(LPCSTR name);
HMODULE WINAPI HookedLoadLibraryW(LPCWSTR name);
HMODULE WINAPI HookedLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags);
HMODULE WINAPI HookedLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name);
LONG NTAPI HookedLdrLoadDll(PWSTR path, PULONG flags, PVOID name, PVOID* handle);

// One intercepted function: where it lives and what stands in for it.
// `real` is what the stand-in calls; `aliases` are other addresses under
// which the same function reaches import tables (kernel32's exports that
// merely pass on to kernelbase's). Each address is written once, from null,
// before any import entry is pointed at the stand-in.
struct Target {
  const wchar_t* dll;
  const char* name;  // or MAKEINTRESOURCEA(ordinal)
  void* hook;
  void* volatile real;
  void* volatile alias;
};

enum : int {
  kWaveOutWrite,
  kMidiStreamOut,
  kDirectSoundCreate,
  kLoadLibraryA,
  kLoadLibraryW,
  kLoadLibraryExA,
  kLoadLibraryExW,
  kGetProcAddress,
  kLdrLoadDll,
  kTargetCount
};

template <typename F>
void* Address(F f) {
  return reinterpret_cast<void*>(f);
}

Target g_targets[kTargetCount] = {
    {L"winmm.dll", "waveOutWrite", Address(&HookedWaveOutWrite), nullptr, nullptr},
    {L"winmm.dll", "midiStreamOut", Address(&HookedMidiStreamOut), nullptr, nullptr},
    // DirectSound exports DirectSoundCreate under ordinal 1.
    {L"dsound.dll", MAKEINTRESOURCEA(1), Address(&HookedDirectSoundCreate), nullptr, nullptr},
    {L"kernel32.dll", "LoadLibraryA", Address(&HookedLoadLibraryA), nullptr, nullptr},
    {L"kernel32.dll", "LoadLibraryW", Address(&HookedLoadLibraryW), nullptr, nullptr},
    {L"kernel32.dll", "LoadLibraryExA", Address(&HookedLoadLibraryExA), nullptr, nullptr},
    {L"kernel32.dll", "LoadLibraryExW", Address(&HookedLoadLibraryExW), nullptr, nullptr},
    {L"kernel32.dll", "GetProcAddress", Address(&HookedGetProcAddress), nullptr, nullptr},
    {L"ntdll.dll", "LdrLoadDll", Address(&HookedLdrLoadDll), nullptr, nullptr},
};

// The system's own GetProcAddress, taken before any table is touched.
GetProcAddressFn g_realGetProcAddress = nullptr;

// An import entry that was pointed at a stand-in, and what it held before.
struct PatchedEntry {
  void** entry;
  void* original;
};

// Method tables of DirectSound objects whose slot was pointed at a stand-in,
// with the method that was there. The primary buffer and the secondary
// buffers of one implementation may have tables of their own, so every
// distinct table is patched, up to a few of them. An entry is complete before
// the count covers it and before the slot points at the stand-in.
struct PatchedSlot {
  void** table;
  void* original;
};
constexpr LONG kMaxTables = 8;
PatchedSlot g_createBufferSlots[kMaxTables] = {};
volatile LONG g_nCreateBufferSlots = 0;
PatchedSlot g_unlockSlots[kMaxTables] = {};
volatile LONG g_nUnlockSlots = 0;
constexpr int kCreateSoundBufferSlot = 3;
constexpr int kUnlockSlot = 19;

// Guards the import and method tables while they are rewritten. Nothing that
// takes the system's loader lock runs while it is held: a DLL's start-up code
// that loads another DLL holds the loader lock and then comes here.
CRITICAL_SECTION g_lock;
bool g_installed = false;
// kernel32, kernelbase and ntdll; they stay loaded for the process's life.
HMODULE g_loaderModules[3] = {};
bool g_removed = false;
std::vector<PatchedEntry>* g_entries = nullptr;

template <typename F>
F Real(int target) {
  return reinterpret_cast<F>(g_targets[target].real);
}

}  // namespace

namespace sound_intercept {

DWORD WritableProtection(DWORD protection) {
  const DWORD modifiers = protection & ~0xFFu;
  if (modifiers & PAGE_GUARD) return 0;
  switch (protection & 0xFF) {
    case PAGE_READWRITE:
    case PAGE_WRITECOPY:
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY:
      return protection;
    case PAGE_READONLY:
      return PAGE_READWRITE | modifiers;
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ:
      return PAGE_EXECUTE_READWRITE | modifiers;
    default:
      return 0;
  }
}

bool WriteProtectedPointer(void** where, void* value) {
  // The pages the pointer lies on (two only when it is not aligned), each
  // given back exactly the protection it had.
  SYSTEM_INFO system = {};
  ::GetSystemInfo(&system);
  const UINT_PTR pageSize = system.dwPageSize;
  const UINT_PTR first = reinterpret_cast<UINT_PTR>(where) & ~(pageSize - 1);
  const UINT_PTR last = (reinterpret_cast<UINT_PTR>(where) + sizeof(void*) - 1) & ~(pageSize - 1);
  struct Page {
    void* address;
    DWORD found;
    bool changed;
  } pages[2] = {{reinterpret_cast<void*>(first), 0, false},
                {reinterpret_cast<void*>(last), 0, false}};
  const int count = first == last ? 1 : 2;
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    MEMORY_BASIC_INFORMATION info = {};
    ok = ::VirtualQuery(pages[i].address, &info, sizeof(info)) == sizeof(info) &&
         info.State == MEM_COMMIT;
    const DWORD writable = ok ? WritableProtection(info.Protect) : 0;
    ok = ok && writable;
    if (ok && writable != info.Protect) {
      ok = ::VirtualProtect(pages[i].address, 1, writable, &pages[i].found) != FALSE;
      pages[i].changed = ok;
    }
  }
  if (ok) *reinterpret_cast<void* volatile*>(where) = value;
  for (const Page& page : pages) {
    DWORD ignored = 0;
    if (page.changed) ::VirtualProtect(page.address, 1, page.found, &ignored);
  }
  return ok;
}

}  // namespace sound_intercept

namespace {

bool WritePointer(void** where, void* value) {
  return sound_intercept::WriteProtectedPointer(where, value);
}

// Finds the addresses of the intercepted functions whose DLLs are loaded now.
void ResolveTargets() {
  HMODULE kernelbase = ::GetModuleHandleW(L"kernelbase.dll");
  for (Target& t : g_targets) {
    if (t.real) continue;
    HMODULE module = ::GetModuleHandleW(t.dll);
    if (!module) continue;
    void* primary = reinterpret_cast<void*>(g_realGetProcAddress(module, t.name));
    if (!primary) continue;
    // Where kernel32 only passes a loader function on to kernelbase (Windows
    // 7 and later, Wine), the stand-in calls kernelbase's own; import tables
    // may hold either address.
    if (kernelbase && std::wcscmp(t.dll, L"kernel32.dll") == 0) {
      if (void* base = reinterpret_cast<void*>(g_realGetProcAddress(kernelbase, t.name))) {
        if (base != primary) t.alias = primary;
        primary = base;
      }
    }
    t.real = primary;
  }
}

// The stand-in for an import entry's value, or null when it is none of ours;
// with `audioOnly`, only for the audio functions.
void* HookFor(void* value, bool audioOnly = false) {
  if (!value) return nullptr;
  const int count = audioOnly ? kDirectSoundCreate + 1 : kTargetCount;
  for (int i = 0; i < count; ++i) {
    const Target& t = g_targets[i];
    if (value == t.real || value == t.alias) return t.hook;
  }
  return nullptr;
}

bool IsOurHook(void* value) {
  for (const Target& t : g_targets) {
    if (value == t.hook) return true;
  }
  return false;
}

// The system's loader modules pass the loader functions on among themselves;
// their own tables stay as they are, so that a stand-in never calls itself.
bool IsLoaderModule(HMODULE module) {
  for (HMODULE m : g_loaderModules) {
    if (m && m == module) return true;
  }
  return false;
}

const IMAGE_DATA_DIRECTORY* Directory(HMODULE module, int index) {
  auto* base = reinterpret_cast<const BYTE*>(module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE ||
      nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC ||
      nt->OptionalHeader.NumberOfRvaAndSizes <= static_cast<DWORD>(index)) {
    return nullptr;
  }
  const IMAGE_DATA_DIRECTORY* dir = &nt->OptionalHeader.DataDirectory[index];
  return dir->VirtualAddress && dir->Size ? dir : nullptr;
}

// Points every entry of one import address table that holds an intercepted
// function at its stand-in (or, when removing, back at the original).
void PatchTable(void** entry, bool remove) {
  for (; *entry; ++entry) {
    if (remove) {
      if (!IsOurHook(*entry)) continue;
      // The latest record wins: a module may have been unloaded and another
      // loaded at its address since.
      for (auto p = g_entries->rbegin(); p != g_entries->rend(); ++p) {
        if (p->entry == entry) {
          WritePointer(entry, p->original);
          break;
        }
      }
      continue;
    }
    void* hook = HookFor(*entry);
    if (!hook) continue;
    void* original = *entry;
    if (WritePointer(entry, hook)) g_entries->push_back({entry, original});
  }
}

void PatchModule(HMODULE module, bool remove) {
  if (IsLoaderModule(module)) return;
  auto* base = reinterpret_cast<BYTE*>(module);
  if (const IMAGE_DATA_DIRECTORY* dir = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT)) {
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir->VirtualAddress);
         d->Name && d->FirstThunk; ++d) {
      PatchTable(reinterpret_cast<void**>(base + d->FirstThunk), remove);
    }
  }
  // Delay-loaded imports: entries already bound hold the real function;
  // those bound later go through GetProcAddress, which is intercepted.
  if (const IMAGE_DATA_DIRECTORY* dir = Directory(module, IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT)) {
    for (auto* d = reinterpret_cast<IMAGE_DELAYLOAD_DESCRIPTOR*>(base + dir->VirtualAddress);
         d->DllNameRVA && d->ImportAddressTableRVA; ++d) {
      // Only the table form that holds addresses relative to the image.
      if (!(d->Attributes.AllAttributes & 1)) continue;
      PatchTable(reinterpret_cast<void**>(base + d->ImportAddressTableRVA), remove);
    }
  }
}

// Every loaded module, each with a reference of ours: a FreeLibrary on
// another thread cannot unmap one while its tables are read and written.
// Taken and given back outside the interception's lock, since both take the
// loader lock.
std::vector<HMODULE> HoldModules() {
  std::vector<HMODULE> modules(256);
  DWORD needed = 0;
  for (;;) {
    const DWORD bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    if (!::EnumProcessModules(::GetCurrentProcess(), modules.data(), bytes, &needed)) return {};
    if (needed <= bytes) break;
    modules.resize(needed / sizeof(HMODULE) + 16);
  }
  modules.resize(needed / sizeof(HMODULE));
  std::vector<HMODULE> held;
  for (HMODULE m : modules) {
    // By address: a module freed since the listing is not loaded again.
    HMODULE h = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(m),
                              &h) ||
        !h) {
      continue;
    }
    if (h == m) {
      held.push_back(h);
    } else {
      ::FreeLibrary(h);
    }
  }
  return held;
}

// Brings every loaded module's import tables in line: after installation and
// after every load, since a new module may bring new DLLs and new callers.
void PatchAllModules(bool remove, void (*whileHeld)() = nullptr) {
  const std::vector<HMODULE> held = HoldModules();
  if (whileHeld) whileHeld();
  ::EnterCriticalSection(&g_lock);
  if (!g_removed) {
    for (HMODULE m : held) PatchModule(m, remove);
    if (remove) g_removed = true;
  }
  ::LeaveCriticalSection(&g_lock);
  for (HMODULE m : held) ::FreeLibrary(m);
}

void AfterLoad(bool loaded) {
  if (!loaded || g_removed) return;
  // Outside the lock: looking up modules and functions takes the loader lock.
  ResolveTargets();
  PatchAllModules(false);
}

void RemoveAtExit() {
  sound_intercept::Remove();
}

// The table entry of `slots` for an object's method table, or null.
const PatchedSlot* FindSlot(const PatchedSlot* slots, LONG count, void** table) {
  for (LONG i = 0; i < count; ++i) {
    if (slots[i].table == table) return &slots[i];
  }
  return nullptr;
}

// Points `slot` of an object's method table at `hook`, once per table.
void PatchMethod(void* object, int slot, void* hook, PatchedSlot* slots, volatile LONG* count) {
  if (!object) return;
  void** table = *reinterpret_cast<void***>(object);
  ::EnterCriticalSection(&g_lock);
  if (!FindSlot(slots, *count, table) && *count < kMaxTables && table[slot] != hook) {
    slots[*count] = {table, table[slot]};
    ::InterlockedIncrement(count);
    if (!WritePointer(&table[slot], hook)) slots[*count - 1].original = table[slot];
  }
  ::LeaveCriticalSection(&g_lock);
}

// The method an object's stand-in calls: the one its own table held.
void* OriginalMethod(void* object, const PatchedSlot* slots, volatile LONG* count) {
  const LONG n = *count;
  void** table = *reinterpret_cast<void***>(object);
  if (const PatchedSlot* s = FindSlot(slots, n, table)) return s->original;
  return n ? slots[0].original : nullptr;
}

void ZeroBlock(void* block, DWORD size) {
  if (block && size) std::memset(block, 0, size);
}

HRESULT WINAPI HookedDirectSoundCreate(LPCGUID device, LPDIRECTSOUND* ppDS, LPUNKNOWN outer) {
  const HRESULT hr = Real<DirectSoundCreateFn>(kDirectSoundCreate)(device, ppDS, outer);
  if (SUCCEEDED(hr) && ppDS && *ppDS) {
    PatchMethod(*ppDS, kCreateSoundBufferSlot, Address(&HookedCreateSoundBuffer),
                g_createBufferSlots, &g_nCreateBufferSlots);
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE HookedCreateSoundBuffer(IDirectSound* self, LPCDSBUFFERDESC desc,
                                                  LPDIRECTSOUNDBUFFER* ppBuffer, LPUNKNOWN outer) {
  auto real = reinterpret_cast<CreateSoundBufferFn>(
      OriginalMethod(self, g_createBufferSlots, &g_nCreateBufferSlots));
  if (!real) return E_FAIL;
  const HRESULT hr = real(self, desc, ppBuffer, outer);
  if (SUCCEEDED(hr) && ppBuffer && *ppBuffer) {
    PatchMethod(*ppBuffer, kUnlockSlot, Address(&HookedUnlock), g_unlockSlots, &g_nUnlockSlots);
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE HookedUnlock(IDirectSoundBuffer* self, LPVOID block1, DWORD size1,
                                       LPVOID block2, DWORD size2) {
  auto real = reinterpret_cast<UnlockFn>(OriginalMethod(self, g_unlockSlots, &g_nUnlockSlots));
  if (!real) return E_FAIL;
  if (g_nMute) {
    ZeroBlock(block1, size1);
    ZeroBlock(block2, size2);
  }
  return real(self, block1, size1, block2, size2);
}

// Loads of data files and of images mapped as resources run no code.
constexpr DWORD kDataOnly =
    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;

HMODULE WINAPI HookedLoadLibraryA(LPCSTR name) {
  HMODULE m = Real<LoadLibraryAFn>(kLoadLibraryA)(name);
  const DWORD error = ::GetLastError();
  AfterLoad(m != nullptr);
  ::SetLastError(error);
  return m;
}

HMODULE WINAPI HookedLoadLibraryW(LPCWSTR name) {
  HMODULE m = Real<LoadLibraryWFn>(kLoadLibraryW)(name);
  const DWORD error = ::GetLastError();
  AfterLoad(m != nullptr);
  ::SetLastError(error);
  return m;
}

HMODULE WINAPI HookedLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags) {
  HMODULE m = Real<LoadLibraryExAFn>(kLoadLibraryExA)(name, file, flags);
  const DWORD error = ::GetLastError();
  AfterLoad(m != nullptr && !(flags & kDataOnly));
  ::SetLastError(error);
  return m;
}

HMODULE WINAPI HookedLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  HMODULE m = Real<LoadLibraryExWFn>(kLoadLibraryExW)(name, file, flags);
  const DWORD error = ::GetLastError();
  AfterLoad(m != nullptr && !(flags & kDataOnly));
  ::SetLastError(error);
  return m;
}

LONG NTAPI HookedLdrLoadDll(PWSTR path, PULONG flags, PVOID name, PVOID* handle) {
  const LONG status = Real<LdrLoadDllFn>(kLdrLoadDll)(path, flags, name, handle);
  AfterLoad(status >= 0);
  return status;
}

FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC f = g_realGetProcAddress(module, name);
  if (!f) return f;
  // Only the audio functions are handed out replaced. A loader function
  // stays the system's own: its address must hold in other processes too
  // (CreateRemoteThread with LoadLibraryW), and a module loaded through it
  // is caught at the next load or mute change.
  void* hook = HookFor(reinterpret_cast<void*>(f), true);
  if (!hook) {
    // A DLL of an intercepted function that came in by a way the interception
    // did not see (the loader's own work) is looked at on its first lookup.
    const DWORD error = ::GetLastError();
    for (const Target& t : g_targets) {
      if (!t.real && ::GetModuleHandleW(t.dll) == module) {
        ResolveTargets();
        hook = HookFor(reinterpret_cast<void*>(f), true);
        break;
      }
    }
    ::SetLastError(error);
  }
  return hook ? reinterpret_cast<FARPROC>(hook) : f;
}

}  // namespace

MMRESULT WINAPI HookedWaveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  if (g_nMute && pwh && cbwh >= sizeof(WAVEHDR) && pwh->lpData) {
    std::memset(pwh->lpData, 0, pwh->dwBufferLength);
  }
  return Real<WaveOutWriteFn>(kWaveOutWrite)(hwo, pwh, cbwh);
}

namespace sound_intercept {

void SilenceMidiEvents(void* data, DWORD length) {
  auto* bytes = static_cast<BYTE*>(data);
  BYTE running = 0;  // the status a message without one goes on with
  for (DWORD at = 0; length - at >= 3 * sizeof(DWORD);) {
    DWORD event = 0;
    std::memcpy(&event, bytes + at + 2 * sizeof(DWORD), sizeof(event));
    BYTE* message = bytes + at + 2 * sizeof(DWORD);
    at += 3 * sizeof(DWORD);
    if (event & MEVT_F_LONG) {
      const DWORD size = (MEVT_EVENTPARM(event) + 3) & ~3u;
      if (size > length - at) break;
      at += size;
      continue;
    }
    if ((MEVT_EVENTTYPE(event) & ~(MEVT_F_CALLBACK >> 24)) != MEVT_SHORTMSG) continue;
    BYTE* velocity = message + 2;
    if (message[0] & 0x80) {
      running = message[0];
    } else {
      velocity = message + 1;
    }
    // A note-on of velocity 0 is a note-off: nothing new sounds, while the
    // note-offs, the timing and the controllers stay as they were.
    if ((running & 0xF0) == 0x90) *velocity = 0;
  }
}

}  // namespace sound_intercept

MMRESULT WINAPI HookedMidiStreamOut(HMIDISTRM hms, LPMIDIHDR pmh, UINT cbmh) {
  // Zeroing the events would lose their note-offs and leave notes hanging.
  if (g_nMute && pmh && cbmh >= offsetof(MIDIHDR, dwUser) && pmh->lpData) {
    sound_intercept::SilenceMidiEvents(pmh->lpData, pmh->dwBytesRecorded < pmh->dwBufferLength
                                                        ? pmh->dwBytesRecorded
                                                        : pmh->dwBufferLength);
  }
  return Real<MidiStreamOutFn>(kMidiStreamOut)(hms, pmh, cbmh);
}

namespace sound_intercept {

bool Install() {
  if (g_installed) return true;
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  g_realGetProcAddress = reinterpret_cast<GetProcAddressFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "GetProcAddress")));
  if (!g_realGetProcAddress) return false;
  ::InitializeCriticalSection(&g_lock);
  g_loaderModules[0] = kernel32;
  g_loaderModules[1] = ::GetModuleHandleW(L"kernelbase.dll");
  g_loaderModules[2] = ::GetModuleHandleW(L"ntdll.dll");
  g_entries = new std::vector<PatchedEntry>();
  g_installed = true;
  ResolveTargets();
  PatchAllModules(false);
  std::atexit(RemoveAtExit);
  return true;
}

void Refresh(void (*whileHeld)()) {
  if (!g_installed || g_removed) return;
  ResolveTargets();
  PatchAllModules(false, whileHeld);
}

void Remove() {
  if (!g_installed) return;
  PatchAllModules(true);
}

void SetMuted(int muted) {
  ::InterlockedExchange(&g_nMute, muted ? 1 : 0);
}

}  // namespace sound_intercept

int SetProcessMute(int muted) {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ::GetVersionExW(&version);
  if (version.dwMajorVersion >= 6) {
    SetMixerMute(1, muted);
    return SetMixerMute(0, muted) ? 1 : 0;
  }
  sound_intercept::Install();
  // Modules that came in by a way the loader's interception does not see.
  sound_intercept::Refresh();
  sound_intercept::SetMuted(muted);
  return 1;
}

#ifdef TOLV_TEST_SEAMS
namespace {

// A 440 Hz tone in two alternating buffers of 100 ms.
DWORD WINAPI ToneThread(LPVOID) {
  WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
  HWAVEOUT out = nullptr;
  if (::waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    return 1;
  }
  static short samples[2][4410];
  WAVEHDR headers[2] = {};
  for (int i = 0; i < 2; ++i) {
    headers[i].lpData = reinterpret_cast<LPSTR>(samples[i]);
    headers[i].dwBufferLength = sizeof(samples[i]);
    ::waveOutPrepareHeader(out, &headers[i], sizeof(WAVEHDR));
    headers[i].dwFlags |= WHDR_DONE;
  }
  for (;;) {
    for (int i = 0; i < 2; ++i) {
      if (!(headers[i].dwFlags & WHDR_DONE)) continue;
      for (int k = 0; k < 4410; ++k) {
        samples[i][k] = static_cast<short>(12000 * std::sin(k * 2 * 3.14159265 * 440 / 44100));
      }
      headers[i].dwFlags &= ~WHDR_DONE;
      ::waveOutWrite(out, &headers[i], sizeof(WAVEHDR));
    }
    ::Sleep(10);
  }
}

}  // namespace

void StartTestTone() {
  static bool started = false;
  if (started) return;
  started = true;
  if (HANDLE t = ::CreateThread(nullptr, 0, ToneThread, nullptr, 0, nullptr)) ::CloseHandle(t);
}
#endif
