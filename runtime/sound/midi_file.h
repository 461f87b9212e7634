// Standard MIDI files: the header and track chunks, and the tracks merged in time order
// into the 12-byte events of the MIDI stream output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zorvel {

enum class MidiParse {
  kOk,
  kNotMidi,    // no "MThd" at 0, or 4 bytes or fewer
  kBadHeader,  // header length other than 6, or the header is cut short
  kBadTrack,   // a track chunk without "MTrk" or cut short before its length
};

// True for bytes that are MIDI data: more than 4 bytes and "MThd" at 0.
bool IsMidiData(std::span<const std::uint8_t> data);

class MidiSequence {
 public:
  // Reads the header and finds the tracks. `data` is not copied: it must outlive the
  // sequence (or the next Parse). A track whose length runs past the end of the data
  // ends with the data.
  MidiParse Parse(std::span<const std::uint8_t> data);

  std::uint16_t format() const { return format_; }
  std::uint16_t trackCount() const { return static_cast<std::uint16_t>(tracks_.size()); }
  std::uint16_t division() const { return division_; }

  // Writes the next events, in time order across the tracks, as whole 12-byte stream
  // events into `buffer`, and gives the number of bytes written (0 once the piece is
  // over). Channel messages become short messages (main volume with the callback flag),
  // tempo changes become tempo events scaled to tempo × 100 / `tempoScale`; system
  // exclusive and other meta events are dropped (their time is kept). With `loop` the
  // tracks start again when all have ended, keeping the rest before the end of the
  // longest track; a pass that gives no event at all ends the piece.
  std::size_t Fill(std::span<std::uint8_t> buffer, bool loop, std::uint32_t tempoScale);

  // True once Fill has nothing more to give.
  bool Ended() const { return ended_; }

  // Back to the start of every track.
  void Rewind();

 private:
  struct Track {
    std::size_t start = 0, end = 0, pos = 0;
    std::uint64_t time = 0;  // ticks from the start of the pass to the next event
    std::uint8_t status = 0;  // running status
    bool done = false;
  };

  bool ReadDelta(Track& track);
  // Reads the event at the track's position; true with *event set when it gives one.
  bool ReadEvent(Track& track, std::uint32_t tempoScale, std::uint32_t* event);
  void EndTrack(Track& track);
  // Orders the heap of tracks: true when track `a` plays after track `b`.
  bool Later(std::uint32_t a, std::uint32_t b) const;

  std::span<const std::uint8_t> data_;
  std::uint16_t format_ = 0, division_ = 0;
  std::vector<Track> tracks_;
  // Tracks not done, as a heap whose top is the next to play: the earliest, and of
  // tracks due at the same time the first in the file.
  std::vector<std::uint32_t> heap_;
  std::uint64_t lastTime_ = 0;  // time in the pass of the last event written
  std::uint64_t carry_ = 0;     // rest carried over from the end of the previous pass
  std::uint64_t passEnd_ = 0;   // time at which the longest track of the pass ended
  bool passGaveEvent_ = false;
  bool ended_ = true;
};

}  // namespace zorvel
