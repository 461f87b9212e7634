// MIDI: the file parse, the tracks merged into 12-byte stream events, the player over a
// recording output (buffers refilled as they come back, a new piece stopping the old,
// a bounded stop), and the timed stream playing into a recording synthesiser.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "platform/audio/midi_out_record.h"
#include "platform/audio/midi_stream.h"
#include "runtime/sound/midi.h"
#include "runtime/sound/midi_file.h"

namespace zorvel::audio {
std::ostream& operator<<(std::ostream& out, const MidiStreamEvent& event) {
  return out << "{" << event.delta << ", " << event.streamId << ", 0x" << std::hex << event.event << std::dec << "}";
}
}  // namespace zorvel::audio

namespace zorvel::test {
namespace {

using audio::MidiStreamEvent;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kTempo = audio::kMidiEventTempo;
constexpr std::uint32_t kCallback = audio::kMidiEventCallback;

// A MIDI file: "MThd" (length 6), format 1, the tracks given, each in its "MTrk" chunk.
Bytes Smf(std::initializer_list<Bytes> tracks, std::uint16_t division = 96) {
  const auto count = static_cast<std::uint16_t>(tracks.size());
  Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, static_cast<std::uint8_t>(count >> 8),
                static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(division >> 8),
                static_cast<std::uint8_t>(division)};
  for (const Bytes& track : tracks) {
    const auto size = static_cast<std::uint32_t>(track.size());
    file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<std::uint8_t>(size >> 24),
                             static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 8),
                             static_cast<std::uint8_t>(size)});
    file.insert(file.end(), track.begin(), track.end());
  }
  return file;
}

// Every event Fill gives, in buffers of `bufferBytes`, stopping after `limit` events.
std::vector<MidiStreamEvent> Merge(const Bytes& file, bool loop = false, std::uint32_t scale = 100,
                                   std::size_t limit = 1000) {
  MidiSequence sequence;
  std::vector<MidiStreamEvent> events;
  if (sequence.Parse(file) != MidiParse::kOk) return events;
  Bytes buffer(1024);
  while (events.size() < limit) {
    const std::size_t bytes = sequence.Fill(buffer, loop, scale);
    if (bytes == 0) break;
    for (std::size_t i = 0; i < bytes / 12; ++i) events.push_back(audio::ReadMidiStreamEvent(buffer, i));
  }
  if (events.size() > limit) events.resize(limit);
  return events;
}

