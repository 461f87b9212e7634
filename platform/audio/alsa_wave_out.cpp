// Wave output on an ALSA PCM. Each open device has a writer thread that takes the
// queued blocks in order and writes their frames to the PCM; a block is given back once
// ALSA has taken all of its frames into its ring buffer, which holds about a tenth of a
// second, as a sound card's own buffer would. The PCM is opened non-blocking and the
// writer sleeps in poll() on the PCM's descriptors and an eventfd, so Pause, Reset and
// close reach it at once.
#include "platform/audio/wave_out.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace zorvel::audio {

namespace {

// Latency asked of ALSA: the ring buffer between the writer and the card.
constexpr unsigned kLatencyMicroseconds = 100000;

struct Settings {
  std::mutex lock;
  std::string device;
  std::shared_ptr<const std::function<void(const WaveBlockEvent&)>> observer;
};
Settings& Config() {
  static Settings* settings = new Settings;  // lives as long as any writer thread may
  return *settings;
}
std::atomic<std::uint64_t> g_serial{0};

void Observe(const WaveBlockEvent& event) {
  std::shared_ptr<const std::function<void(const WaveBlockEvent&)>> observer;
  {
    std::lock_guard hold(Config().lock);
    observer = Config().observer;
  }
  if (observer) (*observer)(event);
}

// The program keeps no log: ALSA's messages about missing cards stay unprinted.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

snd_pcm_format_t AlsaFormat(const WaveFormat& f) {
  const unsigned bytes = f.channels ? f.blockAlign / f.channels : 0;
  if (f.channels == 0 || f.blockAlign != bytes * f.channels) return SND_PCM_FORMAT_UNKNOWN;
  switch (f.tag) {
    case 1:
      switch (bytes) {
        case 1: return SND_PCM_FORMAT_U8;
        case 2: return SND_PCM_FORMAT_S16_LE;
        case 3: return SND_PCM_FORMAT_S24_3LE;
        case 4: return SND_PCM_FORMAT_S32_LE;
      }
      break;
    case 3:
      if (bytes == 4) return SND_PCM_FORMAT_FLOAT_LE;
      if (bytes == 8) return SND_PCM_FORMAT_FLOAT64_LE;
      break;
    case 6:
      if (bytes == 1) return SND_PCM_FORMAT_A_LAW;
      break;
    case 7:
      if (bytes == 1) return SND_PCM_FORMAT_MU_LAW;
      break;
  }
  return SND_PCM_FORMAT_UNKNOWN;
}

class AlsaWaveOut final : public WaveOut {
 public:
  AlsaWaveOut(snd_pcm_t* pcm, const WaveFormat& format, BlockDone done)
      : pcm_(pcm),
        frameBytes_(format.blockAlign),
        bytesPerSecond_(static_cast<std::uint32_t>(format.blockAlign) * format.rate),
        done_(std::move(done)),
        serial_(++g_serial),
        wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    writer_ = std::thread([this] { Run(); });
  }

  ~AlsaWaveOut() override {
    {
      std::lock_guard hold(lock_);
      closing_ = true;
    }
    changed_.notify_all();
    Wake();
    writer_.join();
    snd_pcm_close(pcm_);
    if (wake_ >= 0) close(wake_);
  }

  void Write(const std::uint8_t* data, std::size_t size) override {
    int pending;
    {
      std::lock_guard hold(lock_);
      pending = static_cast<int>(queue_.size());
      queue_.push_back({data, size, 0});
    }
    Observe({WaveBlockEvent::kWritten, serial_, data, size, pending, bytesPerSecond_});
    changed_.notify_all();
  }

  void Pause() override {
    std::unique_lock hold(lock_);
    paused_ = true;
    Interrupt(hold);
    snd_pcm_pause(pcm_, 1);  // a card that cannot pause simply runs dry
  }

  void Reset() override {
    std::deque<Block> dropped;
    {
      std::unique_lock hold(lock_);
      Interrupt(hold);
      dropped.swap(queue_);
      snd_pcm_drop(pcm_);
      snd_pcm_prepare(pcm_);
      wroteSinceReset_ = false;
    }
    for (std::size_t i = 0; i < dropped.size(); ++i) done_();
  }

 private:
  struct Block {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;  // bytes already written
  };

  void Wake() {
    const std::uint64_t one = 1;
    if (wake_ >= 0 && write(wake_, &one, sizeof one) < 0) {
      // The counter is full: the writer is woken already.
    }
  }

  // Stops a write in progress and waits until the writer has let go of the PCM and of
  // the block it was writing. Called with the lock held.
  void Interrupt(std::unique_lock<std::mutex>& hold) {
    interrupt_ = true;
    Wake();
    changed_.wait(hold, [this] { return !writing_; });
    interrupt_ = false;
  }

