// The draw record without windows: the chain as written, what verify finds in records
// tampered with line by line, the repair of a record cut short (by truncation and by a
// writer killed mid-stream), and the χ² of the summary.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/draw/draw_record.h"
#include "app/draw/record_check.h"
#include "tests/support/temp_folder.h"

namespace zorvel::record {
namespace {

using zorvel::test::ReadBytes;
using zorvel::test::WriteBytes;

// Writes the entries of a record of runs and draws as the program would, keeping the
// ledger those entries leave.
class RecordWriter {
 public:
  explicit RecordWriter(std::string path) : path_(std::move(path)) {}
  void Start() { Add("start", Fields().Add("ledger", std::span<const double>(ledger_))); }
  void End() { Add("end", Fields().Add("ledger", std::span<const double>(ledger_))); }
  void Draw(int level, std::array<std::int32_t, 8> counts = {1, 2, 4, 8, 10, 15, 20, 50}) {
    ledger_[level - 1] += 1;
    Add("draw", Fields()
                    .Add("egg", 1)
                    .Add("counts", std::span<const std::int32_t>(counts))
                    .Add("level", level)
                    .Add("ledger", ledger_[level - 1]));
  }
  void Clear() {
    Add("cleared", Fields().Add("before", std::span<const double>(ledger_)));
    ledger_ = {};
  }
  void Add(std::string_view kind, const Fields& fields) { ASSERT_EQ(Append(path_, kind, fields), ""); }
  const Ledger& ledger() const { return ledger_; }