TEST(MidiFile, Parse) {
  const Bytes one = Smf({{0x00, 0x90, 0x3C, 0x40}});
  Bytes longHeader = one;
  longHeader[7] = 7;
  Bytes missingTrack = one;
  missingTrack[11] = 2;  // two tracks announced, one present
  Bytes notTrack = one;
  notTrack[14] = 'X';
  struct Row {
    Bytes bytes;
    MidiParse result;
    int tracks;
  } rows[] = {
      {one, MidiParse::kOk, 1},
      {Smf({}), MidiParse::kOk, 0},
      {Smf({{}, {0x00, 0x90, 0x3C, 0x40}}), MidiParse::kOk, 2},
      {{'M', 'T', 'h', 'd'}, MidiParse::kNotMidi, 0},
      {{'R', 'I', 'F', 'F', 0, 0, 0, 0}, MidiParse::kNotMidi, 0},
      {{}, MidiParse::kNotMidi, 0},
      {longHeader, MidiParse::kBadHeader, 0},
      {Bytes(one.begin(), one.begin() + 13), MidiParse::kBadHeader, 0},
      {missingTrack, MidiParse::kBadTrack, 0},
      {notTrack, MidiParse::kBadTrack, 0},
      {Bytes(one.begin(), one.begin() + 20), MidiParse::kBadTrack, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    MidiSequence sequence;
    EXPECT_EQ(sequence.Parse(rows[i].bytes), rows[i].result) << "row " << i;
    EXPECT_EQ(sequence.trackCount(), rows[i].tracks) << "row " << i;
  }
}

TEST(MidiFile, MergesTracksInTimeOrder) {
  // Track 0: tempo 500000, note on at 0, main volume at 4, note off at 10 (running status).
  // Track 1: a system exclusive at 2 (dropped), note on at 5, note off at 15.
  const Bytes file = Smf({
      {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x40, 0x04, 0xB0, 0x07, 0x64,  //
       0x06, 0x90, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00},
      {0x02, 0xF0, 0x02, 0x7E, 0xF7, 0x03, 0x91, 0x40, 0x50, 0x0A, 0x81, 0x40, 0x00},
  });
  const std::vector<MidiStreamEvent> expected = {
      {0, 0, kTempo | 500000},     {0, 0, 0x403C90},  {4, 0, kCallback | 0x6407B0},
      {1, 0, 0x504091},            {5, 0, 0x003C90},  {5, 0, 0x004081},
  };
  EXPECT_EQ(Merge(file), expected);
  // Tempo scale 200: twice as fast.
  EXPECT_EQ(Merge(file, false, 200).front(), (MidiStreamEvent{0, 0, kTempo | 250000}));
}

TEST(MidiFile, MalformedTracksEndWhereTheyBreak) {
  const Bytes note = {0x00, 0x90, 0x3C, 0x40};
  struct Row {
    Bytes track;
    std::vector<MidiStreamEvent> events;
  } rows[] = {
      {{0x00, 0x3C, 0x40}, {}},                                          // running status at the start
      {{0x00, 0x90, 0x3C, 0x40, 0x05, 0x80, 0x3C}, {{0, 0, 0x403C90}}},  // event cut short
      {{0x00, 0x90, 0x3C, 0x40, 0x85}, {{0, 0, 0x403C90}}},              // delta cut short
      {{0x81, 0x81, 0x81, 0x81, 0x00, 0x90, 0x3C, 0x40}, {}},             // delta of five bytes
      {{0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40}, {{0x0FFFFFFF, 0, 0x403C90}}},  // largest delta
      {{0x00, 0xFF, 0x01, 0x7F, 0x41}, {}},                               // meta size past the end
      {{0x00, 0xF3, 0x01, 0x00, 0x90, 0x3C, 0x40}, {}},                   // no system message in a file
      {{0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1, 0x00, 0x90, 0x3C, 0x40}, {{0, 0, 0x403C90}}},  // short tempo dropped
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(Merge(Smf({rows[i].track})), rows[i].events) << "row " << i;
    // A second track beside the broken one still plays in full.
    EXPECT_EQ(Merge(Smf({rows[i].track, note})).size(), rows[i].events.size() + 1) << "row " << i;
  }
  // A track whose length runs past the end plays what is there.
  Bytes cut = Smf({{0x00, 0x90, 0x3C, 0x40, 0x00, 0x90, 0x3E, 0x40}});
  cut[21] = 0x40;  // length 64, 8 bytes present
  EXPECT_EQ(Merge(cut).size(), 2u);
}

TEST(MidiFile, LoopRewindsKeepingTheRestAtTheEnd) {
  // Note on at 0, off at 10, end of track at 16.
  const Bytes file = Smf({{0x00, 0x90, 0x3C, 0x40, 0x0A, 0x80, 0x3C, 0x00, 0x06, 0xFF, 0x2F, 0x00}});
  const std::vector<MidiStreamEvent> expected = {
      {0, 0, 0x403C90}, {10, 0, 0x003C80}, {6, 0, 0x403C90}, {10, 0, 0x003C80}, {6, 0, 0x403C90}};
  EXPECT_EQ(Merge(file, true, 100, 5), expected);
  // A piece without events ends even when looping.
  EXPECT_EQ(Merge(Smf({{0x10, 0xFF, 0x2F, 0x00}}), true).size(), 0u);
}

// The runtime's player over a recording output, restored to the platform's afterwards.
class MidiPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { audio::SetMidiOutFactory(record_->Factory()); }
  void TearDown() override {
    StopMidi();
    audio::SetMidiOutFactory(nullptr);
  }
  std::shared_ptr<audio::MidiOutRecord> record_ = std::make_shared<audio::MidiOutRecord>();
};

// A track of `notes` note-on events one tick apart.
Bytes Notes(int notes, std::uint8_t key = 0x3C) {
  Bytes track;
  for (int i = 0; i < notes; ++i) track.insert(track.end(), {0x01, 0x90, key, 0x40});
  return track;
}

TEST_F(MidiPlayerTest, RefillsTwoBuffersAsTheyComeBack) {
  MidiPlayer player;
  ASSERT_TRUE(player.Play(Smf({Notes(200)}, 480), false));
  EXPECT_TRUE(player.IsPlaying());
  // 200 events: 85 + 85 queued at once, the last 30 when the first buffer comes back.
  EXPECT_EQ(record_->Snapshot(0).division, 480);
  EXPECT_EQ(record_->Snapshot(0).bufferBytes, (std::vector<std::size_t>{1020, 1020}));
  EXPECT_TRUE(record_->ReturnOldest());
  EXPECT_EQ(record_->Snapshot(0).bufferBytes, (std::vector<std::size_t>{1020, 1020, 360}));
  EXPECT_EQ(record_->Snapshot(0).queued, (std::deque<int>{1, 0}));
  EXPECT_TRUE(record_->ReturnOldest());
  EXPECT_TRUE(player.IsPlaying());
  EXPECT_TRUE(record_->ReturnOldest());
  EXPECT_FALSE(player.IsPlaying());  // the last buffer is back: the piece is over
  EXPECT_EQ(record_->Snapshot(0).events.size(), 200u);
}

