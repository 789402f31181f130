#include "tools/sound_mute.h"

#include <gtest/gtest.h>

namespace {

// soundplay.dll (beside the test) plays buffers from a DLL of its own and
// answers 1 zeroed, 0 untouched, -1 unavailable.
using PlayFn = int (*)();
using PlayWaveFn = int (*)(int);

template <typename F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

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

  // The wave function that the DLL's own lookup hands out is the stand-in.
  EXPECT_EQ(
      reinterpret_cast<void*>(&HookedWaveOutWrite),
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"winmm.dll"), "waveOutWrite")));
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
