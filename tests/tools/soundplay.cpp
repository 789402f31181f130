// soundplay.dll: plays audio buffers the way a game's plug-in does, from a
// DLL of its own, and says what became of each buffer on its way to the
// system: 1 silenced (zeroed; MIDI notes at velocity 0), 0 untouched, 2
// anything else, -1 the path is unavailable.
// It links only the system's audio libraries.
#include <windows.h>

#include <dsound.h>
#include <mmsystem.h>

#include <cstring>

namespace {

constexpr unsigned char kPattern = 0x55;
constexpr DWORD kSize = 4096;

int Verdict(const void* data, DWORD size) {
  const auto* p = static_cast<const unsigned char*>(data);
  bool zero = true, untouched = true;
  for (DWORD i = 0; i < size; ++i) {
    zero = zero && p[i] == 0;
    untouched = untouched && p[i] == kPattern;
  }
  return zero ? 1 : untouched ? 0 : 2;
}

// A handle no device answers to: the real function refuses it, but a
// buffer is zeroed on the way in or not at all.
HWAVEOUT NoDevice() {
  return reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0x7FF1));
}

}  // namespace

extern "C" {

// waveOutWrite through this DLL's import table; on the default device when
// `device` is non-zero, else on a handle no device answers to.
__declspec(dllexport) int PlayWave(int device) {
  static char data[kSize];
  std::memset(data, kPattern, kSize);
  WAVEHDR header = {};
  header.lpData = data;
  header.dwBufferLength = kSize;
  HWAVEOUT out = NoDevice();
  if (device) {
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    if (::waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
      return -1;
    }
    ::waveOutPrepareHeader(out, &header, sizeof(header));
  }
  ::waveOutWrite(out, &header, sizeof(header));
  const int verdict = Verdict(data, kSize);
  if (device) {
    ::waveOutReset(out);
    ::waveOutUnprepareHeader(out, &header, sizeof(header));
    ::waveOutClose(out);
  }
  return verdict;
}

// waveOutWrite looked up at run time, as plug-ins that load their audio
// library themselves do.
__declspec(dllexport) int PlayWaveLookedUp() {
  using Fn = MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT);
  HMODULE winmm = ::LoadLibraryW(L"winmm.dll");
  auto write =
      reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(winmm, "waveOutWrite")));
  if (!write) return -1;
  static char data[kSize];
  std::memset(data, kPattern, kSize);
  WAVEHDR header = {};
  header.lpData = data;
  header.dwBufferLength = kSize;
  write(NoDevice(), &header, sizeof(header));
  return Verdict(data, kSize);
}

// A MIDI stream buffer: 1 when its notes were silenced and nothing else
// changed (note-ons at velocity 0, note-offs, timing, a tempo change, a long
// message and what follows the recorded events as they were).
__declspec(dllexport) int PlayMidiStream() {
  static const DWORD kEvents[] = {
      0,          0, MEVT_SHORTMSG << 24 | 0x90 | 60 << 8 | 100 << 16,  // note-on
      96,         0, MEVT_SHORTMSG << 24 | 64 | 90 << 8,                // running status
      10,         0, MEVT_TEMPO << 24 | 500000,
      0,          0, MEVT_F_LONG | MEVT_LONGMSG << 24 | 3,
      0x00643C90,                                                      // bytes, not a note
      96,         0, MEVT_SHORTMSG << 24 | 0x80 | 60 << 8 | 64 << 16,  // note-off
  };
  static char data[kSize];
  std::memset(data, kPattern, kSize);
  std::memcpy(data, kEvents, sizeof(kEvents));
  char silenced[kSize];
  std::memcpy(silenced, data, kSize);
  silenced[8 + 2] = 0;
  silenced[20 + 1] = 0;
  char original[kSize];
  std::memcpy(original, data, kSize);
  MIDIHDR header = {};
  header.lpData = data;
  header.dwBufferLength = kSize;
  header.dwBytesRecorded = sizeof(kEvents);
  ::midiStreamOut(reinterpret_cast<HMIDISTRM>(static_cast<UINT_PTR>(0x7FF3)), &header,
                  sizeof(header));
  return std::memcmp(data, silenced, kSize) == 0   ? 1
         : std::memcmp(data, original, kSize) == 0 ? 0
                                                   : 2;
}

// A DirectSound secondary buffer: filled, unlocked, then read back.
__declspec(dllexport) int PlayDirectSound() {
  IDirectSound* sound = nullptr;
  if (FAILED(::DirectSoundCreate(nullptr, &sound, nullptr)) || !sound) return -1;
  sound->SetCooperativeLevel(::GetDesktopWindow(), DSSCL_PRIORITY);
  WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DSBCAPS_GLOBALFOCUS;
  desc.dwBufferBytes = kSize;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  int verdict = -1;
  if (SUCCEEDED(sound->CreateSoundBuffer(&desc, &buffer, nullptr)) && buffer) {
    void *block1 = nullptr, *block2 = nullptr;
    DWORD size1 = 0, size2 = 0;
    if (SUCCEEDED(buffer->Lock(0, kSize, &block1, &size1, &block2, &size2, 0))) {
      std::memset(block1, kPattern, size1);
      buffer->Unlock(block1, size1, block2, size2);
      if (SUCCEEDED(buffer->Lock(0, kSize, &block1, &size1, &block2, &size2, 0))) {
        verdict = Verdict(block1, size1);
        buffer->Unlock(block1, 0, block2, 0);
      }
    }
    buffer->Release();
  }
  sound->Release();
  return verdict;
}

}  // extern "C"
