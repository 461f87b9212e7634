// WAV playback: each sound streams on a thread of its own, in blocks of 15360 bytes with
// up to 20 blocks queued on the wave output, so several sounds can sound at once.
#pragma once

#include <cstdint>
#include <span>

namespace zorvel::wav {

// The two chunks a WAV sound needs, as views into its bytes.
struct Chunks {
  std::span<const std::uint8_t> format;   // the "fmt " chunk's data, as far as present
  std::span<const std::uint8_t> samples;  // the "data" chunk's data, as far as present
};

// Walks the chunks of RIFF/WAVE data from offset 12, in any order, until both "fmt "
// and "data" have been seen or the walk passes the RIFF size. False for data of 35
// bytes or less, without "RIFF" and "WAVE", without either chunk, or with no samples.
bool FindChunks(std::span<const std::uint8_t> bytes, Chunks& chunks);

// Starts a player for the sound: a private copy of its samples, the wave output opened
// with its "fmt " chunk, and its own thread. True when the player runs, which it also
// does when there is no output device or the device refuses the format: then no block
// ever comes back and the thread ends itself after the idle time-out.
bool StartWavePlayer(std::span<const std::uint8_t> bytes, bool loop);

// Signals every playing player to stop; with `wait`, also waits until every player
// thread has ended (the process-wide lock is not held while waiting).
void StopWavePlayers(bool wait);

// Players started and not yet finished.
int PlayingWaveCount();

// How long a player waits for a block to come back before it gives up: 8888 ms.
// Tests may shorten it; 0 restores the normal time-out.
void SetWaveIdleTimeout(std::uint32_t milliseconds);

}  // namespace zorvel::wav
