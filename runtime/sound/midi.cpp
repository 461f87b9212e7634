#include "runtime/sound/midi.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/audio/midi_out.h"
#include "runtime/sound/midi_file.h"

namespace zorvel {

namespace {

constexpr std::size_t kStreamBufferBytes = 1024;
constexpr auto kStopWait = std::chrono::milliseconds(2000);

}  // namespace

// Play and Stop come from the GUI thread (serialised by `calls_`); the output gives
// buffers back on its own thread, where they are refilled and queued again under
// `mutex_`. The output is never called with `mutex_` held except to queue, and never
// closed from its own callback.
class MidiPlayerImpl {
 public:
  ~MidiPlayerImpl() { Stop(); }

  bool Play(std::span<const std::uint8_t> data, bool loop) {
    if (!IsMidiData(data)) return false;
    std::lock_guard calls(calls_);
    StopLocked();
    bytes_.assign(data.begin(), data.end());
    if (sequence_.Parse(bytes_) != MidiParse::kOk) return true;  // MIDI, but nothing to play

    out_ = audio::OpenMidiOut([this](int index) { BufferDone(index); });
    if (!out_ || !out_->SetTimeDivision(sequence_.division())) {
      out_.reset();
      return false;
    }
    bool queued = true;
    {
      std::lock_guard lock(mutex_);
      state_ = State::kPlaying;
      loop_ = loop;
      outstanding_ = 0;
      for (int index = 0; index < static_cast<int>(buffers_.size()) && queued; ++index) {
        queued = FillAndQueue(index);
      }
      if (queued && outstanding_ == 0) state_ = State::kStopped;  // nothing in the piece
    }
    if (!queued) {
      StopLocked();
      return false;
    }
    return true;
  }

  void Stop() {
    std::lock_guard calls(calls_);
    StopLocked();
  }

  bool IsPlaying() const {
    std::lock_guard lock(mutex_);
    return state_ == State::kPlaying;
  }

  void SetTempoScale(std::uint32_t percent) {
    if (percent == 0) return;
    std::lock_guard lock(mutex_);
    tempoScale_ = percent;
  }

 private:
  enum class State { kStopped, kPlaying, kStopping };

  // Fills buffer `index` with the next events and queues it; true unless the output
  // refused it. Called with `mutex_` held.
  bool FillAndQueue(int index) {
    auto& buffer = buffers_[static_cast<std::size_t>(index)];
    const std::size_t bytes = sequence_.Fill(buffer, loop_, tempoScale_);
    if (bytes == 0) return true;
    if (!out_->Queue(index, std::span<const std::uint8_t>(buffer.data(), bytes))) return false;
    ++outstanding_;
    return true;
  }

  // The output gives a buffer back: refill it while playing; the piece is over when the
  // last buffer comes back with nothing more to play.
  void BufferDone(int index) {
    std::lock_guard lock(mutex_);
    if (outstanding_ > 0) --outstanding_;
    if (state_ == State::kPlaying && index >= 0 && index < static_cast<int>(buffers_.size())) {
      if (!FillAndQueue(index)) state_ = State::kStopping;
      if (outstanding_ == 0) state_ = State::kStopped;
    }
    if (outstanding_ == 0) stopped_.notify_all();
  }

  // Stops the stream and resets the output, waits at most 2000 ms for the buffers to
  // come back, then closes the stream whether they did or not.
  void StopLocked() {
    if (!out_) return;
    {
      std::lock_guard lock(mutex_);
      if (state_ == State::kPlaying) state_ = State::kStopping;
    }
    out_->Stop();
    out_->Reset();
    {
      std::unique_lock lock(mutex_);
      stopped_.wait_for(lock, kStopWait, [this] { return outstanding_ == 0; });
      state_ = State::kStopped;
      outstanding_ = 0;
    }
    out_.reset();
  }

  std::mutex calls_;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  State state_ = State::kStopped;
  bool loop_ = false;
  int outstanding_ = 0;  // buffers queued and not given back
  std::uint32_t tempoScale_ = 100;
  std::vector<std::uint8_t> bytes_;
  MidiSequence sequence_;
  std::array<std::array<std::uint8_t, kStreamBufferBytes>, 2> buffers_{};
  std::unique_ptr<audio::MidiOut> out_;
};

MidiPlayer::MidiPlayer() : impl_(std::make_unique<MidiPlayerImpl>()) {}
MidiPlayer::~MidiPlayer() = default;

bool MidiPlayer::Play(std::span<const std::uint8_t> data, bool loop) { return impl_->Play(data, loop); }
void MidiPlayer::Stop() { impl_->Stop(); }
bool MidiPlayer::IsPlaying() const { return impl_->IsPlaying(); }
void MidiPlayer::SetTempoScale(std::uint32_t percent) { impl_->SetTempoScale(percent); }

namespace {

MidiPlayer& RuntimePlayer() {
  static MidiPlayer player;
  return player;
}

}  // namespace

bool PlayMidi(std::span<const std::uint8_t> data, bool loop) { return RuntimePlayer().Play(data, loop); }

void StopMidi() { RuntimePlayer().Stop(); }

}  // namespace zorvel
