// The timed MIDI stream: plays queued buffers of stream events on a thread of its own,
// waiting out each event's delta at the current tempo, and sends the short messages to
// a sink (a synthesiser). The sinks: a synthesiser port of the ALSA sequencer, or an
// embedded FluidSynth.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/audio/midi_out.h"

namespace zorvel::audio {

class MidiSink {
 public:
  virtual ~MidiSink() = default;
  // A channel message packed as in a short stream event: status | data1 << 8 | data2 << 16.
  virtual void Send(std::uint32_t message) = 0;
  // All sound off, all notes off and controllers reset on every channel.
  virtual void Silence() = 0;
};

// A synthesiser port of the ALSA sequencer (a hardware synthesiser or a soft synthesiser
// that runs); null when there is none.
std::unique_ptr<MidiSink> OpenAlsaSynthSink();

// The embedded FluidSynth with a General MIDI sound font, heard through its ALSA audio
// driver; null without a sound font or when no audio device opens.
std::unique_ptr<MidiSink> OpenFluidSynthSink();

// Microseconds that `delta` ticks last at `tempo` microseconds per quarter note under the
// time division `division`; `remainder` carries the fraction of a microsecond from one
// call to the next. The division must be one SetTimeDivision accepts.
std::uint64_t MidiTicksToMicroseconds(std::uint32_t delta, std::uint32_t tempo, std::uint16_t division,
                                      std::uint64_t& remainder);

// True for a division the stream can time: ticks per quarter note (1-32767), or SMPTE
// frames of 24, 25, 29 (29.97) or 30 a second with a non-zero tick count per frame.
bool IsPlayableMidiDivision(std::uint16_t division);

class TimedMidiStream final : public MidiOut {
 public:
  TimedMidiStream(std::unique_ptr<MidiSink> sink, BufferDone done);
  ~TimedMidiStream() override;

  bool SetTimeDivision(std::uint16_t division) override;
  bool Queue(int index, std::span<const std::uint8_t> events) override;
  void Stop() override;
  void Reset() override;

 private:
  struct Buffer {
    int index = 0;
    std::vector<std::uint8_t> events;
  };

  void Run();

  std::unique_ptr<MidiSink> sink_;
  BufferDone done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Buffer> queue_;
  std::uint16_t division_ = 96;
  std::uint32_t tempo_ = kMidiDefaultTempo;
  bool stop_ = false;
  bool closing_ = false;
  std::thread thread_;
};

}  // namespace zorvel::audio
