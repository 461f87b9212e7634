// Wave output: a device that plays blocks of samples in the order they are written and
// hands each block back once it has been played out of the caller's memory.
//
// The device is opened with the bytes of a WAV "fmt " chunk as they stand in the file.
// Write queues a block; the memory must stay untouched until the device gives the
// block back through the callback passed to OpenWaveOut. The callback runs on the
// device's own writer thread (or, for blocks dropped by Reset, on the caller of Reset)
// and must only count and signal.
//
// The implementation lives beside this file (alsa_wave_out.cpp: ALSA PCM, with ALSA's
// own conversion of sample format, channels and rate).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace zorvel::audio {

// What the "fmt " chunk says, read the way the device reads it.
struct WaveFormat {
  std::uint16_t tag = 0;  // 1 integer PCM, 3 IEEE float, 6 A-law, 7 mu-law (extensible: from its sub-format)
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint16_t blockAlign = 0;  // bytes per frame
  std::uint16_t bits = 0;        // container bits per sample
};

// Reads a "fmt " chunk; false when it is too short or describes no frame at all.
bool ReadWaveFormat(std::span<const std::uint8_t> fmtChunk, WaveFormat& format);

class WaveOut {
 public:
  using BlockDone = std::function<void()>;
  virtual ~WaveOut() = default;  // closes: what was written and not reset is played out first

  // Queues a block. The block comes back through the callback once it has been played.
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
  // Stops handing blocks to the sound card; queued blocks stay queued.
  virtual void Pause() = 0;
  // Drops everything queued or playing; every block not yet given back is given back now.
  virtual void Reset() = 0;
};

// Opens the output device with the format of a "fmt " chunk. Null when there is no
// device or it refuses the format.
std::unique_ptr<WaveOut> OpenWaveOut(std::span<const std::uint8_t> fmtChunk, WaveOut::BlockDone done);

// The ALSA PCM wave output opens: "default" unless set (empty restores "default").
// The device name is read at each open.
void SetWaveOutDevice(std::string name);

// For tests and measurements: called for every block at two moments, on the thread
// that writes the block and on the writer thread just before the block goes to ALSA.
// The observer may sleep in kToDevice to play the part of a card that takes the
// samples at their real rate. Null removes it.
struct WaveBlockEvent {
  enum Kind { kWritten, kToDevice } kind;
  std::uint64_t device;         // serial number of the open device
  const std::uint8_t* data;
  std::size_t size;
  int pending;                  // blocks queued or playing, not counting this one
  std::uint32_t bytesPerSecond; // blockAlign × rate
};
void SetWaveBlockObserver(std::function<void(const WaveBlockEvent&)> observer);

}  // namespace zorvel::audio
