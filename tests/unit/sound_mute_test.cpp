#include "tools/sound_mute.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <thread>

namespace {

// soundplay.dll (beside the test) plays buffers from a DLL of its own and
// answers 1 silenced, 0 untouched, -1 unavailable.
using PlayFn = int (*)();
using PlayWaveFn = int (*)(int);

template <typename F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The loader functions as kernel32 hands them out before any interception.
const char* const kLoaderFunctions[] = {"LoadLibraryA", "LoadLibraryW", "LoadLibraryExA",
                                        "LoadLibraryExW", "GetProcAddress"};
struct LoaderAddresses {
  LoaderAddresses() {
    for (int i = 0; i < 5; ++i) {
      before[i] = reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), kLoaderFunctions[i]));
    }
  }
  void* before[5];
} g_loader;

TEST(SoundInterception, CatchesADllLoadedAfterItWasInstalled) {
  ASSERT_EQ(nullptr, ::GetModuleHandleW(L"soundplay.dll"));
  ASSERT_TRUE(sound_intercept::Install());
  // Installing twice changes nothing.
  ASSERT_TRUE(sound_intercept::Install());
  HMODULE play = ::LoadLibraryW(L"soundplay.dll");
  ASSERT_NE(nullptr, play);
  auto wave = Export<PlayWaveFn>(play, "PlayWave");
  auto lookedUp = Export<PlayFn>(play, "PlayWaveLookedUp");
  auto midi = Export<PlayFn>(play, "PlayMidiStream");
  auto dsound = Export<PlayFn>(play, "PlayDirectSound");
  ASSERT_TRUE(wave && lookedUp && midi && dsound);

  sound_intercept::SetMuted(1);
  EXPECT_EQ(1, wave(0));
  EXPECT_EQ(1, lookedUp());
  EXPECT_EQ(1, midi());
  const int dsoundMuted = dsound();
  EXPECT_NE(0, dsoundMuted);  // zeroed, or no DirectSound device here

  sound_intercept::SetMuted(0);
  EXPECT_EQ(0, wave(0));
  EXPECT_EQ(0, lookedUp());
  EXPECT_EQ(0, midi());
  EXPECT_NE(1, dsound());

  // The wave function that the DLL's own lookup hands out is the stand-in;
  // the loader's functions are the system's own, valid in other processes
  // too (CreateRemoteThread with LoadLibraryW).
  EXPECT_EQ(
      reinterpret_cast<void*>(&HookedWaveOutWrite),
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"winmm.dll"), "waveOutWrite")));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(g_loader.before[i], reinterpret_cast<void*>(::GetProcAddress(
                                      ::GetModuleHandleW(L"kernel32.dll"), kLoaderFunctions[i])))
        << kLoaderFunctions[i];
  }
}

HMODULE g_freed = nullptr;
bool g_mappedWhileHeld = false;

TEST(SoundInterception, AModuleFreedMeanwhileStaysMappedUntilItsTablesAreDone) {
  ASSERT_TRUE(sound_intercept::Install());
  // A module of its own, loaded once: its last FreeLibrary unmaps it.
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.rfind(L'\\') + 1);
  const std::wstring copy = dir + L"soundfree.dll";
  ASSERT_TRUE(::CopyFileW((dir + L"soundplay.dll").c_str(), copy.c_str(), FALSE));
  g_freed = ::LoadLibraryW(copy.c_str());
  ASSERT_NE(nullptr, g_freed);
  sound_intercept::Refresh([] {
    // Another thread frees it while the interception is about to read it.
    std::thread([] { ::FreeLibrary(g_freed); }).join();
    g_mappedWhileHeld = ::GetModuleHandleW(L"soundfree.dll") == g_freed;
  });
  EXPECT_TRUE(g_mappedWhileHeld);
  EXPECT_EQ(nullptr, ::GetModuleHandleW(L"soundfree.dll"));
  ::DeleteFileW(copy.c_str());
}

TEST(SoundInterception, EachPageGetsItsOwnProtectionBack) {
  SYSTEM_INFO system = {};
  ::GetSystemInfo(&system);
  auto* pages = static_cast<BYTE*>(
      ::VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(nullptr, pages);
  DWORD old = 0;
  ::VirtualProtect(pages, 1, PAGE_READONLY, &old);
  ::VirtualProtect(pages + system.dwPageSize, 1, PAGE_EXECUTE_READ, &old);
  // A pointer across the two pages.
  void** where = reinterpret_cast<void**>(pages + system.dwPageSize - 2);
  void* value = reinterpret_cast<void*>(static_cast<UINT_PTR>(0x12345678));
  ASSERT_TRUE(sound_intercept::WriteProtectedPointer(where, value));
  void* written = nullptr;
  std::memcpy(&written, where, sizeof(written));
  EXPECT_EQ(value, written);
  MEMORY_BASIC_INFORMATION info = {};
  ::VirtualQuery(pages, &info, sizeof(info));
  EXPECT_EQ(static_cast<DWORD>(PAGE_READONLY), info.Protect);
  ::VirtualQuery(pages + system.dwPageSize, &info, sizeof(info));
  EXPECT_EQ(static_cast<DWORD>(PAGE_EXECUTE_READ), info.Protect);
  // Data pages never become executable; guard pages are not written.
  EXPECT_EQ(static_cast<DWORD>(PAGE_READWRITE), sound_intercept::WritableProtection(PAGE_READONLY));
  EXPECT_EQ(0u, sound_intercept::WritableProtection(PAGE_READONLY | PAGE_GUARD));
  EXPECT_EQ(0u, sound_intercept::WritableProtection(PAGE_NOACCESS));
  ::VirtualFree(pages, 0, MEM_RELEASE);
}

// Runs last: removal is for good in a process.
TEST(SoundInterception, RemovalGivesEveryModuleItsFunctionsBack) {
  ASSERT_TRUE(sound_intercept::Install());
  HMODULE play = ::LoadLibraryW(L"soundplay.dll");
  ASSERT_NE(nullptr, play);
  auto wave = Export<PlayWaveFn>(play, "PlayWave");
  auto lookedUp = Export<PlayFn>(play, "PlayWaveLookedUp");
  sound_intercept::SetMuted(1);
  ASSERT_EQ(1, wave(0));
  sound_intercept::Remove();
  EXPECT_EQ(0, wave(0));
  // The DLL's own GetProcAddress hands out the real function again.
  EXPECT_EQ(0, lookedUp());
  sound_intercept::SetMuted(0);
}

TEST(SoundMixer, NoSoundDeviceLeavesTheStateAlone) {
  // The unit tests run without a sound server: the mixer cannot be opened.
  if (::waveOutGetNumDevs() > 0) GTEST_SKIP() << "a sound device is present";
  EXPECT_FALSE(SetMixerMute(0, TRUE));
  EXPECT_FALSE(SetMixerMute(1, FALSE));
}

}  // namespace
