#include "runtime/sound/wav_player.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/audio/wave_out.h"

namespace zorvel::wav {

namespace {

constexpr int kBufferCount = 20;
constexpr std::size_t kBufferSize = 15360;
constexpr std::uint32_t kIdleTimeout = 8888;

std::atomic<std::uint32_t> g_idleTimeout{kIdleTimeout};

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A player thread's handle. It stays in the process-wide table until someone joins
// it: StopWavePlayers(true), or the next start once the thread has said it ended.
struct ThreadRecord {
  std::thread thread;
  std::atomic<bool> ended{false};
};

class WavePlayer;

// The process-wide state, guarded by one lock: the playing players and the handles of
// their threads. Never destroyed, so that a thread still running at exit finds it.
struct Registry {
  std::mutex lock;
  std::vector<WavePlayer*> players;
  std::list<std::unique_ptr<ThreadRecord>> threads;
};
Registry& Players() {
  static Registry* registry = new Registry;
  return *registry;
}

struct WaveHeader {
  std::uint8_t* data = nullptr;
  std::size_t length = 0;
  bool prepared = false;  // handed to the device and not yet taken back
};

class WavePlayer {
 public:
  WavePlayer(const Chunks& chunks, bool loop)
      : samples_(chunks.samples.begin(), chunks.samples.end()),
        format_(chunks.format.begin(), chunks.format.end()),
        loop_(loop),
        pool_(new std::uint8_t[kBufferCount * kBufferSize]()) {
    for (int i = 0; i < kBufferCount; ++i) headers_[i].data = pool_.get() + i * kBufferSize;
  }

  void OpenDevice() {
    device_ = audio::OpenWaveOut(format_, [this] { BlockDone(); });
  }

  // Asks the thread to stop. Called under the process-wide lock.
  void SignalStop() {
    {
      std::lock_guard hold(lock_);
      stopped_ = true;
    }
    signal_.notify_all();
  }

  ThreadRecord* record = nullptr;

  // The thread: queue blocks while the device gives buffers back, until the sound ends,
  // a stop is signalled or no buffer has come back within the idle time-out.
  void Run() {
    for (;;) {
      std::unique_lock hold(lock_);
      const bool woken = signal_.wait_for(hold, std::chrono::milliseconds(g_idleTimeout.load()),
                                          [this] { return stopped_ || semaphore_ > 0; });
      if (!woken || stopped_) {
        hold.unlock();
        if (device_) {
          device_->Pause();
          device_->Reset();
        }
        UnprepareAll();
        return;
      }
      --semaphore_;
      if (freeBuffers_ < 1) continue;
      hold.unlock();

      WaveHeader& header = headers_[next_];
      header.prepared = false;
      const std::size_t n = std::min(samples_.size() - position_, kBufferSize);
      if (n >= 1) {
        std::memcpy(header.data, samples_.data() + position_, n);
        position_ += n;
        header.length = n;
        header.prepared = true;
        {
          std::lock_guard count(lock_);
          --freeBuffers_;
        }
        // Without a device the block goes nowhere and never comes back.
        if (device_) device_->Write(header.data, n);
        next_ = (next_ + 1) % kBufferCount;
        continue;
      }
      hold.lock();
      if (freeBuffers_ < kBufferCount) continue;  // blocks still playing
      if (loop_) {
        // Every block has played: start again from the beginning.
        position_ = 0;
        next_ = 0;
        freeBuffers_ = kBufferCount;
        semaphore_ = kBufferCount;
        continue;
      }
      hold.unlock();
      UnprepareAll();
      return;
    }
  }

 private:
  // The device's callback: one buffer came back.
  void BlockDone() {
    {
      std::lock_guard hold(lock_);
      ++freeBuffers_;
      if (semaphore_ < kBufferCount) ++semaphore_;
    }
    signal_.notify_one();
  }

  void UnprepareAll() {
    for (WaveHeader& header : headers_) header.prepared = false;
  }

