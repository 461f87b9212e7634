// The soak: an event compressed. The program draws one draw after another on a scratch
// folder with the celebration effect after each (its window loads, plays its first frame
// and closes; the wait passes at once), and every interval this driver samples the
// process: resident memory (VmRSS), open files (/proc/PID/fd), and the temporary files
// (the movie files below the cache's zorvel/Temp, and any file in the program folder but
// config.a, jieguo.a, draws.log and .zorvel.lock).
//
//   zorvel-soak [--draws N] [--interval SECONDS] [--warmup DRAWS] [--max-growth KIB]
//               [--program PATH] [--keep]
//
// Criteria, from the first sample after the warm-up (1 000 draws) to the last: memory
// (the least of three samples, the first three against the last three) grows less than --max-growth (5 MiB; a build with AddressSanitizer keeps freed memory
// aside for a while and needs more), the open files at the end are no more than at that sample plus
// two (a draw may be writing the ledger or the record as the sample is taken), and the
// temporary files do not pile up: the fewest seen in the later half of the samples are
// no more than the fewest in the earlier half, and no sample finds more than the run
// folder with two effects' movie and page (one going as the next comes).
// Exit status 0 when all hold and every draw is in the ledger.
#include <cstdio>

#include "tools/reliability.h"

namespace {

using namespace zorvel::reliability;

struct Sample {
  double seconds = 0;
  double draws = 0;
  long residentKiB = 0;
  long files = 0;
  long temporary = 0;
};

long ResidentKiB(pid_t pid) {
  std::istringstream status(ReadAll("/proc/" + std::to_string(pid) + "/status"));
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

long OpenFiles(pid_t pid) {
  long n = 0;
  std::error_code error;
  for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
       !error && it != fs::directory_iterator(); it.increment(error))
    ++n;
  return n;
}

long TemporaryFiles(const fs::path& folder, const fs::path& cache) {
  long n = static_cast<long>(FilesBelow(cache / "zorvel" / "Temp").size());
  for (const std::string& name : FilesBelow(folder))
    if (name != "config.a" && name != "jieguo.a" && name != "draws.log" && name != ".zorvel.lock") ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  long draws = 50000, warmup = 1000, maxGrowthKiB = 5 * 1024;
  double interval = 60;
  bool keep = false;
  std::string program = Beside("../app/zorvel");
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--draws" && i + 1 < argc) draws = std::atol(argv[++i]);
    else if (a == "--interval" && i + 1 < argc) interval = std::atof(argv[++i]);
    else if (a == "--warmup" && i + 1 < argc) warmup = std::atol(argv[++i]);
    else if (a == "--max-growth" && i + 1 < argc) maxGrowthKiB = std::atol(argv[++i]);
    else if (a == "--program" && i + 1 < argc) program = argv[++i];
    else if (a == "--keep") keep = true;
    else draws = -1;
  }
  if (draws <= 0 || interval <= 0 || warmup < 0 || warmup >= draws) {
    std::fprintf(stderr, "usage: zorvel-soak [--draws N] [--interval SECONDS] [--warmup DRAWS] [--max-growth KIB] [--program PATH] [--keep]\n");
    return 2;
  }
  char pattern[] = "/tmp/zorvel-soak-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::perror("zorvel-soak: mkdtemp");
    return 2;
  }
  const fs::path base = pattern, folder = base / "folder", cache = base / "cache";
  fs::create_directories(folder);
  fs::create_directories(cache);
  WritePrizeSettings(folder);
  std::printf("soak: %ld draws with the effect, a sample every %.0f s, folder %s\n", draws, interval, folder.c_str());
  std::printf("%8s %8s %8s %10s %6s %6s\n", "seconds", "draws", "draws/s", "VmRSS KiB", "files", "temp");
  std::fflush(stdout);

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = StartProgram(program, folder, cache, draws, true, base / "program.out");
  std::vector<Sample> samples;
  std::optional<int> exit;
  for (;;) {
    const auto next = std::chrono::steady_clock::now() + std::chrono::duration<double>(interval);
    // Sleeps in small steps so that the end of the program is seen at once.
    while (std::chrono::steady_clock::now() < next) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (exit) break;
    Sample s;
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.residentKiB = ResidentKiB(pid);
    s.files = OpenFiles(pid);
    s.temporary = TemporaryFiles(folder, cache);
    s.draws = ReadLedger(folder / "jieguo.a").sum;
    samples.push_back(s);
    std::printf("%8.0f %8.0f %8.1f %10ld %6ld %6ld\n", s.seconds, s.draws, s.draws / s.seconds, s.residentKiB, s.files,
                s.temporary);
    std::fflush(stdout);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const Ledger ledger = ReadLedger(folder / "jieguo.a");
  const long leftAfter = TemporaryFiles(folder, cache);
  std::printf("program ended with status %d after %.0f s: %.0f draws in the ledger (%.1f a second)\n", *exit, seconds,
              ledger.sum, ledger.sum / seconds);

  bool ok = *exit == 0 && ledger.parsed && ledger.sum == static_cast<double>(draws) && leftAfter == 0;
  const Sample* baseline = nullptr;
  for (const Sample& s : samples)
    if (s.draws >= static_cast<double>(warmup)) {
      baseline = &s;
      break;
    }
  if (baseline != nullptr && samples.end() - (samples.begin() + (baseline - samples.data())) >= 2) {
    const Sample& last = samples.back();
    // The temporary files are read at random moments of a draw: now and then one
    // effect's files are going as the next one's come. A file that stays raises the
    // floor: the fewest seen in the later half of the samples must not exceed the fewest
    // seen in the earlier half.
    const std::size_t from = static_cast<std::size_t>(baseline - samples.data());
    const std::size_t middle = from + (samples.size() - from) / 2;
    long maxTemporary = 0, maxFiles = 0, floorEarly = 1L << 30, floorLate = 1L << 30;
    for (std::size_t i = from; i < samples.size(); ++i) {
      maxTemporary = std::max(maxTemporary, samples[i].temporary);
      maxFiles = std::max(maxFiles, samples[i].files);
      long& floor = i < middle ? floorEarly : floorLate;
      floor = std::min(floor, samples[i].temporary);
    }
    // A sample may fall while the effect window holds its full-screen buffers: memory is
    // compared as the least of three samples, the first three after the warm-up against
    // the last three.
    const std::size_t three = std::min<std::size_t>(3, (samples.size() - from) / 2);
    long early = 1L << 40, late = 1L << 40;
    for (std::size_t i = 0; i < three; ++i) {
      early = std::min(early, samples[from + i].residentKiB);
      late = std::min(late, samples[samples.size() - 1 - i].residentKiB);
    }
    const long growth = late - early;
    std::printf("from draw %.0f to draw %.0f: memory %+ld KiB (least of three samples %ld to %ld), open files %ld to %ld (most %ld), "
                "temporary files at least %ld in the earlier half and %ld in the later half, at most %ld, %ld left after "
                "the end\n",
                baseline->draws, last.draws, growth, early, late, baseline->files,
                last.files, maxFiles, floorEarly, floorLate, maxTemporary, leftAfter);
    const bool memory = growth < maxGrowthKiB, files = last.files <= baseline->files + 2,
               temporary = floorLate <= floorEarly && maxTemporary <= 5;
    std::printf("memory growth < %ld KiB: %s; no handle growth: %s; no temporary file growth: %s\n",
                maxGrowthKiB, memory ? "yes" : "NO", files ? "yes" : "NO", temporary ? "yes" : "NO");
    ok = ok && memory && files && temporary;
  } else {
    std::printf("too few samples after the warm-up to judge growth (make the interval shorter)\n");
    ok = false;
  }
  if (ok && !keep) fs::remove_all(base);
  else std::printf("folder kept: %s\n", base.c_str());
  return ok ? 0 : 1;
}
