// WAV playback through the real ALSA path. There is no sound card here: the tests give
// ALSA a configuration of their own in which the PCM "zorvel_test" is the file plugin
// over a null PCM, writing the raw stream to the file named in its FILE argument, and
// compare what arrived with what was played. A block observer stands in for the card's
// pace where timing matters.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/wave_out.h"
#include "runtime/command.h"
#include "runtime/memory.h"
#include "runtime/service.h"
#include "runtime/sound/sound.h"
#include "runtime/sound/wav_player.h"
#include "runtime/text.h"
#include "tests/support/temp_folder.h"
#include "text/gbk.h"

namespace zorvel {
namespace {

using Clock = std::chrono::steady_clock;

// ---- WAV data ----

std::string Le(std::uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
  return s;
}
std::string Chunk(std::string_view id, std::string_view body) {
  return std::string(id) + Le(static_cast<std::uint32_t>(body.size()), 4) + std::string(body);
}
std::string Fmt(int tag, int channels, int rate, int bits) {
  const int align = channels * bits / 8;
  return Chunk("fmt ", Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * align, 4) + Le(align, 2) + Le(bits, 2));
}
std::string Riff(const std::string& chunks) { return "RIFF" + Le(static_cast<std::uint32_t>(chunks.size() + 4), 4) + "WAVE" + chunks; }
// Samples that tell one sound and one position from another.
std::string Samples(std::size_t n, int seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251 + static_cast<std::size_t>(seed)) & 0xFF);
  return s;
}
std::string StereoWav(const std::string& samples) { return Riff(Fmt(1, 2, 44100, 16) + Chunk("data", samples)); }

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000) {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The test configuration: the system's, if any, then the file PCM.
class AlsaTestConfig : public testing::Environment {
 public:
  void SetUp() override {
    temp_ = std::make_unique<test::TempFolder>("zorvel-alsa");
    const std::string& folder_ = temp_->path();
    std::ofstream(folder_ + "/test.conf") << "pcm.zorvel_test {\n"
                                             "  @args [ FILE ]\n"
                                             "  @args.FILE { type string }\n"
                                             "  type file\n"
                                             "  slave.pcm { type null }\n"
                                             "  file $FILE\n"
                                             "  format raw\n"
                                             "}\n";
    std::string path = std::string(snd_config_topdir()) + "/alsa.conf";
    path = (access(path.c_str(), R_OK) == 0 ? path + ":" : "") + folder_ + "/test.conf";
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
  }
  void TearDown() override { temp_.reset(); }

 private:
  std::unique_ptr<test::TempFolder> temp_;
};
const testing::Environment* const kAlsaConfig = testing::AddGlobalTestEnvironment(new AlsaTestConfig);

struct Event {
  audio::WaveBlockEvent::Kind kind;
  std::uint64_t device;
  std::string head;  // first bytes of the block
  int pending;
  Clock::time_point at;
};

class WavePlayback : public testing::Test {
 protected:
  void SetUp() override {
    audio::SetWaveBlockObserver([this](const audio::WaveBlockEvent& e) {
      {
        std::lock_guard hold(lock_);
        events_.push_back({e.kind, e.device, std::string(reinterpret_cast<const char*>(e.data), std::min<std::size_t>(e.size, 16)),
                           e.pending, Clock::now()});
      }
      // A card that takes each block in a tenth of its real time.
      if (e.kind == audio::WaveBlockEvent::kToDevice && paced_) {
        std::this_thread::sleep_for(std::chrono::microseconds(std::uint64_t{e.size} * 100000 / e.bytesPerSecond));
      }
    });
  }
  void TearDown() override {
    StopSounds(true);
    audio::SetWaveBlockObserver(nullptr);
    audio::SetWaveOutDevice("");
    wav::SetWaveIdleTimeout(0);
  }
  // Points the output at a file of the folder; returns the file's path.
  std::string Output(const std::string& name) {
    const std::string path = folder_ + "/" + name;
    audio::SetWaveOutDevice("zorvel_test:FILE=" + path);
    return path;
  }
  // Waits until every sound has ended by itself, then joins the threads so that every
  // device is closed and its file complete.
  void WaitForTheEnd() {
    EXPECT_TRUE(WaitUntil([] { return wav::PlayingWaveCount() == 0; }));
    StopSounds(true);
  }
  std::vector<Event> Events() {
    std::lock_guard hold(lock_);
    return events_;
  }

  test::TempFolder temp_{"zorvel-wav"};
  const std::string folder_ = temp_.path();
  bool paced_ = true;
  std::mutex lock_;
  std::vector<Event> events_;
};

TEST(WavChunks, Walk) {
  const std::string fmt = Fmt(1, 1, 8000, 8);
  const std::string data = Chunk("data", Samples(40, 1));
  std::string pastEnd = Riff(fmt + Chunk("data", Samples(40, 1)));
  pastEnd.replace(pastEnd.size() - 44, 4, Le(100000, 4));  // data claims more than is there
  std::string riffShort = Riff(fmt + data);
  riffShort.replace(4, 4, Le(4 + 24, 4));  // the RIFF size ends before the data chunk
  std::string hugeChunk = Riff(Chunk("LIST", "") + fmt + data);
  hugeChunk.replace(16, 4, Le(0xFFFFFFF0u, 4));  // a chunk size that runs off the end
  struct Row {
    std::string bytes;
    bool found;
    std::size_t samples;
  } rows[] = {
      {Riff(fmt + data), true, 40},
      {Riff(data + Chunk("LIST", "abc") + fmt), true, 40},  // data before fmt
      {Riff(fmt + Chunk("data", "")), false, 0},             // zero-length data
      {Riff(fmt + Chunk("junk", Samples(40, 1))), false, 0}, // no data chunk
      {Riff(data), false, 0},                                // no fmt chunk
      {pastEnd, true, 40},
      {riffShort, false, 0},
      {hugeChunk, false, 0},
      {Riff(fmt + data).substr(0, 35), false, 0},  // 35 bytes are too few
      {"RIFX" + Riff(fmt + data).substr(4), false, 0},
      {Riff(fmt + data).replace(8, 4, "AVI "), false, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    wav::Chunks chunks;
    EXPECT_EQ(wav::FindChunks(Bytes(rows[i].bytes), chunks), rows[i].found) << "row " << i;
    if (rows[i].found) {
      EXPECT_EQ(chunks.samples.size(), rows[i].samples) << "row " << i;
      EXPECT_EQ(chunks.format.size(), 16u) << "row " << i;
    }
  }
}

TEST(SoundData, RecognisedByItsFirstBytes) {
  using namespace std::string_literals;
  struct Row {
    std::string bytes;
    SoundKind kind;
  } rows[] = {
      {"RIFF\0\0\0\0WAVE"s, SoundKind::kWave},
      {"RIFF\0\0\0\0WAV"s, SoundKind::kNone},  // 11 bytes
      {"RIFF\0\0\0\0WAVX"s, SoundKind::kNone},
      {"MThd\0"s, SoundKind::kMidi},
      {"MThd"s, SoundKind::kNone},
      {"mthd\0\0"s, SoundKind::kNone},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(static_cast<int>(RecogniseSound(Bytes(rows[i].bytes))), static_cast<int>(rows[i].kind)) << "row " << i;
  }
}

TEST_F(WavePlayback, TwoSoundsOverlapAndBothPlayToTheEnd) {
  const std::string a = Samples(6 * 15360 + 100, 1), b = Samples(5 * 15360, 2);
  const std::string fileA = Output("a.raw");
  ASSERT_TRUE(PlaySoundData(Bytes(StereoWav(a)).data(), StereoWav(a).size(), false));
  const std::string fileB = Output("b.raw");
  ASSERT_TRUE(PlaySoundData(Bytes(StereoWav(b)).data(), StereoWav(b).size(), false));
  WaitForTheEnd();
  EXPECT_TRUE(Contents(fileA) == a) << "A: " << Contents(fileA).size() << " of " << a.size() << " bytes";
  EXPECT_TRUE(Contents(fileB) == b) << "B: " << Contents(fileB).size() << " of " << b.size() << " bytes";
  // B's first block reached the device before A's last one did.
  Clock::time_point firstB{}, lastA{};
  for (const Event& e : Events()) {
    if (e.kind != audio::WaveBlockEvent::kToDevice) continue;
    if (e.device == Events().front().device) lastA = e.at;
    else if (firstB == Clock::time_point{}) firstB = e.at;
  }
  EXPECT_LT(firstB, lastA);
}

TEST_F(WavePlayback, DataBeforeFormatPlays) {
  const std::string samples = Samples(3000, 3);
  const std::string file = Output("c.raw");
  const std::string bytes = Riff(Chunk("data", samples) + Chunk("LIST", "INFO") + Fmt(3, 1, 22050, 32));
  ASSERT_TRUE(PlaySoundData(Bytes(bytes).data(), bytes.size(), false));
  WaitForTheEnd();
  EXPECT_TRUE(Contents(file) == samples) << Contents(file).size() << " of " << samples.size() << " bytes";
}

TEST_F(WavePlayback, LoopRestartsOnlyAfterEveryBlockHasComeBack) {
  const std::string samples = Samples(3 * 15360 + 7680, 4);
  const std::string head = samples.substr(0, 16);
  const std::string file = Output("loop.raw");
  ASSERT_TRUE(PlaySoundData(Bytes(StereoWav(samples)).data(), StereoWav(samples).size(), true));
  auto starts = [&] {
    std::vector<int> pending;
    for (const Event& e : Events()) {
      if (e.kind == audio::WaveBlockEvent::kWritten && e.head == head) pending.push_back(e.pending);
    }
    return pending;
  };
  ASSERT_TRUE(WaitUntil([&] { return starts().size() >= 3; }));
  StopSounds(true);
  const std::vector<int> pending = starts();
  for (std::size_t i = 1; i < pending.size(); ++i) EXPECT_EQ(pending[i], 0) << "start " << i;
  const std::string out = Contents(file);
  ASSERT_GE(out.size(), 2 * samples.size());
  EXPECT_TRUE(out.substr(0, 2 * samples.size()) == samples + samples);
}

TEST_F(WavePlayback, StopAndWaitReturnsOnlyOnceEveryThreadHasEnded) {
  for (int i = 0; i < 3; ++i) {
    Output("s" + std::to_string(i));
    const std::string bytes = StereoWav(Samples(40 * 15360, i));
    ASSERT_TRUE(PlaySoundData(Bytes(bytes).data(), bytes.size(), true));
  }
  EXPECT_EQ(wav::PlayingWaveCount(), 3);
  StopSounds(true);
  EXPECT_EQ(wav::PlayingWaveCount(), 0);
  const std::size_t seen = Events().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(Events().size(), seen) << "a device still wrote after the wait";
}

TEST_F(WavePlayback, WithoutADeviceThePlayerEndsAfterTheIdleTimeOut) {
  struct Row {
    const char* device;
    std::string bytes;
  } rows[] = {
      {"zorvel_test_absent", StereoWav(Samples(4000, 5))},
      {nullptr, Riff(Fmt(2, 1, 8000, 4) + Chunk("data", Samples(4000, 5)))},  // a format ALSA is not given
      {nullptr, Riff(Chunk("fmt ", "short") + Chunk("data", Samples(4000, 5)))},
  };
  wav::SetWaveIdleTimeout(60);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    if (rows[i].device) audio::SetWaveOutDevice(rows[i].device);
    else Output("refused.raw");
    const auto start = Clock::now();
    EXPECT_TRUE(PlaySoundData(Bytes(rows[i].bytes).data(), rows[i].bytes.size(), true)) << "row " << i;
    EXPECT_EQ(wav::PlayingWaveCount(), 1) << "row " << i;
    EXPECT_TRUE(WaitUntil([] { return wav::PlayingWaveCount() == 0; }, 5000)) << "row " << i;
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(60)) << "row " << i;
  }
  EXPECT_TRUE(Events().empty());
}

