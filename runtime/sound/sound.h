// Sound playback: WAV sounds on the wave output, each streaming on a thread of its own,
// and MIDI pieces on the runtime's MIDI player; the PlaySound command, the sound
// services and the background music of windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/commands.h"

namespace zorvel {

namespace service {
inline constexpr int kPlaySoundData = 2015;  // first: byte set, second: loop; 1 when playback started
inline constexpr int kStopSounds = 2016;     // stops every sound without waiting
}  // namespace service

enum class SoundKind { kNone, kWave, kMidi };

// What the first bytes say: WAV is more than 11 bytes with "RIFF" at 0 and "WAVE" at
// 8; MIDI is more than 4 bytes with "MThd" at 0.
SoundKind RecogniseSound(std::span<const std::uint8_t> bytes);

// Plays sound data; true when it was recognised and playback started. WAV sounds play
// alongside each other; a MIDI piece replaces the one the runtime's MIDI player plays.
bool PlaySoundData(const std::uint8_t* bytes, std::size_t length, bool loop);

// Reads the whole file (a GBK name through the file layer), then as PlaySoundData.
bool PlaySoundFile(std::string_view gbkPath, bool loop);

// Stops the MIDI piece and signals every WAV sound to stop; with `wait`, returns only
// once every WAV thread has ended.
void StopSounds(bool wait);

// The background music of a window: play mode 0 loops, 1 plays once, anything else
// plays nothing; a new call for the window stops its old music first, and empty bytes
// only stop it. MIDI music plays on a MIDI player of the window's own; stopping WAV
// music signals every WAV sound to stop. (The window unit's music hook.)
void PlayWindowMusic(std::uint32_t windowId, std::string_view bytes, int playMode);

// Serves the sound services and adds the clean-up step that stops every sound and
// waits for the WAV threads at program end. Once per process; later calls do nothing.
void InstallSound();

namespace cmd {
// Text (file name) or byte set of sound data, optional loop flag -> logical.
ZORVEL_COMMAND(PlaySound);
}  // namespace cmd

}  // namespace zorvel
