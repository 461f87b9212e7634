#include "platform/audio/midi_stream.h"

#include <algorithm>
#include <chrono>

namespace zorvel::audio {

namespace {

// One event waits at most this long (about 19 hours), so that a huge delta at a slow
// tempo never overflows the clock; Stop still ends the wait at once.
constexpr std::uint64_t kLongestWaitMicroseconds = std::uint64_t{1} << 36;

bool IsSmpte(std::uint16_t division) { return (division & 0x8000) != 0; }

// Frames per 100 seconds of an SMPTE division, 0 for a rate that does not exist.
std::uint64_t SmpteFramesPer100Seconds(std::uint16_t division) {
  const int frames = -static_cast<std::int8_t>(division >> 8);
  switch (frames) {
    case 24: return 2400;
    case 25: return 2500;
    case 29: return 2997;  // 30 drop-frame
    case 30: return 3000;
    default: return 0;
  }
}

}  // namespace

bool IsPlayableMidiDivision(std::uint16_t division) {
  if (IsSmpte(division)) return SmpteFramesPer100Seconds(division) != 0 && (division & 0xFF) != 0;
  return division != 0;
}

std::uint64_t MidiTicksToMicroseconds(std::uint32_t delta, std::uint32_t tempo, std::uint16_t division,
                                      std::uint64_t& remainder) {
  std::uint64_t numerator = 0, denominator = 0;
  if (IsSmpte(division)) {
    // A tick lasts 100 s / (frames per 100 s × ticks per frame), whatever the tempo.
    numerator = std::uint64_t{delta} * 100'000'000;
    denominator = SmpteFramesPer100Seconds(division) * (division & 0xFF);
  } else {
    numerator = std::uint64_t{delta} * (tempo & kMidiEventParamMask);
    denominator = division;
  }
  if (denominator == 0) return 0;
  numerator += remainder;
  remainder = numerator % denominator;
  return numerator / denominator;
}

TimedMidiStream::TimedMidiStream(std::unique_ptr<MidiSink> sink, BufferDone done)
    : sink_(std::move(sink)), done_(std::move(done)) {
  thread_ = std::thread([this] { Run(); });
}

TimedMidiStream::~TimedMidiStream() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();  // closed from its own callback: the thread ends on its own
  } else if (thread_.joinable()) {
    thread_.join();
  }
  if (sink_) sink_->Silence();
}

bool TimedMidiStream::SetTimeDivision(std::uint16_t division) {
  if (!IsPlayableMidiDivision(division)) return false;
  std::lock_guard lock(mutex_);
  division_ = division;
  return true;
}

bool TimedMidiStream::Queue(int index, std::span<const std::uint8_t> events) {
  if (events.size() % kMidiEventBytes != 0) return false;
  {
    std::lock_guard lock(mutex_);
    if (closing_) return false;
    queue_.push_back(Buffer{index, std::vector<std::uint8_t>(events.begin(), events.end())});
  }
  wake_.notify_all();
  return true;
}

void TimedMidiStream::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    if (sink_) sink_->Silence();
  }
  wake_.notify_all();
}

void TimedMidiStream::Reset() {
  std::lock_guard lock(mutex_);
  if (sink_) sink_->Silence();
}

void TimedMidiStream::Run() {
  std::unique_lock lock(mutex_);
  auto clock = std::chrono::steady_clock::now();  // when the last event was due
  std::uint64_t remainder = 0;
  bool idle = true;  // nothing played since the stream started, stopped or ran dry
  while (!closing_) {
    if (stop_) {
      std::deque<Buffer> back;
      back.swap(queue_);
      stop_ = false;
      idle = true;
      lock.unlock();
      for (const Buffer& buffer : back) done_(buffer.index);
      lock.lock();
      continue;
    }
    if (queue_.empty()) {
      idle = true;
      wake_.wait(lock, [this] { return closing_ || stop_ || !queue_.empty(); });
      continue;
    }
    if (idle) {
      clock = std::chrono::steady_clock::now();
      remainder = 0;
      idle = false;
    }
    Buffer& buffer = queue_.front();  // stays in the queue so that Stop gives it back
    const std::size_t count = buffer.events.size() / kMidiEventBytes;
    bool interrupted = false;
    for (std::size_t i = 0; i < count; ++i) {
      const MidiStreamEvent event = ReadMidiStreamEvent(buffer.events, i);
      const std::uint64_t wait = MidiTicksToMicroseconds(event.delta, tempo_, division_, remainder);
      clock += std::chrono::microseconds(std::min(wait, kLongestWaitMicroseconds));
      if (wake_.wait_until(lock, clock, [this] { return closing_ || stop_; })) {
        interrupted = true;
        break;
      }
      const std::uint32_t param = event.event & kMidiEventParamMask;
      switch (event.event & kMidiEventTypeMask) {
        case kMidiEventShort:
          if (sink_) sink_->Send(param);
          break;
        case kMidiEventTempo:
          tempo_ = param;
          break;
        default:
          break;  // a no-op only waits
      }
    }
    if (interrupted) continue;  // Stop gives the buffer back; closing gives nothing back
    const int index = buffer.index;
    queue_.pop_front();
    lock.unlock();
    done_(index);
    lock.lock();
  }
}

}  // namespace zorvel::audio
