#include "platform/audio/midi_out_record.h"

namespace zorvel::audio {

class MidiOutRecord::Out final : public MidiOut {
 public:
  Out(std::shared_ptr<MidiOutRecord> record, std::shared_ptr<Stream> stream)
      : record_(std::move(record)), stream_(std::move(stream)) {}

  ~Out() override {
    std::lock_guard callbacks(record_->callbackMutex_);
    std::lock_guard lock(record_->mutex_);
    stream_->closed = true;
  }

  bool SetTimeDivision(std::uint16_t division) override {
    std::lock_guard lock(record_->mutex_);
    stream_->division = division;
    return true;
  }

  bool Queue(int index, std::span<const std::uint8_t> events) override {
    if (events.size() % kMidiEventBytes != 0) return false;
    std::lock_guard lock(record_->mutex_);
    for (std::size_t i = 0; i < events.size() / kMidiEventBytes; ++i) {
      stream_->events.push_back(ReadMidiStreamEvent(events, i));
    }
    stream_->bufferBytes.push_back(events.size());
    stream_->queued.push_back(index);
    return true;
  }

  void Stop() override {
    std::deque<int> back;
    {
      std::lock_guard lock(record_->mutex_);
      ++stream_->stops;
      if (record_->returnOnStop) back.swap(stream_->queued);
    }
    std::lock_guard callbacks(record_->callbackMutex_);
    for (int index : back) stream_->done(index);
  }

  void Reset() override {
    std::lock_guard lock(record_->mutex_);
    ++stream_->resets;
  }

 private:
  std::shared_ptr<MidiOutRecord> record_;
  std::shared_ptr<Stream> stream_;
};

MidiOutFactory MidiOutRecord::Factory() {
  return [self = shared_from_this()](MidiOut::BufferDone done) -> std::unique_ptr<MidiOut> {
    auto stream = std::make_shared<Stream>();
    stream->done = std::move(done);
    {
      std::lock_guard lock(self->mutex_);
      self->streams_.push_back(stream);
    }
    return std::make_unique<Out>(self, stream);
  };
}

bool MidiOutRecord::ReturnOldest() {
  std::lock_guard callbacks(callbackMutex_);
  std::shared_ptr<Stream> stream;
  int index = 0;
  {
    std::lock_guard lock(mutex_);
    for (auto it = streams_.rbegin(); it != streams_.rend(); ++it) {
      if (!(*it)->closed) {
        stream = *it;
        break;
      }
    }
    if (!stream || stream->queued.empty()) return false;
    index = stream->queued.front();
    stream->queued.pop_front();
  }
  stream->done(index);
  return true;
}

MidiOutRecord::Stream MidiOutRecord::Snapshot(std::size_t n) const {
  std::lock_guard lock(mutex_);
  return n < streams_.size() ? *streams_[n] : Stream{};
}

std::size_t MidiOutRecord::StreamCount() const {
  std::lock_guard lock(mutex_);
  return streams_.size();
}

}  // namespace zorvel::audio