 private:
  std::string path_;
  Ledger ledger_{};
};

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (const std::string_view line : SplitLines(bytes)) lines.emplace_back(line);
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\n";
  return bytes;
}

std::string Described(const Verdict& verdict) {
  std::string text;
  for (const Break& b : verdict.breaks) text += "line " + std::to_string(b.line) + ": " + b.what + "\n";
  return text;
}

TEST(DrawRecord, EveryLineIsAnEntryChainedToTheOneBefore) {
  test::TempFolder folder;
  const std::string path = folder / kFileName;
  ASSERT_EQ(Append(path, "start", Fields().Add("folder", "D:\\抽奖 \"A\"\n").Add("counts", std::span<const std::int32_t>(std::array<std::int32_t, 2>{-3, 7}))), "");
  ASSERT_EQ(Append(path, "draw", Fields().Add("level", 3).Add("ledger", 2.5).Add("picture", false)), "");
  const std::vector<std::string> lines = Lines(ReadBytes(path));
  ASSERT_EQ(lines.size(), 2u);
  const Entry first = ParseLine(lines[0]), second = ParseLine(lines[1]);
  ASSERT_TRUE(first.parsed);
  ASSERT_TRUE(second.parsed);
  EXPECT_EQ(first.seq, 1);
  EXPECT_EQ(second.seq, 2);
  EXPECT_EQ(first.prev, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");  // SHA-256 of nothing
  EXPECT_EQ(second.prev, Sha256Hex(lines[0]));
  EXPECT_EQ(first.object.value("folder").toString().toStdString(), "D:\\抽奖 \"A\"\n");
  EXPECT_EQ(Numbers(first.object, "counts")[0], -3);
  EXPECT_EQ(second.object.value("ledger").toDouble(), 2.5);
  EXPECT_EQ(second.kind, "draw");
  // Local time with milliseconds and the offset: 2026-05-01T14:03:07.412+08:00.
  ASSERT_EQ(first.time.size(), 29u) << first.time;
  EXPECT_EQ(first.time[10], 'T');
  EXPECT_EQ(first.time[19], '.');
  EXPECT_TRUE(first.time[23] == '+' || first.time[23] == '-') << first.time;
  EXPECT_EQ(LastLine(path), lines[1]);
  // After a last line edited into no entry at all, the count goes on by the lines.
  ASSERT_TRUE(WriteBytes(path, ReadBytes(path) + "{\"seq\": garbage}\n"));
  ASSERT_EQ(Append(path, "end", Fields()), "");
  EXPECT_EQ(ParseLine(*LastLine(path)).seq, 4);
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(DrawRecord, VerifyAcceptsRunsAndClearsAndFindsEveryKindOfTampering) {
  test::TempFolder folder;
  const std::string path = folder / kFileName;
  RecordWriter writer(path);
  writer.Start();
  writer.Draw(3);
  writer.Draw(8);
  writer.Draw(8);
  writer.End();
  writer.Start();
  writer.Draw(5);
  writer.Clear();
  writer.Draw(2);
  writer.Draw(8);  // line 10
  writer.End();
  writer.Start();
  writer.Draw(7);  // line 13
  const std::string record = ReadBytes(path);
  const std::vector<std::string> lines = Lines(record);
  ASSERT_EQ(lines.size(), 13u);
  const Ledger ledger = writer.ledger();

  const Verdict good = Verify(record, ledger);
  EXPECT_TRUE(good.ok()) << Described(good);
  EXPECT_EQ(good.entries, 13u);
  EXPECT_EQ(good.draws, 7u);
  EXPECT_EQ(good.headHash, Sha256Hex(lines[12]));
  EXPECT_EQ(good.headSeq, 13);
  EXPECT_TRUE(Verify(record, ledger, Sha256Hex(lines[6])).ok()) << "a head published earlier";

  auto edited = lines;
  edited[9].replace(edited[9].find("\"level\":8"), 9, "\"level\":1");
  auto editedLast = lines;
  editedLast[12].replace(editedLast[12].find("\"level\":7"), 9, "\"level\":1");
  auto removed = lines;
  removed.erase(removed.begin() + 3);
  auto swapped = lines;
  std::swap(swapped[2], swapped[3]);
  auto inserted = lines;
  inserted.insert(inserted.begin() + 5, inserted[4]);
  auto startEdited = lines;  // the ledger changed while the program was not running
  startEdited[5].replace(startEdited[5].find("\"ledger\":[0,0,1,0,0,0,0,2]"), 26, "\"ledger\":[0,0,1,0,0,0,0,0]");
  Ledger handEdited = ledger;
  handEdited[6] = 0;
  auto cutOff = lines;  // the last entries removed: only the published head shows it
  cutOff.resize(8);
  auto removedRun = lines;  // three lines in a row: one report for the run
  removedRun.erase(removedRun.begin() + 2, removedRun.begin() + 5);
  auto movedIntoRun = lines;  // entry 4 taken out of a removed run and put at the end
  const std::string fourth = movedIntoRun[3];
  movedIntoRun.erase(movedIntoRun.begin() + 2, movedIntoRun.begin() + 5);
  movedIntoRun.push_back(fourth);
  auto farAhead = lines;  // a number edited far ahead: one report, not one per number skipped
  farAhead[12].replace(farAhead[12].find("\"seq\":13"), 8, "\"seq\":9000000000000");

  const struct {
    const char* name;
    std::string record;
    Ledger ledger;
    std::string head;
    std::vector<std::pair<std::size_t, std::string>> breaks;  // line, start of what is wrong
  } rows[] = {
            // To level 1, whose ledger it then matches: the chain and the next end show it.
      {"an edited level", Join(edited), ledger, "", {{10, "edited"}, {11, "ledger differs"}}},
            // No entry follows it: jieguo.a shows it.
      {"the last entry's level edited", Join(editedLast), ledger, "", {{0, "ledger differs"}}},
      {"a removed line", Join(removed), ledger, "", {{4, "removed: entry 4"}, {4, "ledger differs"}}},
      {"a swapped pair", Join(swapped), ledger, "", {{3, "ledger differs"}, {4, "moved: entry 3"}, {4, "ledger differs"}, {5, "ledger differs"}}},
      {"an inserted line", Join(inserted), ledger, "", {{6, "inserted: a second entry 5"}}},
      {"a start's ledger edited", Join(startEdited), ledger, "", {{6, "ledger differs"}, {6, "edited"}, {8, "ledger differs"}}},
      {"jieguo.a edited by hand", record, handEdited, "", {{0, "ledger differs"}}},
      {"entries removed after the head was published", Join(cutOff), ledger, Sha256Hex(lines[12]),
       {{0, "ledger differs"}, {0, "no entry has the head"}}},
      {"three lines in a row removed", Join(removedRun), ledger, "",
       {{3, "removed: entries 3 to 5 are missing before this line"}, {3, "ledger differs"}}},
      {"a line of a removed run moved to the end", Join(movedIntoRun), ledger, "",
       {{3, "removed: entry 3 is missing"}, {3, "removed: entry 5 is missing"}, {3, "ledger differs"},
        {11, "moved: entry 4 stands after entry 13"}, {0, "ledger differs"}}},
      {"a sequence number edited far ahead", Join(farAhead), ledger, "",
       {{13, "removed: entries 13 to 8999999999999 are missing"}}},
  };
  for (const auto& r : rows) {
    const Verdict verdict = Verify(r.record, r.ledger, r.head);
    std::vector<std::pair<std::size_t, std::string>> found;
    for (const Break& b : verdict.breaks) found.emplace_back(b.line, b.what);
    ASSERT_EQ(found.size(), r.breaks.size()) << r.name << "\n" << Described(verdict);
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].first, r.breaks[i].first) << r.name << "\n" << Described(verdict);
      EXPECT_TRUE(found[i].second.starts_with(r.breaks[i].second)) << r.name << "\n" << Described(verdict);
    }
  }
}

