// WAV playback figures, on the ALSA path with a PCM of our own (the file plugin over a
// null PCM, written to a temporary folder), where a block observer on the writer
// thread takes each block at its real rate, as a card would.
//   start latency: from PlaySoundData returning to the first block handed to ALSA;
//   CPU: processor time of the whole process while one 60-second sound plays;
//   twenty at once: how late each block reached ALSA after the one before had played.
// Usage: sound_bench [seconds of the long sound, default 60]
#include <alsa/asoundlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/wave_out.h"
#include "runtime/sound/sound.h"
#include "runtime/sound/wav_player.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
using zorvel::audio::WaveBlockEvent;

std::string Le(std::uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
  return s;
}
// 44.1 kHz stereo 16-bit: 176400 bytes a second.
std::string Wav(double seconds) {
  const auto n = static_cast<std::uint32_t>(seconds * 44100) * 4;
  std::string samples(n, '\0');
  for (std::uint32_t i = 0; i < n; ++i) samples[i] = static_cast<char>(i * 13);
  const std::string fmt = "fmt " + Le(16, 4) + Le(1, 2) + Le(2, 2) + Le(44100, 4) + Le(176400, 4) + Le(4, 2) + Le(16, 2);
  const std::string data = "data" + Le(n, 4) + samples;
  return "RIFF" + Le(static_cast<std::uint32_t>(4 + fmt.size() + data.size()), 4) + "WAVE" + fmt + data;
}

bool Play(const std::string& wav) {
  return zorvel::PlaySoundData(reinterpret_cast<const std::uint8_t*>(wav.data()), wav.size(), false);
}

void WaitForSilence(int pollMilliseconds = 2) {
  while (zorvel::wav::PlayingWaveCount() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pollMilliseconds));
  zorvel::StopSounds(true);
}

double CpuSeconds(int who = RUSAGE_SELF) {
  rusage u{};
  getrusage(who, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Recorder {
  std::mutex lock;
  bool paced = false;
  std::map<std::uint64_t, std::vector<std::pair<Clock::time_point, double>>> toDevice;  // time, block seconds
};

}  // namespace

int main(int argc, char** argv) {
  const double longSeconds = argc > 1 ? std::atof(argv[1]) : 60.0;

  const zorvel::test::TempFolder temp("zorvel-sound-bench");
  const std::string folder = temp.path();
  std::ofstream(folder + "/bench.conf") << "pcm.bench { @args [ FILE ] @args.FILE { type string } type file "
                                           "slave.pcm { type null } file $FILE format raw }\n";
  setenv("ALSA_CONFIG_PATH", (folder + "/bench.conf").c_str(), 1);
  zorvel::audio::SetWaveOutDevice("bench:FILE=" + folder + "/out.raw");

  static Recorder recorder;
  zorvel::audio::SetWaveBlockObserver([](const WaveBlockEvent& e) {
    if (e.kind != WaveBlockEvent::kToDevice) return;
    const double seconds = static_cast<double>(e.size) / e.bytesPerSecond;
    {
      std::lock_guard hold(recorder.lock);
      recorder.toDevice[e.device].emplace_back(Clock::now(), seconds);
    }
    if (recorder.paced) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  });

  // 1. Start latency, 200 starts of a short sound.
  {
    const std::string wav = Wav(0.05);
    std::vector<double> latency, call;
    for (int i = 0; i < 200; ++i) {
      { std::lock_guard hold(recorder.lock); recorder.toDevice.clear(); }
      const auto before = Clock::now();
      Play(wav);
      const auto returned = Clock::now();
      WaitForSilence();
      std::lock_guard hold(recorder.lock);
      const auto first = recorder.toDevice.begin()->second.front().first;
      latency.push_back(std::max(0.0, std::chrono::duration<double, std::milli>(first - returned).count()));
      call.push_back(std::chrono::duration<double, std::milli>(returned - before).count());
    }
    std::sort(latency.begin(), latency.end());
    std::sort(call.begin(), call.end());
    std::printf("start latency (PlaySoundData returned -> first block to ALSA): median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                latency[latency.size() / 2], latency[latency.size() * 99 / 100], latency.back());
    std::printf("PlaySoundData call itself (PCM opened inside):                 median %.3f ms, max %.3f ms\n",
                call[call.size() / 2], call.back());
  }

  // 2. Processor time while one long sound plays at its real rate.
  {
    const std::string wav = Wav(longSeconds);
    recorder.paced = true;
    // The main thread only starts the sound (copying its samples) and waits; the
    // player's thread and the device's writer thread are the rest of the process.
    const double cpu0 = CpuSeconds(), main0 = CpuSeconds(RUSAGE_THREAD);
    const auto t0 = Clock::now();
    Play(wav);
    WaitForSilence(100);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0, main = CpuSeconds(RUSAGE_THREAD) - main0;
    std::printf("%.0f-second sound at its real rate: %.2f s wall; player and writer threads %.4f s CPU = %.3f %% of one "
                "core (whole process %.4f s = %.3f %%)\n",
                longSeconds, wall, cpu - main, 100.0 * (cpu - main) / wall, cpu, 100.0 * cpu / wall);
  }

  // 3. Twenty sounds at once, 5 seconds each.
  {
    { std::lock_guard hold(recorder.lock); recorder.toDevice.clear(); }
    std::vector<std::string> wavs;
    for (int i = 0; i < 20; ++i) wavs.push_back(Wav(5.0 + i * 0.01));
    for (int i = 0; i < 20; ++i) {
      zorvel::audio::SetWaveOutDevice("bench:FILE=" + folder + "/s" + std::to_string(i) + ".raw");
      Play(wavs[static_cast<std::size_t>(i)]);
    }
    WaitForSilence();
    double worst = 0;
    int late = 0, blocks = 0;
    for (const auto& [device, times] : recorder.toDevice) {
      for (std::size_t k = 1; k < times.size(); ++k) {
        const double excess =
            std::chrono::duration<double>(times[k].first - times[k - 1].first).count() - times[k - 1].second;
        worst = std::max(worst, excess);
        late += excess > 0.002;
        ++blocks;
      }
    }
    int complete = 0;
    for (int i = 0; i < 20; ++i) {
      std::ifstream f(folder + "/s" + std::to_string(i) + ".raw", std::ios::binary | std::ios::ate);
      complete += static_cast<std::size_t>(f.tellg()) == wavs[static_cast<std::size_t>(i)].size() - 44;
    }
    std::printf("twenty sounds at once: %zu streams, %d of 20 complete, %d block intervals, %d more than 2 ms late, "
                "worst %.3f ms late\n",
                recorder.toDevice.size(), complete, blocks, late, worst * 1000);
  }

  zorvel::audio::SetWaveBlockObserver(nullptr);
  return 0;
}
