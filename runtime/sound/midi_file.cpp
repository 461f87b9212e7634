#include "runtime/sound/midi_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/audio/midi_out.h"

namespace zorvel {

namespace {

// Track times stop growing here, so that sums of huge deltas never wrap.
constexpr std::uint64_t kTimeCap = std::uint64_t{1} << 62;

std::uint32_t BigEndian32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

std::uint16_t BigEndian16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

// Data bytes that follow a channel status.
int DataBytes(std::uint8_t status) {
  const int kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

}  // namespace

bool IsMidiData(std::span<const std::uint8_t> data) {
  return data.size() > 4 && std::memcmp(data.data(), "MThd", 4) == 0;
}

MidiParse MidiSequence::Parse(std::span<const std::uint8_t> data) {
  data_ = {};
  tracks_.clear();
  format_ = division_ = 0;
  ended_ = true;
  if (!IsMidiData(data)) return MidiParse::kNotMidi;
  if (data.size() < 14 || BigEndian32(data.data() + 4) != 6) return MidiParse::kBadHeader;
  format_ = BigEndian16(data.data() + 8);
  const std::uint16_t count = BigEndian16(data.data() + 10);
  division_ = BigEndian16(data.data() + 12);

  std::vector<Track> tracks;
  tracks.reserve(std::min<std::size_t>(count, data.size() / 8));
  std::uint64_t pos = 14;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (pos > data.size() || data.size() - pos < 8 || std::memcmp(data.data() + pos, "MTrk", 4) != 0) {
      format_ = division_ = 0;
      return MidiParse::kBadTrack;
    }
    const std::uint32_t length = BigEndian32(data.data() + pos + 4);
    Track track;
    track.start = static_cast<std::size_t>(pos + 8);
    track.end = track.start + std::min<std::size_t>(length, data.size() - track.start);
    tracks.push_back(track);
    pos = pos + 8 + length;
  }
  data_ = data;
  tracks_ = std::move(tracks);
  Rewind();
  return MidiParse::kOk;
}

void MidiSequence::Rewind() {
  const auto later = [this](std::uint32_t a, std::uint32_t b) { return Later(a, b); };
  heap_.clear();
  lastTime_ = carry_ = passEnd_ = 0;
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    Track& track = tracks_[i];
    track.pos = track.start;
    track.time = 0;
    track.status = 0;
    track.done = track.start == track.end;
    if (!track.done && ReadDelta(track)) heap_.push_back(static_cast<std::uint32_t>(i));
  }
  std::make_heap(heap_.begin(), heap_.end(), later);
  passGaveEvent_ = false;
  ended_ = data_.empty();
}

bool MidiSequence::Later(std::uint32_t a, std::uint32_t b) const {
  return tracks_[a].time != tracks_[b].time ? tracks_[a].time > tracks_[b].time : a > b;
}

void MidiSequence::EndTrack(Track& track) {
  track.done = true;
  passEnd_ = std::max(passEnd_, track.time);
}

// A variable-length delta: at most four bytes of seven bits each. A delta cut short, or
// one that goes on past four bytes, ends the track.
bool MidiSequence::ReadDelta(Track& track) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    if (track.pos >= track.end) break;
    const std::uint8_t byte = data_[track.pos++];
    value = value << 7 | (byte & 0x7F);
    if ((byte & 0x80) == 0) {
      track.time = std::min(track.time + value, kTimeCap);
      return true;
    }
  }
  EndTrack(track);
  return false;
}