  std::vector<std::uint8_t> samples_;
  std::size_t position_ = 0;
  std::vector<std::uint8_t> format_;
  const bool loop_;
  std::unique_ptr<std::uint8_t[]> pool_;
  WaveHeader headers_[kBufferCount];
  int next_ = 0;

  std::mutex lock_;  // the player's lock: freeBuffers_, the semaphore count and the stop flag
  std::condition_variable signal_;
  int freeBuffers_ = kBufferCount;
  int semaphore_ = kBufferCount;
  bool stopped_ = false;

  std::unique_ptr<audio::WaveOut> device_;
};

// The end of a player's thread: off the list, device closed, everything freed.
void Finish(std::unique_ptr<WavePlayer> player) {
  ThreadRecord* record = player->record;
  {
    Registry& registry = Players();
    std::lock_guard hold(registry.lock);
    std::erase(registry.players, player.get());
  }
  player.reset();
  record->ended.store(true);
}

// Joins the threads that have ended. Called under the process-wide lock.
void ReapEnded(Registry& registry) {
  for (auto it = registry.threads.begin(); it != registry.threads.end();) {
    if ((*it)->ended.load()) {
      (*it)->thread.join();
      it = registry.threads.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

bool FindChunks(std::span<const std::uint8_t> bytes, Chunks& chunks) {
  if (bytes.size() <= 35 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    return false;
  }
  const std::uint64_t size = bytes.size();
  const std::uint64_t end = std::min<std::uint64_t>(size, std::uint64_t{Le32(bytes.data() + 4)} + 8);
  bool haveFormat = false;
  bool haveData = false;
  std::uint64_t at = 12;
  while (!(haveFormat && haveData) && at + 8 <= end) {
    const std::uint8_t* id = bytes.data() + at;
    const std::uint64_t length = Le32(id + 4);
    const std::uint64_t body = at + 8;
    const auto present = static_cast<std::size_t>(std::min(length, size - body));
    if (!haveFormat && std::memcmp(id, "fmt ", 4) == 0) {
      chunks.format = bytes.subspan(static_cast<std::size_t>(body), present);
      haveFormat = true;
    } else if (!haveData && std::memcmp(id, "data", 4) == 0) {
      chunks.samples = bytes.subspan(static_cast<std::size_t>(body), present);
      haveData = true;
    }
    at = body + length;
  }
  return haveFormat && haveData && !chunks.samples.empty();
}

bool StartWavePlayer(std::span<const std::uint8_t> bytes, bool loop) {
  Chunks chunks;
  if (!FindChunks(bytes, chunks)) return false;
  std::unique_ptr<WavePlayer> player;
  try {
    player = std::make_unique<WavePlayer>(chunks, loop);
  } catch (const std::bad_alloc&) {
    return false;
  }
  player->OpenDevice();

  Registry& registry = Players();
  std::lock_guard hold(registry.lock);
  ReapEnded(registry);
  auto record = std::make_unique<ThreadRecord>();
  WavePlayer* raw = player.get();
  raw->record = record.get();
  // The thread cannot take itself off the list before it is on it: it needs this lock.
  try {
    record->thread = std::thread([owned = std::move(player)]() mutable {
      owned->Run();
      Finish(std::move(owned));
    });
  } catch (const std::system_error&) {
    return false;
  }
  registry.players.push_back(raw);
  registry.threads.push_back(std::move(record));
  return true;
}

void StopWavePlayers(bool wait) {
  Registry& registry = Players();
  std::list<std::unique_ptr<ThreadRecord>> waiting;
  {
    std::lock_guard hold(registry.lock);
    for (WavePlayer* player : registry.players) player->SignalStop();
    if (wait) waiting.swap(registry.threads);
  }
  // Without the lock: finishing threads take themselves off the list.
  for (auto& record : waiting) record->thread.join();
}

int PlayingWaveCount() {
  Registry& registry = Players();
  std::lock_guard hold(registry.lock);
  return static_cast<int>(registry.players.size());
}

void SetWaveIdleTimeout(std::uint32_t milliseconds) {
  g_idleTimeout.store(milliseconds == 0 ? kIdleTimeout : milliseconds);
}

}  // namespace zorvel::wav
