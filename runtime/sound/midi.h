// MIDI playback: standard MIDI files played through the platform's MIDI stream output,
// one piece at a time per player. The runtime has one player of its own (PlayMidi /
// StopMidi, used by PlaySound and animation objects); each window with background music
// owns a MidiPlayer of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace zorvel {

class MidiPlayerImpl;

class MidiPlayer {
 public:
  MidiPlayer();
  ~MidiPlayer();  // stops the piece
  MidiPlayer(const MidiPlayer&) = delete;
  MidiPlayer& operator=(const MidiPlayer&) = delete;

  // Stops the piece that is playing, keeps a copy of the bytes and plays them, from the
  // start again when `loop` is set and the tracks run out. False only when the data is
  // not MIDI ("MThd" at 0, more than 4 bytes) or the output refuses the stream; a bad
  // header or track plays nothing and still gives true.
  bool Play(std::span<const std::uint8_t> data, bool loop);

  // Stops the stream and resets the output; waits at most 2000 ms for the output to
  // give the buffers back.
  void Stop();

  // True from Play until the piece ends (no loop) or is stopped.
  bool IsPlaying() const;

  // Tempo scale in percent (100 unless changed): tempo values sent to the output are
  // tempo × 100 / scale. Applies from the next buffer filled.
  void SetTempoScale(std::uint32_t percent);

 private:
  std::unique_ptr<MidiPlayerImpl> impl_;
};

// The runtime's own MIDI player. A new request stops the old piece (never WAV sounds).
bool PlayMidi(std::span<const std::uint8_t> data, bool loop);
void StopMidi();

}  // namespace zorvel
