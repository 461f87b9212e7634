#include "platform/audio/midi_out.h"

#include <mutex>

#include "platform/audio/midi_stream.h"

namespace zorvel::audio {

namespace {

std::uint32_t Load32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

void Store32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value >> 16);
  at[3] = static_cast<std::uint8_t>(value >> 24);
}

std::mutex factoryMutex;
MidiOutFactory& Factory() {
  static MidiOutFactory factory;
  return factory;
}

}  // namespace

MidiStreamEvent ReadMidiStreamEvent(std::span<const std::uint8_t> buffer, std::size_t index) {
  MidiStreamEvent event;
  if (index >= buffer.size() / kMidiEventBytes) return event;
  const std::uint8_t* at = buffer.data() + index * kMidiEventBytes;
  event.delta = Load32(at);
  event.streamId = Load32(at + 4);
  event.event = Load32(at + 8);
  return event;
}

void WriteMidiStreamEvent(std::span<std::uint8_t> buffer, std::size_t index, const MidiStreamEvent& event) {
  if (index >= buffer.size() / kMidiEventBytes) return;
  std::uint8_t* at = buffer.data() + index * kMidiEventBytes;
  Store32(at, event.delta);
  Store32(at + 4, event.streamId);
  Store32(at + 8, event.event);
}

void SetMidiOutFactory(MidiOutFactory factory) {
  std::lock_guard lock(factoryMutex);
  Factory() = std::move(factory);
}

// The choice of output: a factory set by a test; else a synthesiser port of the ALSA
// sequencer; else the embedded FluidSynth; else none.
std::unique_ptr<MidiOut> OpenMidiOut(MidiOut::BufferDone done) {
  MidiOutFactory factory;
  {
    std::lock_guard lock(factoryMutex);
    factory = Factory();
  }
  if (factory) return factory(std::move(done));
  std::unique_ptr<MidiSink> sink = OpenAlsaSynthSink();
  if (!sink) sink = OpenFluidSynthSink();
  if (!sink) return nullptr;
  return std::make_unique<TimedMidiStream>(std::move(sink), std::move(done));
}

}  // namespace zorvel::audio
