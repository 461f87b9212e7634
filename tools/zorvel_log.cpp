// zorvel-log: checks the draw record (draws.log) of a program folder, prints its head,
// the odds of the next draw and what the draws came to.
//
//   zorvel-log verify [--head HASH]        the chain, the sequence numbers and jieguo.a
//   zorvel-log head                        the hash and sequence number of the last entry
//   zorvel-log odds [--csv]                each level's chance in the next draw after a start
//   zorvel-log summary [--since TIME] [--csv]   draws and wins per level and per hour
//
// Every command takes --folder DIR (default: the current folder). Output is UTF-8; times
// are ISO 8601. Exit status: 0 done (verify: the record holds), 1 a break or an
// unreadable record, 2 bad usage.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/draw/draw_record.h"
#include "app/draw/prize_pool.h"
#include "app/draw/record_check.h"
#include "runtime/program.h"
#include "store/store.h"
#include "text/gbk.h"

namespace {

constexpr const char* kUsage =
    "usage: zorvel-log [--folder DIR] verify [--head HASH] | head | odds [--csv] | summary [--since TIME] [--csv]";

int BadUsage(const std::string& why = {}) {
  if (why.empty()) std::fprintf(stderr, "%s\n", kUsage);
  else std::fprintf(stderr, "zorvel-log: %s\n%s\n", why.c_str(), kUsage);
  return 2;
}

struct Options {
  std::string command;
  std::string folder;
  std::string head;
  std::string since;
  bool csv = false;
};

std::optional<std::string> ReadRecord(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

zorvel::record::Ledger LedgerNow() {
  zorvel::record::Ledger ledger{};
  for (int level = 1; level <= 8; ++level)
    ledger[level - 1] = zorvel::store::Number(zorvel::store::ReadWinCount(level));
  return ledger;
}

std::string Percent(double part, double whole, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, whole > 0 ? 100.0 * part / whole : 0.0);
  return text;
}

int Verify(const std::string& path, const Options& options) {
  const std::optional<std::string> record = ReadRecord(path);
  if (!record) {
    std::fprintf(stderr, "zorvel-log: cannot read %s\n", path.c_str());
    return 1;
  }
  const zorvel::record::Verdict verdict = zorvel::record::Verify(*record, LedgerNow(), options.head);
  if (verdict.ok()) {
    std::printf("ok, %zu entries, %zu draws since %s\n", verdict.entries, verdict.draws,
                verdict.firstTime.empty() ? "-" : verdict.firstTime.c_str());
    return 0;
  }
  for (const zorvel::record::Break& b : verdict.breaks) {
    if (b.line == 0) std::printf("%s\n", b.what.c_str());
    else std::printf("line %zu: %s\n", b.line, b.what.c_str());
  }
  return 1;
}

int Head(const std::string& path) {
  const std::optional<std::string> last = zorvel::record::LastLine(path);
  if (!last) {
    std::fprintf(stderr, "zorvel-log: no entries in %s\n", path.c_str());
    return 1;
  }
  const zorvel::record::Entry entry = zorvel::record::ParseLine(*last);
  std::printf("head %s\n", zorvel::record::Sha256Hex(*last).c_str());
  if (entry.parsed) std::printf("entry %lld, %s\n", static_cast<long long>(entry.seq), entry.time.c_str());
  else std::printf("the last line is not an entry\n");
  return 0;
}

int Odds(const Options& options) {
  namespace draw = zorvel::draw;
  draw::LevelCounts counts = draw::StartUpLevelCounts();
  const draw::PrizePool pool = draw::BuildPrizePool(counts);
  const bool byProbability = draw::ReadDrawMode() == draw::DrawMode::kByProbability;
  const double tickets = static_cast<double>(pool.Tickets());
  if (options.csv) {
    std::printf("level,tickets,chance %%\n");
    for (int level = 1; level <= draw::kLevels; ++level)
      std::printf("%d,%llu,%s\n", level, static_cast<unsigned long long>(pool.TicketsOfLevel(level)),
                  Percent(static_cast<double>(pool.TicketsOfLevel(level)), tickets, 4).c_str());
    return 0;
  }
  std::printf("Odds of the next draw, %s (%s)\n", zorvel::record::LocalTimeText().c_str(),
              byProbability ? "by probability: the numbers are weights" : "by quantity: the prizes left");
  std::printf("%-7s %12s %9s\n", "level", "tickets", "chance");
  for (int level = 1; level <= draw::kLevels; ++level)
    std::printf("%-7d %12llu %8s%%\n", level, static_cast<unsigned long long>(pool.TicketsOfLevel(level)),
                Percent(static_cast<double>(pool.TicketsOfLevel(level)), tickets, 2).c_str());
  std::printf("%-7s %12llu\n", "total", static_cast<unsigned long long>(pool.Tickets()));
  if (pool.Tickets() == 0) std::printf("No tickets: the next draw finds nothing to win.\n");
  return 0;
}

int Summary(const std::string& path, const Options& options) {
  const std::optional<std::string> record = ReadRecord(path);
  if (!record) {
    std::fprintf(stderr, "zorvel-log: cannot read %s\n", path.c_str());
    return 1;
  }
  zorvel::record::Summary summary;
  if (!zorvel::record::Summarize(*record, options.since, &summary))
    return BadUsage("--since is not an ISO 8601 time: " + options.since);
  if (options.csv) {
    std::printf("hour,draws,level 1,level 2,level 3,level 4,level 5,level 6,level 7,level 8\n");
    for (const zorvel::record::HourCount& hour : summary.hours) {
      std::printf("%s,%zu", hour.hour.c_str(), hour.draws);
      for (const std::size_t wins : hour.wins) std::printf(",%zu", wins);
      std::printf("\n");
    }
    std::printf("all,%zu", summary.draws);
    for (const std::size_t wins : summary.wins) std::printf(",%zu", wins);
    std::printf("\nexpected,%zu", summary.draws);
    for (const double e : summary.expected) std::printf(",%.3f", e);
    std::printf("\n");
    return 0;
  }
  if (summary.draws == 0) {
    std::printf("No draws%s%s.\n", options.since.empty() ? "" : " since ", options.since.c_str());
    return 0;
  }
  std::printf("%zu draws from %s to %s\n\n", summary.draws, summary.firstTime.c_str(), summary.lastTime.c_str());
  std::printf("%-7s %8s %10s %8s\n", "level", "wins", "expected", "share");
  for (int n = 0; n < 8; ++n)
    std::printf("%-7d %8zu %10.2f %7s%%\n", n + 1, summary.wins[n], summary.expected[n],
                Percent(static_cast<double>(summary.wins[n]), static_cast<double>(summary.draws), 2).c_str());
  std::printf("\nwins against the odds: chi-square %.2f, %d degrees of freedom, p = %.3f\n", summary.chiSquare,
              summary.degreesOfFreedom, summary.pValue);
  std::printf("(p is the chance that fair draws stray this far from the odds or further; a p below 0.01 is worth "
              "a closer look)\n\n");
  std::printf("%-13s %6s", "hour", "draws");
  for (int n = 1; n <= 8; ++n) std::printf(" %5d", n);
  std::printf("\n");
  for (const zorvel::record::HourCount& hour : summary.hours) {
    std::printf("%-13s %6zu", hour.hour.c_str(), hour.draws);
    for (const std::size_t wins : hour.wins) std::printf(" %5zu", wins);
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&](std::string* into) {
      if (i + 1 >= args.size()) return false;
      *into = std::string(args[++i]);
      return true;
    };
    if (arg == "--folder") {
      if (!value(&options.folder)) return BadUsage("--folder needs a folder");
    } else if (arg == "--head") {
      if (!value(&options.head)) return BadUsage("--head needs a hash");
    } else if (arg == "--since") {
      if (!value(&options.since)) return BadUsage("--since needs a time");
    } else if (arg == "--csv") {
      options.csv = true;
    } else if (options.command.empty() && !arg.starts_with("-")) {
      options.command = std::string(arg);
    } else {
      return BadUsage("unexpected argument '" + std::string(arg) + "'");
    }
  }
  if (options.command.empty()) return BadUsage();
  const std::string& c = options.command;
  if (c != "verify" && c != "head" && c != "odds" && c != "summary") return BadUsage("unknown command '" + c + "'");
  if (!options.head.empty() && c != "verify") return BadUsage("--head belongs to verify");
  if (!options.since.empty() && c != "summary") return BadUsage("--since belongs to summary");
  if (options.csv && c != "odds" && c != "summary") return BadUsage("--csv belongs to odds and summary");

  std::error_code error;
  std::filesystem::path folder =
      std::filesystem::absolute(options.folder.empty() ? std::filesystem::current_path() : std::filesystem::path(options.folder), error);
  std::string text = folder.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  if (!std::filesystem::is_directory(text)) return BadUsage("not a folder: " + text);
  // The settings files are read by the program's own rules, from this folder.
  zorvel::SetRunDirectory(zorvel::gbk::FromNativePath(text));
  const std::string path = text + "/" + zorvel::record::kFileName;

  if (c == "verify") return Verify(path, options);
  if (c == "head") return Head(path);
  if (c == "odds") return Odds(options);
  return Summary(path, options);
}
