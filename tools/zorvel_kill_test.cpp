// The kill test: the program drawing one draw after another on a scratch folder is killed
// (SIGKILL) at a random moment, again and again. After each kill the program is started
// once more, draws once and ends in order (its start repairs a record cut short and marks
// a draw whose win never reached the ledger); then the folder must hold:
//   - jieguo.a that parses, every value a number;
//   - a ledger sum equal to the draws the record lists less those marked "interrupted";
//   - a record every line of which is an entry, and `zorvel-log verify` passing;
//   - no file beside them but config.a, jieguo.a, draws.log, .zorvel.lock and the
//     draws.log.damaged-* files that a "repaired" entry names;
//   - no run folder of movie files (zorvel-<pid>) of a program that has ended.
//
//   zorvel-kill-test [--kills N] [--min MS] [--max MS] [--seed S] [--effects]
//                    [--program PATH] [--log-tool PATH] [--keep | --discard]
//
// The kill comes uniformly between --min and --max milliseconds (50, 1500) after the
// start. Prints one line per 100 kills and a summary; exit status 0 when nothing was
// corrupt, lost or left behind. The scratch folder stays when something was (or with
// --keep), and goes whatever happened with --discard.
#include <cstdio>
#include <random>

#include "tools/reliability.h"

namespace {

using namespace zorvel::reliability;

struct Options {
  long kills = 1000;
  int minMs = 50, maxMs = 1500;
  unsigned seed = std::random_device{}();
  bool effects = false, keep = false, discard = false;
  std::string program = Beside("../app/zorvel");
  std::string logTool = Beside("zorvel-log");
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--kills" && hasValue) o.kills = std::atol(argv[++i]);
    else if (a == "--min" && hasValue) o.minMs = std::atoi(argv[++i]);
    else if (a == "--max" && hasValue) o.maxMs = std::atoi(argv[++i]);
    else if (a == "--seed" && hasValue) o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    else if (a == "--program" && hasValue) o.program = argv[++i];
    else if (a == "--log-tool" && hasValue) o.logTool = argv[++i];
    else if (a == "--effects") o.effects = true;
    else if (a == "--keep") o.keep = true;
    else if (a == "--discard") o.discard = true;
    else return false;
  }
  return o.kills > 0 && o.minMs >= 0 && o.maxMs >= o.minMs && !(o.keep && o.discard);
}

struct Tally {
  long kills = 0;
  long corrupt = 0;       // checks after which jieguo.a or the record was unreadable, or verify failed
  double lost = 0;        // draws recorded and not interrupted that the ledger lacks
  double extra = 0;       // wins in the ledger that no draw recorded
  long leftovers = 0;     // checks that found a file or a run folder that should not be there
  long hangs = 0;         // restarts that did not end
  long badExits = 0;      // restarts that ended with a status other than 0
  long tempAfterKill = 0; // kills that left a temporary file (the next write removes it)
  long runFoldersAfterKill = 0;
};

int problemsShown = 0;
void Problem(long kill, const std::string& what) {
  if (++problemsShown <= 20) std::printf("kill %ld: %s\n", kill, what.c_str());
}