TEST_F(MidiPlayerTest, LoopKeepsQueueing) {
  MidiPlayer player;
  ASSERT_TRUE(player.Play(Smf({Notes(3)}), true));
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(record_->ReturnOldest()) << i;
  EXPECT_TRUE(player.IsPlaying());
  EXPECT_EQ(record_->Snapshot(0).bufferBytes.size(), 7u);
  player.Stop();
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_TRUE(record_->Snapshot(0).closed);
}

TEST_F(MidiPlayerTest, NewRequestStopsTheOldPiece) {
  ASSERT_TRUE(PlayMidi(Smf({Notes(3, 0x3C)}), true));
  ASSERT_TRUE(PlayMidi(Smf({Notes(3, 0x40)}), false));
  ASSERT_EQ(record_->StreamCount(), 2u);
  const audio::MidiOutRecord::Stream first = record_->Snapshot(0), second = record_->Snapshot(1);
  EXPECT_EQ(first.stops, 1);
  EXPECT_EQ(first.resets, 1);
  EXPECT_TRUE(first.closed);
  EXPECT_FALSE(second.closed);
  EXPECT_EQ(second.events.at(0).event, 0x404090u);
}

TEST_F(MidiPlayerTest, BadHeaderStopsTheOldPieceAndPlaysNothing) {
  ASSERT_TRUE(PlayMidi(Smf({Notes(3)}), true));
  Bytes bad = Smf({Notes(3)});
  bad[7] = 8;
  EXPECT_TRUE(PlayMidi(bad, false));           // recognised as MIDI
  EXPECT_EQ(record_->StreamCount(), 1u);       // no stream opened for it
  EXPECT_TRUE(record_->Snapshot(0).closed);    // the old piece stopped
  EXPECT_FALSE(PlayMidi(Bytes{'M', 'T', 'h', 'd'}, false));  // four bytes are not MIDI
}

TEST_F(MidiPlayerTest, StopGivesUpOnAnOutputThatNeverAnswers) {
  record_->returnOnStop = false;
  ASSERT_TRUE(PlayMidi(Smf({Notes(3)}), true));
  const auto start = std::chrono::steady_clock::now();
  StopMidi();
  const auto waited = std::chrono::steady_clock::now() - start;
  // The wait is bounded at 2000 ms; the margin is for a loaded machine.
  EXPECT_GE(waited, std::chrono::milliseconds(1900));
  EXPECT_LT(waited, std::chrono::milliseconds(4000));
  EXPECT_TRUE(record_->Snapshot(0).closed);
  EXPECT_FALSE(record_->ReturnOldest());  // nothing comes back once closed
}

TEST(MidiTiming, TicksToMicroseconds) {
  struct Row {
    std::uint32_t delta, tempo;
    std::uint16_t division;
    std::uint64_t microseconds;
  } rows[] = {
      {96, 500000, 96, 500000},
      {1, 500000, 3, 166666},
      {0xFFFFFFFF, 0xFFFFFF, 1, 0xFFFFFFFFull * 0xFFFFFF},
      {1000, 0, 0xE728, 1000000},  // 25 frames of 40 ticks: tempo does not count
      {2997, 0, 0xE301, 100000000},  // 29.97 frames of one tick
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::uint64_t remainder = 0;
    EXPECT_EQ(audio::MidiTicksToMicroseconds(rows[i].delta, rows[i].tempo, rows[i].division, remainder),
              rows[i].microseconds)
        << "row " << i;
  }
  // The fraction carries: three thirds of a tick make a whole one.
  std::uint64_t remainder = 0, total = 0;
  for (int i = 0; i < 3; ++i) total += audio::MidiTicksToMicroseconds(1, 500000, 3, remainder);
  EXPECT_EQ(total, 500000u);
  EXPECT_FALSE(audio::IsPlayableMidiDivision(0));
  EXPECT_FALSE(audio::IsPlayableMidiDivision(0xE700));  // no ticks per frame
  EXPECT_FALSE(audio::IsPlayableMidiDivision(0xE628));  // 26 frames a second
}

// A synthesiser that records what it is sent.
struct SinkLog {
  std::mutex mutex;
  std::vector<std::uint32_t> messages;
  int silences = 0;
};