  void Run() {
    std::unique_lock hold(lock_);
    for (;;) {
      changed_.wait(hold, [this] { return closing_ || (!queue_.empty() && !paused_); });
      if (queue_.empty() || paused_) break;  // closing
      Block& block = queue_.front();
      const bool first = block.offset == 0;
      const int behind = static_cast<int>(queue_.size()) - 1;
      writing_ = true;
      wroteSinceReset_ = true;
      hold.unlock();
      if (first) Observe({WaveBlockEvent::kToDevice, serial_, block.data, block.size, behind, bytesPerSecond_});
      const bool complete = WriteFrames(block);
      hold.lock();
      writing_ = false;
      changed_.notify_all();
      if (!complete) continue;  // paused, reset or closing: the block stays or is dropped
      queue_.pop_front();
      hold.unlock();
      done_();
      hold.lock();
    }
    const bool drain = !paused_ && wroteSinceReset_;
    hold.unlock();
    if (drain) {
      snd_pcm_nonblock(pcm_, 0);
      snd_pcm_drain(pcm_);
    }
  }

  // Writes the whole frames of the block from its offset. False when stopped by Pause,
  // Reset or close before the end; a device that fails for good takes the rest as
  // written so that the block still comes back.
  bool WriteFrames(Block& block) {
    const std::size_t frames = block.size / frameBytes_;
    while (block.offset / frameBytes_ < frames) {
      if (interrupt_.load()) return false;
      const std::size_t done = block.offset / frameBytes_;
      const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, block.data + done * frameBytes_, frames - done);
      if (n >= 0) {
        block.offset += static_cast<std::size_t>(n) * frameBytes_;
        if (n == 0 && !WaitWritable()) return false;
        continue;
      }
      if (n == -EAGAIN) {
        if (!WaitWritable()) return false;
        continue;
      }
      if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) {
        block.offset = block.size;
        return true;
      }
    }
    block.offset = block.size;
    return true;
  }

  // Sleeps until the PCM has room or someone wakes the writer; false when woken.
  bool WaitWritable() {
    const int count = snd_pcm_poll_descriptors_count(pcm_);
    std::vector<pollfd> fds(static_cast<std::size_t>(count > 0 ? count : 0) + 1);
    fds[0] = {wake_, POLLIN, 0};
    if (count > 0) snd_pcm_poll_descriptors(pcm_, fds.data() + 1, static_cast<unsigned>(count));
    for (;;) {
      if (interrupt_.load()) return false;
      if (poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        return true;
      }
      if (fds[0].revents & POLLIN) {
        std::uint64_t value;
        if (read(wake_, &value, sizeof value) < 0) value = 0;
        if (interrupt_.load()) return false;
      }
      if (count <= 0) return true;
      unsigned short revents = 0;
      snd_pcm_poll_descriptors_revents(pcm_, fds.data() + 1, static_cast<unsigned>(count), &revents);
      if (revents & (POLLOUT | POLLERR)) return true;
    }
  }

  snd_pcm_t* const pcm_;
  const std::size_t frameBytes_;
  const std::uint32_t bytesPerSecond_;
  const BlockDone done_;
  const std::uint64_t serial_;
  const int wake_;

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Block> queue_;
  bool closing_ = false;
  bool paused_ = false;
  bool writing_ = false;
  bool wroteSinceReset_ = false;
  std::atomic<bool> interrupt_{false};
  std::thread writer_;
};

}  // namespace

bool ReadWaveFormat(std::span<const std::uint8_t> fmt, WaveFormat& format) {
  if (fmt.size() < 16) return false;
  format.tag = U16(fmt, 0);
  format.channels = U16(fmt, 2);
  format.rate = U32(fmt, 4);
  format.blockAlign = U16(fmt, 12);
  format.bits = U16(fmt, 14);
  // The extensible form names the real format in the first word of its sub-format.
  if (format.tag == 0xFFFE) format.tag = fmt.size() >= 26 ? U16(fmt, 24) : 0;
  return format.channels > 0 && format.blockAlign > 0;
}

std::unique_ptr<WaveOut> OpenWaveOut(std::span<const std::uint8_t> fmtChunk, WaveOut::BlockDone done) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { snd_lib_error_set_handler(QuietAlsa); });

  WaveFormat format;
  if (!ReadWaveFormat(fmtChunk, format) || format.rate == 0) return nullptr;
  const snd_pcm_format_t alsaFormat = AlsaFormat(format);
  if (alsaFormat == SND_PCM_FORMAT_UNKNOWN) return nullptr;

  std::string device;
  {
    std::lock_guard hold(Config().lock);
    device = Config().device.empty() ? "default" : Config().device;
  }
  snd_pcm_t* pcm = nullptr;
  // Non-blocking: a card held by another program is no device, not a hang.
  if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
  if (snd_pcm_set_params(pcm, alsaFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels, format.rate,
                         1, kLatencyMicroseconds) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return std::make_unique<AlsaWaveOut>(pcm, format, std::move(done));
}

void SetWaveOutDevice(std::string name) {
  std::lock_guard hold(Config().lock);
  Config().device = std::move(name);
}

void SetWaveBlockObserver(std::function<void(const WaveBlockEvent&)> observer) {
  std::lock_guard hold(Config().lock);
  Config().observer =
      observer ? std::make_shared<const std::function<void(const WaveBlockEvent&)>>(std::move(observer)) : nullptr;
}

}  // namespace zorvel::audio