bool MidiSequence::ReadEvent(Track& track, std::uint32_t tempoScale, std::uint32_t* event) {
  const std::size_t left = track.end - track.pos;
  if (left == 0) {
    EndTrack(track);
    return false;
  }
  std::uint8_t status = data_[track.pos];
  if (status < 0x80) {
    // Running status: the data bytes follow the previous channel status.
    if (track.status == 0) {
      EndTrack(track);
      return false;
    }
    status = track.status;
  } else {
    ++track.pos;
  }

  if (status < 0xF0) {
    const int count = DataBytes(status);
    if (track.end - track.pos < static_cast<std::size_t>(count)) {
      EndTrack(track);
      return false;
    }
    track.status = status;
    const std::uint32_t first = data_[track.pos] & 0x7F;
    const std::uint32_t second = count == 2 ? data_[track.pos + 1] & 0x7F : 0;
    track.pos += count;
    *event = audio::kMidiEventShort | status | first << 8 | second << 16;
    if ((status & 0xF0) == 0xB0 && first == 7) *event |= audio::kMidiEventCallback;
    return true;
  }

  // System exclusive (F0, F7) and meta events (FF) carry a variable-length size.
  std::uint8_t type = 0;
  if (status == 0xFF) {
    if (track.pos >= track.end) {
      EndTrack(track);
      return false;
    }
    type = data_[track.pos++];
  } else if (status != 0xF0 && status != 0xF7) {
    EndTrack(track);  // no other system message belongs in a file
    return false;
  }
  std::uint64_t size = 0;
  bool sized = false;
  for (int i = 0; i < 4 && track.pos < track.end; ++i) {
    const std::uint8_t byte = data_[track.pos++];
    size = size << 7 | (byte & 0x7F);
    if ((byte & 0x80) == 0) {
      sized = true;
      break;
    }
  }
  if (!sized || size > track.end - track.pos) {
    EndTrack(track);
    return false;
  }
  const std::size_t body = track.pos;
  track.pos += static_cast<std::size_t>(size);
  if (status != 0xFF) return false;
  if (type == 0x2F) {  // end of track
    EndTrack(track);
    return false;
  }
  if (type == 0x51 && size >= 3) {
    const std::uint64_t tempo =
        std::uint64_t{data_[body]} << 16 | std::uint64_t{data_[body + 1]} << 8 | data_[body + 2];
    const std::uint64_t scaled =
        std::min<std::uint64_t>(tempo * 100 / std::max<std::uint32_t>(tempoScale, 1), audio::kMidiEventParamMask);
    *event = audio::kMidiEventTempo | static_cast<std::uint32_t>(scaled);
    return true;
  }
  return false;
}

std::size_t MidiSequence::Fill(std::span<std::uint8_t> buffer, bool loop, std::uint32_t tempoScale) {
  const auto later = [this](std::uint32_t a, std::uint32_t b) { return Later(a, b); };
  std::size_t written = 0;
  const std::size_t capacity = buffer.size() / audio::kMidiEventBytes;
  while (!ended_ && written < capacity) {
    if (heap_.empty()) {
      // Every track has ended. Looping starts them again, carrying the rest between the
      // last event and the end of the longest track into the first delta.
      if (!loop || !passGaveEvent_) {
        ended_ = true;
        break;
      }
      const std::uint64_t carry = std::min(carry_ + (passEnd_ - std::min(passEnd_, lastTime_)), kTimeCap);
      Rewind();
      carry_ = carry;
      continue;
    }
    std::pop_heap(heap_.begin(), heap_.end(), later);
    Track* next = &tracks_[heap_.back()];
    std::uint32_t word = 0;
    const std::uint64_t time = next->time;
    if (ReadEvent(*next, tempoScale, &word)) {
      const std::uint64_t delta = carry_ + (time - std::min(time, lastTime_));
      audio::MidiStreamEvent event;
      constexpr std::uint64_t kLongestDelta = std::numeric_limits<std::uint32_t>::max();
      event.delta = static_cast<std::uint32_t>(std::min(delta, kLongestDelta));
      event.event = word;
      audio::WriteMidiStreamEvent(buffer, written++, event);
      lastTime_ = time;
      carry_ = 0;
      passGaveEvent_ = true;
    }
    if (!next->done && ReadDelta(*next)) {
      std::push_heap(heap_.begin(), heap_.end(), later);
    } else {
      heap_.pop_back();
    }
  }
  return written * audio::kMidiEventBytes;
}

}  // namespace zorvel