TEST(DrawRecord, ACutLastLineIsMovedAsideAndTheChainGoesOn) {
  test::TempFolder folder;
  const std::string path = folder / kFileName;
  RecordWriter writer(path);
  writer.Start();
  writer.Draw(4);
  const std::string whole = ReadBytes(path);
  ASSERT_TRUE(WriteBytes(path, whole + "{\"seq\":3,\"time\":\"2026-"));
  EXPECT_EQ(Verify(ReadBytes(path), writer.ledger()).breaks.size(), 1u);
  EXPECT_NE(Append(path, "draw", Fields()), "") << "no entry after a cut line";

  const Repair repair = RepairCutEnd(path);
  ASSERT_TRUE(repair.repaired) << repair.problem;
  EXPECT_EQ(repair.bytes, 22u);
  EXPECT_EQ(ReadBytes(repair.damagedPath), "{\"seq\":3,\"time\":\"2026-");
  EXPECT_TRUE(repair.damagedPath.starts_with(path + ".damaged-"));
  EXPECT_EQ(ReadBytes(path), whole);
  writer.Add("repaired", Fields().Add("bytes", repair.bytes));
  writer.Draw(1);
  const Verdict verdict = Verify(ReadBytes(path), writer.ledger());
  EXPECT_TRUE(verdict.ok()) << Described(verdict);
  EXPECT_EQ(verdict.entries, 4u);
  EXPECT_FALSE(RepairCutEnd(path).repaired) << "a whole record stays as it is";

  // A record that is one cut line and nothing else.
  ASSERT_TRUE(WriteBytes(path, "{\"se"));
  ASSERT_TRUE(RepairCutEnd(path).repaired);
  EXPECT_EQ(ReadBytes(path), "");
  ASSERT_EQ(Append(path, "start", Fields()), "");
  EXPECT_EQ(ParseLine(*LastLine(path)).seq, 1);
}

TEST(DrawRecord, AWriterKilledWhileDrawingLeavesARecordThatRepairsAndVerifies) {
  test::TempFolder folder;
  const std::string path = folder / kFileName;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RecordWriter writer(path);
    writer.Start();
    for (int i = 0;; ++i) writer.Draw(1 + i % 8);
  }
  // Until a few draws are on the disk, then without warning.
  const auto size = [&] {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    return error ? 0 : bytes;
  };
  for (int i = 0; i < 500 && size() < 4000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));

  const Repair repair = RepairCutEnd(path);
  EXPECT_EQ(repair.problem, "");
  const std::string record = ReadBytes(path);
  const Verdict verdict = Verify(record, std::nullopt);
  EXPECT_TRUE(verdict.ok()) << Described(verdict);
  EXPECT_GT(verdict.draws, 10u);
  EXPECT_EQ(record.back(), '\n');
}

TEST(DrawRecord, TheSummaryExpectsWhatEachDrawsOwnCountsGave) {
  test::TempFolder folder;
  const std::string path = folder / kFileName;
  RecordWriter writer(path);
  writer.Start();
  // Quantity mode, two prizes: the first draw had 1 of level 1 against 3 of level 2, the
  // second only the three.
  writer.Draw(1, {1, 3, 0, 0, 0, 0, 0, 0});
  writer.Draw(2, {0, 3, 0, 0, 0, 0, 0, 0});
  writer.Draw(2, {0, 2, 0, 0, 0, 0, -4, 0});
  writer.Add("interrupted", Fields().Add("draw", 4).Add("level", 2));
  Summary summary;
  ASSERT_TRUE(Summarize(ReadBytes(path), "", &summary));
  EXPECT_EQ(summary.draws, 2u) << "the interrupted draw was never shown";
  EXPECT_EQ(summary.wins[0], 1u);
  EXPECT_EQ(summary.wins[1], 1u);
  EXPECT_DOUBLE_EQ(summary.expected[0], 0.25);
  EXPECT_DOUBLE_EQ(summary.expected[1], 1.75);
  EXPECT_DOUBLE_EQ(summary.chiSquare, 0.75 * 0.75 / 0.25 + 0.75 * 0.75 / 1.75);
  EXPECT_EQ(summary.degreesOfFreedom, 1);
  ASSERT_EQ(summary.hours.size(), 1u);
  EXPECT_EQ(summary.hours[0].draws, 2u);
  EXPECT_FALSE(Summarize(ReadBytes(path), "yesterday", &summary));
  ASSERT_TRUE(Summarize(ReadBytes(path), "2999-01-01T00:00", &summary));
  EXPECT_EQ(summary.draws, 0u);

  // The tail of χ²: known values of the distribution.
  EXPECT_NEAR(ChiSquareTail(3.841458820694124, 1), 0.05, 1e-9);
  EXPECT_NEAR(ChiSquareTail(14.067140449340169, 7), 0.05, 1e-9);
  EXPECT_NEAR(ChiSquareTail(2.0, 2), std::exp(-1.0), 1e-12);
  EXPECT_NEAR(ChiSquareTail(40.0, 7), 1.26e-6, 1e-8);
}

TEST(DrawRecord, AWinlessLevelThatWinsIsNoChance) {
  test::TempFolder folder;
  const std::string path = folder / kFileName;
  RecordWriter writer(path);
  writer.Draw(3, {5, 5, 0, 0, 0, 0, 0, 0});  // edited or forged: level 3 had no ticket
  Summary summary;
  ASSERT_TRUE(Summarize(ReadBytes(path), "", &summary));
  EXPECT_TRUE(std::isinf(summary.chiSquare));
  EXPECT_EQ(summary.pValue, 0.0);
}

}  // namespace
}  // namespace zorvel::record
