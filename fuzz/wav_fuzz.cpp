// The WAV chunk walk and the reading of the "fmt " chunk on any bytes: chunks cut short,
// sizes past the end or past the RIFF size, empty data. The views found must lie
// inside the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/audio/wave_out.h"
#include "runtime/sound/sound.h"
#include "runtime/sound/wav_player.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  zorvel::RecogniseSound(bytes);
  zorvel::wav::Chunks chunks;
  if (!zorvel::wav::FindChunks(bytes, chunks)) return 0;
  if (chunks.samples.empty()) __builtin_trap();
  // Every byte of both views is read, so a view past the input is reported.
  unsigned sum = 0;
  for (std::uint8_t b : chunks.samples) sum += b;
  for (std::uint8_t b : chunks.format) sum += b;
  zorvel::audio::WaveFormat format;
  if (zorvel::audio::ReadWaveFormat(chunks.format, format) && format.channels == 0) __builtin_trap();
  return static_cast<int>(sum & 0);
}