bool Expected(const std::string& name, const std::vector<std::string>& damaged) {
  if (name == "config.a" || name == "jieguo.a" || name == "draws.log" || name == ".zorvel.lock") return true;
  for (const std::string& d : damaged)
    if (name == d) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: zorvel-kill-test [--kills N] [--min MS] [--max MS] [--seed S] [--effects] [--program PATH] "
                 "[--log-tool PATH] [--keep | --discard]\n");
    return 2;
  }
  char pattern[] = "/tmp/zorvel-kill-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::perror("zorvel-kill-test: mkdtemp");
    return 2;
  }
  const fs::path base = pattern, folder = base / "folder", cache = base / "cache", output = base / "program.out";
  fs::create_directories(folder);
  fs::create_directories(cache);
  WritePrizeSettings(folder);
  std::printf("kill test: %ld kills, %d-%d ms after the start, effects %s, seed %u, folder %s\n", o.kills, o.minMs,
              o.maxMs, o.effects ? "on" : "off", o.seed, folder.c_str());
  std::fflush(stdout);

  std::mt19937 random(o.seed);
  std::uniform_int_distribution<int> moment(o.minMs, o.maxMs);
  Tally t;
  const auto started = std::chrono::steady_clock::now();
  for (long k = 1; k <= o.kills; ++k) {
    // The run that is killed.
    const pid_t victim = StartProgram(o.program, folder, cache, 0, o.effects, output);
    std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
    kill(victim, SIGKILL);
    int status = 0;
    waitpid(victim, &status, 0);
    ++t.kills;
    for (const std::string& name : FilesBelow(folder))
      if (!Expected(name, RecordTexts(folder / "draws.log", "repaired", "damaged")) &&
          name.rfind("draws.log.damaged-", 0) != 0) {
        ++t.tempAfterKill;
        break;
      }
    if (!RunFolders(cache).empty()) ++t.runFoldersAfterKill;

    // The restart: one draw and the orderly end.
    const std::optional<int> exit = WaitFor(StartProgram(o.program, folder, cache, 1, o.effects, output),
                                            std::chrono::seconds(60));
    if (!exit) {
      ++t.hangs;
      Problem(k, "the restart did not end within 60 s");
    } else if (*exit != 0) {
      ++t.badExits;
      Problem(k, "the restart ended with status " + std::to_string(*exit));
    }

    // The checks.
    bool corrupt = false;
    const Ledger ledger = ReadLedger(folder / "jieguo.a");
    if (!ledger.parsed) {
      corrupt = true;
      Problem(k, ledger.problem);
    }
    const std::vector<std::string> kinds = RecordKinds(folder / "draws.log");
    const long draws = CountKind(kinds, "draw"), interrupted = CountKind(kinds, "interrupted"),
               unreadable = CountKind(kinds, "?");
    if (unreadable > 0) {
      corrupt = true;
      Problem(k, std::to_string(unreadable) + " lines of draws.log are no entries");
    }
    const int verify = Run({o.logTool, "--folder", folder.string(), "verify"}, base / "verify.out");
    if (verify != 0) {
      corrupt = true;
      Problem(k, "zorvel-log verify: status " + std::to_string(verify) + ": " + ReadAll(base / "verify.out"));
    }
    if (ledger.parsed) {
      const double expected = static_cast<double>(draws - interrupted);
      if (ledger.sum < expected) {
        t.lost += expected - ledger.sum;
        Problem(k, "ledger " + std::to_string(ledger.sum) + ", record " + std::to_string(expected));
      } else if (ledger.sum > expected) {
        t.extra += ledger.sum - expected;
        corrupt = true;
        Problem(k, "ledger " + std::to_string(ledger.sum) + ", record " + std::to_string(expected));
      }
    }
    t.corrupt += corrupt;
    const std::vector<std::string> damaged = RecordTexts(folder / "draws.log", "repaired", "damaged");
    bool left = false;
    for (const std::string& name : FilesBelow(folder))
      if (!Expected(name, damaged)) {
        left = true;
        Problem(k, "left in the folder: " + name);
      }
    for (const std::string& name : RunFolders(cache)) {
      left = true;
      Problem(k, "run folder left: " + name);
    }
    t.leftovers += left;

    if (k % 100 == 0 || k == o.kills) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      std::printf("%5ld kills, %6ld draws, %4ld interrupted, %zu repaired, %.0f s\n", k, draws, interrupted,
                  damaged.size(), seconds);
      std::fflush(stdout);
    }
  }

  const std::vector<std::string> kinds = RecordKinds(folder / "draws.log");
  const long draws = CountKind(kinds, "draw"), interrupted = CountKind(kinds, "interrupted"),
             starts = CountKind(kinds, "start");
  const std::size_t repairs = RecordTexts(folder / "draws.log", "repaired", "damaged").size();
  std::printf(
      "summary: kills %ld, draws %ld (of which %ld by the restarts), corrupt %ld, lost %.0f, extra %.0f, repairs %zu, "
      "interrupted %ld, left behind %ld, hangs %ld, bad exits %ld; starts %ld; kills that left a temporary file %ld, "
      "a run folder %ld (removed by the next start)\n",
      t.kills, draws, t.kills, t.corrupt, t.lost, t.extra, repairs, interrupted, t.leftovers, t.hangs, t.badExits,
      starts, t.tempAfterKill, t.runFoldersAfterKill);
  const bool ok = t.corrupt == 0 && t.lost == 0 && t.extra == 0 && t.leftovers == 0 && t.hangs == 0 && t.badExits == 0;
  if (o.discard || (ok && !o.keep)) fs::remove_all(base);
  else std::printf("folder kept: %s\n", base.c_str());
  return ok ? 0 : 1;
}
