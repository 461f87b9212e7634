// MIDI files from outside: the parse and the merge into stream events take any bytes
// without crashing, hanging or reading out of bounds. Every event written is whole and
// of a kind the output plays, a piece that does not loop ends after a bounded number of
// buffers, and once ended it gives nothing more.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/audio/midi_out.h"
#include "runtime/sound/midi_file.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Checks one filled buffer and gives its event count.
std::size_t CheckBuffer(std::span<const std::uint8_t> buffer, std::size_t bytes) {
  Check(bytes % zorvel::audio::kMidiEventBytes == 0 && bytes <= buffer.size());
  const std::size_t count = bytes / zorvel::audio::kMidiEventBytes;
  for (std::size_t i = 0; i < count; ++i) {
    const zorvel::audio::MidiStreamEvent event = zorvel::audio::ReadMidiStreamEvent(buffer, i);
    Check(event.streamId == 0);
    const std::uint32_t type = event.event & zorvel::audio::kMidiEventTypeMask;
    if (type == zorvel::audio::kMidiEventShort) {
      const std::uint32_t status = event.event & 0xFF;
      Check(status >= 0x80 && status < 0xF0);
      Check((event.event & 0x00808000) == 0);  // data bytes are seven bits
    } else {
      Check(type == zorvel::audio::kMidiEventTempo);
    }
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  zorvel::MidiSequence sequence;
  const zorvel::MidiParse result = sequence.Parse(bytes);
  Check(result != zorvel::MidiParse::kNotMidi || !zorvel::IsMidiData(bytes));
  std::vector<std::uint8_t> buffer(1024);
  // The tempo scale comes from the last byte, so that scales other than 100 are tried.
  const std::uint32_t scale = size > 0 ? data[size - 1] : 100;

  // Once through: every event takes at least one byte of a track, so the buffers are
  // bounded by the size of the data.
  std::size_t fills = 0;
  while (true) {
    const std::size_t written = sequence.Fill(buffer, false, scale);
    if (written == 0) break;
    CheckBuffer(buffer, written);
    Check(++fills <= size / 85 + 2);
  }
  Check(sequence.Ended() && sequence.Fill(buffer, false, scale) == 0);

  // Looping: a few buffers, each full unless the piece has no events at all.
  sequence.Rewind();
  for (int i = 0; i < 8; ++i) {
    const std::size_t written = sequence.Fill(buffer, true, scale);
    const std::size_t count = CheckBuffer(buffer, written);
    Check(count == 0 || count == 85);
    if (count == 0) break;
  }
  return 0;
}
