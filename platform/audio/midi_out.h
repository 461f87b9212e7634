// MIDI stream output: buffers of timed events are queued to the output, which plays
// them in order, timed by ticks of the stream's time division and the tempo the events
// set, and gives each buffer back through a callback when it has been played (or when
// the stream is stopped).
//
// A stream event is 12 bytes, three little-endian 32-bit words: the delta time in ticks
// since the previous event, a stream id (0), and the event word. The event word's bits
// 24-29 give the event type, bits 0-23 its parameter:
//   short message: status | first data byte << 8 | second data byte << 16;
//   tempo:         microseconds per quarter note (24 bits);
//   no-op:         nothing happens but the delay.
// Bit 30 asks for a callback when the event is played; the outputs here do not use it.
//
// The outputs side by side: the ALSA sequencer (midi_out_alsa.cpp) when a synthesiser
// port exists, an embedded FluidSynth (midi_out_fluid.cpp) otherwise; both play through
// the timed stream of midi_stream.h. OpenMidiOut is the one place that chooses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace zorvel::audio {

inline constexpr std::size_t kMidiEventBytes = 12;
inline constexpr std::uint32_t kMidiEventShort = 0x00000000;
inline constexpr std::uint32_t kMidiEventTempo = 0x01000000;
inline constexpr std::uint32_t kMidiEventNop = 0x02000000;
inline constexpr std::uint32_t kMidiEventTypeMask = 0x3F000000;
inline constexpr std::uint32_t kMidiEventParamMask = 0x00FFFFFF;
inline constexpr std::uint32_t kMidiEventCallback = 0x40000000;

// Tempo of a stream before any tempo event: 120 quarter notes a minute.
inline constexpr std::uint32_t kMidiDefaultTempo = 500000;

struct MidiStreamEvent {
  std::uint32_t delta = 0;
  std::uint32_t streamId = 0;
  std::uint32_t event = 0;
  friend bool operator==(const MidiStreamEvent&, const MidiStreamEvent&) = default;
};

// Reads the event at `index` (0-based) of a buffer of stream events.
MidiStreamEvent ReadMidiStreamEvent(std::span<const std::uint8_t> buffer, std::size_t index);
void WriteMidiStreamEvent(std::span<std::uint8_t> buffer, std::size_t index, const MidiStreamEvent& event);

class MidiOut {
 public:
  // Called with the index given to Queue once the buffer has been played, or given back
  // by Stop. It may run on any thread, Stop's caller's included, and may queue again.
  using BufferDone = std::function<void(int index)>;

  virtual ~MidiOut() = default;  // closing: no callback runs after it returns

  // Ticks per quarter note, or with the high bit set, SMPTE frames (negated, high byte)
  // and ticks per frame (low byte). False when the division can not be played.
  virtual bool SetTimeDivision(std::uint16_t division) = 0;

  // Queues a buffer of whole stream events (a copy is taken). Playing starts with the
  // first buffer queued. False when the output refuses it.
  virtual bool Queue(int index, std::span<const std::uint8_t> events) = 0;

  // Stops playing: every queued buffer comes back through the callback.
  virtual void Stop() = 0;

  // Silences the output: notes off and controllers reset on every channel.
  virtual void Reset() = 0;
};

using MidiOutFactory = std::function<std::unique_ptr<MidiOut>(MidiOut::BufferDone)>;

// Opens the platform's MIDI stream output; null when there is none.
std::unique_ptr<MidiOut> OpenMidiOut(MidiOut::BufferDone done);

// Replaces the platform's output with another (tests observe what is played); an empty
// factory gives the platform's output back.
void SetMidiOutFactory(MidiOutFactory factory);

}  // namespace zorvel::audio
