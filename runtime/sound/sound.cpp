#include "runtime/sound/sound.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "runtime/program.h"
#include "runtime/service.h"
#include "runtime/sound/midi.h"
#include "runtime/sound/wav_player.h"
#include "runtime/text.h"
#include "text/files.h"

namespace zorvel {

namespace {

// The music each window plays; its MIDI player when the music is MIDI.
struct WindowMusic {
  SoundKind kind = SoundKind::kNone;
  std::unique_ptr<MidiPlayer> midi;
};

struct MusicTable {
  std::mutex lock;
  std::map<std::uint32_t, WindowMusic> windows;
};
MusicTable& Music() {
  static MusicTable* table = new MusicTable;
  return *table;
}

std::span<const std::uint8_t> Span(std::string_view bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

void StopWindowMusic(WindowMusic& music) {
  if (music.kind == SoundKind::kMidi && music.midi) music.midi->Stop();
  if (music.kind == SoundKind::kWave) wav::StopWavePlayers(false);
  music.kind = SoundKind::kNone;
}

}  // namespace

SoundKind RecogniseSound(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > 11 && std::memcmp(bytes.data(), "RIFF", 4) == 0 && std::memcmp(bytes.data() + 8, "WAVE", 4) == 0) {
    return SoundKind::kWave;
  }
  if (bytes.size() > 4 && std::memcmp(bytes.data(), "MThd", 4) == 0) return SoundKind::kMidi;
  return SoundKind::kNone;
}

bool PlaySoundData(const std::uint8_t* bytes, std::size_t length, bool loop) {
  if (bytes == nullptr || length == 0) return false;
  const std::span<const std::uint8_t> data(bytes, length);
  switch (RecogniseSound(data)) {
    case SoundKind::kWave: return wav::StartWavePlayer(data, loop);
    case SoundKind::kMidi: return PlayMidi(data, loop);
    case SoundKind::kNone: break;
  }
  return false;
}

bool PlaySoundFile(std::string_view gbkPath, bool loop) {
  if (gbkPath.empty()) return false;
  std::string contents;
  if (!ReadWholeFile(NativePath(gbkPath), contents)) return false;
  return PlaySoundData(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size(), loop);
}

void StopSounds(bool wait) {
  StopMidi();
  wav::StopWavePlayers(wait);
}

void PlayWindowMusic(std::uint32_t windowId, std::string_view bytes, int playMode) {
  MusicTable& table = Music();
  std::lock_guard hold(table.lock);
  const auto found = table.windows.find(windowId);
  if (found != table.windows.end()) StopWindowMusic(found->second);
  const SoundKind kind = RecogniseSound(Span(bytes));
  if (bytes.empty() || (playMode != 0 && playMode != 1) || kind == SoundKind::kNone) {
    if (found != table.windows.end()) table.windows.erase(found);
    return;
  }
  WindowMusic& music = table.windows[windowId];
  const bool loop = playMode == 0;
  if (kind == SoundKind::kWave) {
    if (wav::StartWavePlayer(Span(bytes), loop)) music.kind = SoundKind::kWave;
  } else {
    if (!music.midi) music.midi = std::make_unique<MidiPlayer>();
    music.midi->Play(Span(bytes), loop);
    music.kind = SoundKind::kMidi;
  }
}

void InstallSound() {
  static std::once_flag once;
  std::call_once(once, [] {
    ProvideService(service::kPlaySoundData, [](std::intptr_t first, std::intptr_t second) -> std::intptr_t {
      const std::string_view bytes = ByteSetView(reinterpret_cast<const std::uint8_t*>(first));
      return PlaySoundData(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), second != 0) ? 1 : 0;
    });
    ProvideService(service::kStopSounds, [](std::intptr_t, std::intptr_t) -> std::intptr_t {
      StopSounds(false);
      return 0;
    });
    AddShutdownStep(ShutdownPhase::kResources, [](int) {
      {
        MusicTable& table = Music();
        std::lock_guard hold(table.lock);
        table.windows.clear();  // each window's MIDI player stops as it goes
      }
      StopSounds(true);
    });
  });
}

namespace cmd {

void PlaySound(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  const bool loop = a.logical(1);
  bool started = false;
  if (a.present(0)) {
    const std::uint32_t t = type::IsVariable(a[0].type) ? type::VariableType(a[0].type) : a[0].type;
    if (t == type::kText) {
      started = PlaySoundFile(a.textView(0), loop);
    } else if (t == type::kByteSet) {
      const std::string_view bytes = a.bytes(0);
      started = PlaySoundData(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), loop);
    }
  }
  *result = TypedValue::Logical(started);
}

}  // namespace cmd

}  // namespace zorvel
