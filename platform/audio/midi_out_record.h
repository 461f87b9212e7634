// An output that plays nothing and records what it is given, for tests: each stream
// opened through its factory is logged with its time division, every buffer queued and
// the stop and reset calls. Buffers come back only when ReturnOldest is called, as a
// device would after playing them; Stop gives every queued buffer back unless
// `returnOnStop` is cleared (an output that never answers).
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/midi_out.h"

namespace zorvel::audio {

class MidiOutRecord : public std::enable_shared_from_this<MidiOutRecord> {
 public:
  struct Stream {
    MidiOut::BufferDone done;
    std::uint16_t division = 0;
    std::deque<int> queued;                 // indexes not given back yet, oldest first
    std::vector<MidiStreamEvent> events;    // every event queued, in order
    std::vector<std::size_t> bufferBytes;   // the size of every buffer queued, in order
    int stops = 0, resets = 0;
    bool closed = false;
  };

  // A factory for SetMidiOutFactory whose streams are logged here.
  MidiOutFactory Factory();

  // Gives back the oldest queued buffer of the newest stream not closed; false when there
  // is none.
  bool ReturnOldest();

  // A copy of what stream `n` (0 = the first opened) has been given so far.
  Stream Snapshot(std::size_t n) const;
  std::size_t StreamCount() const;

  bool returnOnStop = true;

 private:
  class Out;
  friend class Out;

  mutable std::mutex mutex_;
  std::mutex callbackMutex_;  // held while a callback runs, so closing waits for it
  std::vector<std::shared_ptr<Stream>> streams_;
};

}  // namespace zorvel::audio