TEST_F(WavePlayback, CommandServicesAndWindowMusic) {
  paced_ = false;
  const std::string wavBytes = StereoWav(Samples(2000, 6));
  const std::string path = folder_ + "/dong.wav";
  std::ofstream(path, std::ios::binary) << wavBytes;
  Output("cmd.raw");
  std::uint8_t* wavSet = MakeByteSet(wavBytes);
  std::uint8_t* junkSet = MakeByteSet(std::string_view("RIFF----WAVEjunk"));
  std::uint8_t* badMidi = MakeByteSet(std::string_view("MThd\0\0\0\x07\0\0\0\x01\0\x60\0", 15));
  const std::string name = gbk::FromUtf8(path);
  const std::string missing = gbk::FromUtf8(folder_ + "/none.wav");
  struct Row {
    Value result;
    bool started;
  } rows[] = {
      {Call(cmd::PlaySound, name), true},
      {Call(cmd::PlaySound, name, true), true},
      {Call(cmd::PlaySound, missing), false},
      {Call(cmd::PlaySound, ""), false},
      {Call(cmd::PlaySound, ByteSetArg{wavSet}), true},
      {Call(cmd::PlaySound, ByteSetArg{nullptr}), false},
      {Call(cmd::PlaySound, ByteSetArg{junkSet}), false},
      {Call(cmd::PlaySound, ByteSetArg{badMidi}), true},  // MIDI with a bad header: recognised, plays nothing
      {Call(cmd::PlaySound, 5), false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].result.logical(), rows[i].started) << "row " << i;
  EXPECT_TRUE(WaitUntil([] { return wav::PlayingWaveCount() == 1; })) << "the looping sound plays on";
  InstallSound();
  ServiceRequest(service::kStopSounds, 0, 0);
  EXPECT_TRUE(WaitUntil([] { return wav::PlayingWaveCount() == 0; }));
  EXPECT_EQ(ServiceRequest(service::kPlaySoundData, reinterpret_cast<std::intptr_t>(wavSet), 0), 1);
  EXPECT_EQ(ServiceRequest(service::kPlaySoundData, reinterpret_cast<std::intptr_t>(junkSet), 0), 0);
  WaitForTheEnd();

  // Window music: mode 0 loops until the window's music stops; other modes play nothing.
  PlayWindowMusic(0x52010001, wavBytes, 2);
  EXPECT_EQ(wav::PlayingWaveCount(), 0);
  PlayWindowMusic(0x52010001, wavBytes, 0);
  EXPECT_EQ(wav::PlayingWaveCount(), 1);
  PlayWindowMusic(0x52010001, {}, 0);
  EXPECT_TRUE(WaitUntil([] { return wav::PlayingWaveCount() == 0; }));
  PlayWindowMusic(0x52010001, wavBytes, 1);
  WaitForTheEnd();
  Free(wavSet);
  Free(junkSet);
  Free(badMidi);
}

}  // namespace
}  // namespace zorvel
