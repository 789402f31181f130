// Per-process sound switch of a game frame process: the sound key and the
// sound button silence the games, each frame process silencing only its own
// audio (the game's sound comes from the Flash plug-in inside it).
//
// Windows Vista and later give every process its own entry in the volume
// mixer, which the legacy mixer interface controls. Earlier systems have no
// such entry: there the process's audio output functions are intercepted and
// every buffer is zeroed on its way to the system while muted.
#pragma once

#include <windows.h>

#include <mmsystem.h>

// Mutes (1) or restores (0) this process's sound. On Vista and later the
// result is that of the last mixer call; earlier, 1.
int SetProcessMute(int muted);

// Sets the mute control of one mixer line of this process: 0 the speakers
// destination, 1 the wave-out source, anything else the compact-disc source.
bool SetMixerMute(int line, BOOL muted);

// The interception used before Vista. Exposed for the tests, which run it on
// any system.
namespace sound_intercept {

// Installs the interception once per process (later calls do nothing) and
// arranges its removal at process exit. False when it could not be set up.
bool Install();
// Puts the intercepted functions back where the process's modules call them.
void Remove();
// While non-zero, every audio buffer handed to the system is silenced first.
void SetMuted(int muted);
// Brings every loaded module in line again (one may have come in by a way
// the interception did not see). `whileHeld`, for tests, runs once every
// module is held and before any table is read.
void Refresh(void (*whileHeld)() = nullptr);

// Writes one pointer where the page may be read-only (import and method
// tables usually are), giving each page it lies on back exactly the
// protection found there. False when a page cannot be written.
bool WriteProtectedPointer(void** where, void* value);
// The protection that makes a page of `protection` writable, keeping
// whether it executes; 0 for a page that is not to be written (no access,
// guard pages).
DWORD WritableProtection(DWORD protection);
// Silences a MIDI stream buffer's events (MIDIEVENT records) without
// losing a note-off: every note-on gets velocity 0.
void SilenceMidiEvents(void* data, DWORD length);

}  // namespace sound_intercept

// The intercepting routines, each with the signature of what it stands for.
MMRESULT WINAPI HookedWaveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT WINAPI HookedMidiStreamOut(HMIDISTRM hms, LPMIDIHDR pmh, UINT cbmh);

#ifdef TOLV_TEST_SEAMS
// Test builds only: plays a steady tone through waveOut on a thread of its own
// (once per process), so that tests can watch this process's stream.
void StartTestTone();
#endif