class RecordingSink final : public audio::MidiSink {
 public:
  explicit RecordingSink(std::shared_ptr<SinkLog> log) : log_(std::move(log)) {}
  void Send(std::uint32_t message) override {
    std::lock_guard lock(log_->mutex);
    log_->messages.push_back(message);
  }
  void Silence() override {
    std::lock_guard lock(log_->mutex);
    ++log_->silences;
  }

 private:
  std::shared_ptr<SinkLog> log_;
};

struct DoneLog {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> done;
  bool WaitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), [&] { return done.size() >= count; });
  }
};

Bytes Events(std::initializer_list<MidiStreamEvent> events) {
  Bytes buffer(events.size() * 12);
  std::size_t i = 0;
  for (const MidiStreamEvent& event : events) audio::WriteMidiStreamEvent(buffer, i++, event);
  return buffer;
}

TEST(MidiTimedStream, PlaysBuffersInOrderAndStops) {
  auto sink = std::make_shared<SinkLog>();
  auto done = std::make_shared<DoneLog>();
  audio::TimedMidiStream stream(std::make_unique<RecordingSink>(sink), [done](int index) {
    std::lock_guard lock(done->mutex);
    done->done.push_back(index);
    done->changed.notify_all();
  });
  ASSERT_TRUE(stream.SetTimeDivision(1000));
  EXPECT_FALSE(stream.SetTimeDivision(0));
  // A tempo of 1000 us a quarter: a tick is a microsecond.
  ASSERT_TRUE(stream.Queue(0, Events({{0, 0, kTempo | 1000}, {5, 0, 0x403C90}, {5, 0, audio::kMidiEventNop}})));
  ASSERT_TRUE(stream.Queue(1, Events({{5, 0, 0x003C80}})));
  ASSERT_TRUE(done->WaitFor(2));
  {
    std::lock_guard lock(sink->mutex);
    EXPECT_EQ(sink->messages, (std::vector<std::uint32_t>{0x403C90, 0x003C80}));
  }
  EXPECT_FALSE(stream.Queue(2, Bytes(13)));  // not whole events
  // An event over an hour away: Stop gives the buffer back at once without playing it.
  ASSERT_TRUE(stream.Queue(2, Events({{0xFFFFFFFF, 0, 0x403E90}})));
  stream.Stop();
  ASSERT_TRUE(done->WaitFor(3));
  {
    std::lock_guard lock(done->mutex);
    EXPECT_EQ(done->done, (std::vector<int>{0, 1, 2}));
  }
  std::lock_guard lock(sink->mutex);
  EXPECT_EQ(sink->messages.size(), 2u);
  EXPECT_GE(sink->silences, 1);
}

// The player over the timed stream, threads and all: a looping piece keeps sounding
// until a new request replaces it, and stopping gives every buffer back.
TEST(MidiTimedStream, PlayerLoopsUntilReplaced) {
  auto sink = std::make_shared<SinkLog>();
  audio::SetMidiOutFactory([sink](audio::MidiOut::BufferDone done) -> std::unique_ptr<audio::MidiOut> {
    return std::make_unique<audio::TimedMidiStream>(std::make_unique<RecordingSink>(sink), std::move(done));
  });
  const auto count = [&] {
    std::lock_guard lock(sink->mutex);
    return sink->messages.size();
  };
  // Tempo 1000 us a quarter at 1000 ticks: every note a microsecond after the last.
  const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x00, 0x03, 0xE8};
  Bytes looping = tempo;
  for (const std::uint8_t byte : Notes(3, 0x3C)) looping.push_back(byte);
  ASSERT_TRUE(PlayMidi(Smf({looping}, 1000), true));
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (count() < 400 && std::chrono::steady_clock::now() < end) std::this_thread::yield();
  ASSERT_GE(count(), 400u);  // more than four buffers' worth: the loop went on

  Bytes once = tempo;
  for (const std::uint8_t byte : Notes(2, 0x40)) once.push_back(byte);
  ASSERT_TRUE(PlayMidi(Smf({once}, 1000), false));
  const std::size_t before = count();  // the old stream is closed: nothing more of it comes
  const auto last = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (count() < before + 2 && std::chrono::steady_clock::now() < last) std::this_thread::yield();
  StopMidi();
  {
    std::lock_guard lock(sink->mutex);
    EXPECT_EQ(std::vector<std::uint32_t>(sink->messages.begin() + static_cast<std::ptrdiff_t>(before),
                                         sink->messages.end()),
              (std::vector<std::uint32_t>{0x404090, 0x404090}));
  }
  audio::SetMidiOutFactory(nullptr);
}

}  // namespace
}  // namespace zorvel::test
