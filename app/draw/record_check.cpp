#include "app/draw/record_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <unordered_map>

#include <QDateTime>
#include <QString>

#include "app/draw/draw_record.h"

namespace zorvel::record {

namespace {

std::string NumberText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

// "level 3: 5 (the record gives 4)" for every level that differs; empty when none does.
std::string Differences(const Ledger& found, const Ledger& expected) {
  std::string text;
  for (int n = 0; n < 8; ++n) {
    if (found[n] == expected[n]) continue;
    if (!text.empty()) text += ", ";
    text += "level " + std::to_string(n + 1) + ": " + NumberText(found[n]) + " (the record gives " +
            NumberText(expected[n]) + ")";
  }
  return text;
}

Ledger LedgerOf(const QJsonObject& object, const char* name) {
  const std::vector<double> numbers = Numbers(object, name);
  Ledger ledger{};
  for (int n = 0; n < 8; ++n) ledger[n] = numbers[n];
  return ledger;
}

int LevelOf(const QJsonObject& object) {
  const int level = object.value(QLatin1String("level")).toInt();
  return level >= 1 && level <= 8 ? level : 0;
}

// An entry's time, or a sentinel that is not a time.
QDateTime TimeOf(std::string_view text) {
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  QDateTime time = QDateTime::fromString(s, Qt::ISODateWithMs);
  if (!time.isValid()) time = QDateTime::fromString(s, Qt::ISODate);
  return time;
}

// The regularised lower incomplete gamma P(a, x) by its series, the upper Q(a, x) by its
// continued fraction; each converges fast on its own side of x = a + 1.
double LowerGammaSeries(double a, double x) {
  double term = 1.0 / a, sum = term;
  for (int n = 1; n < 1000; ++n) {
    term *= x / (a + n);
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * 1e-15) break;
  }
  return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

double UpperGammaFraction(double a, double x) {
  constexpr double kTiny = 1e-300;
  double b = x + 1.0 - a, c = 1.0 / kTiny, d = 1.0 / b, h = d;
  for (int i = 1; i < 1000; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1.0) < 1e-15) break;
  }
  return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

}  // namespace

double ChiSquareTail(double x, int k) {
  if (k < 1) return 1.0;
  if (!(x > 0)) return 1.0;
  if (std::isinf(x)) return 0.0;
  const double a = k / 2.0, half = x / 2.0;
  if (half < a + 1.0) return 1.0 - LowerGammaSeries(a, half);
  return UpperGammaFraction(a, half);
}

Verdict Verify(std::string_view record, const std::optional<Ledger>& ledger, std::string_view head) {
  Verdict verdict;
  const std::vector<std::string_view> lines = SplitLines(record);
  const bool lastCut = !record.empty() && record.back() != '\n';

  // Where each sequence number was seen first: its line and hash.
  struct Seen {
    std::size_t line;
    std::string hash;
  };
  std::unordered_map<std::int64_t, Seen> seen;
  seen.reserve(lines.size());
  // Sequence numbers skipped so far, as runs: first number -> last number and the line
  // after the gap. A number found later was moved (its run keeps the numbers on either
  // side of it); what is left at the end was removed. Runs, not numbers, so that one
  // number edited far ahead costs one run, not one report per number skipped.
  struct Gap {
    std::int64_t last;
    std::size_t line;
  };
  std::map<std::int64_t, Gap> missing;
  std::int64_t highest = 0;
  std::string previousHash = Sha256Hex({});
  std::optional<Ledger> running;
  bool headFound = head.empty();

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t n = i + 1;
    const std::string_view line = lines[i];
    if (lastCut && i + 1 == lines.size()) {
      verdict.breaks.push_back({n, "cut short (the program stopped while writing it; its next start repairs the record)"});
      break;
    }
    const std::string hash = Sha256Hex(line);
    if (!headFound && hash == head) headFound = true;
    const Entry entry = ParseLine(line);
    ++verdict.entries;
    if (!entry.parsed) {
      verdict.breaks.push_back({n, "edited: not an entry of the record"});
      previousHash = hash;
      continue;
    }
    if (verdict.firstTime.empty()) verdict.firstTime = entry.time;
    verdict.headSeq = entry.seq;

    // The sequence number.
    if (entry.seq - highest > 1) {
      missing.emplace(highest + 1, Gap{entry.seq - 1, n});
    } else if (entry.seq <= highest) {
      bool wasMissing = false;
      if (auto at = missing.upper_bound(entry.seq); at != missing.begin()) {
        --at;
        const std::int64_t first = at->first;
        const Gap gap = at->second;
        if (entry.seq <= gap.last) {
          wasMissing = true;
          missing.erase(at);
          if (first < entry.seq) missing.emplace(first, Gap{entry.seq - 1, gap.line});
          if (entry.seq < gap.last) missing.emplace(entry.seq + 1, Gap{gap.last, gap.line});
        }
      }
      if (wasMissing)
        verdict.breaks.push_back({n, "moved: entry " + std::to_string(entry.seq) + " stands after entry " +
                                         std::to_string(highest)});
      else
        verdict.breaks.push_back({n, "inserted: a second entry " + std::to_string(entry.seq)});
    }
    // The link to the entry before it.
    if (entry.prev != previousHash) {
      const bool first = entry.seq == 1 && entry.prev == Sha256Hex({});
      const auto before = seen.find(entry.seq - 1);
      if (!first && before != seen.end() && before->second.hash != entry.prev)
        verdict.breaks.push_back({before->second.line, "edited: its hash is not the \"prev\" of entry " +
                                                           std::to_string(entry.seq) + " (line " +
                                                           std::to_string(n) + ")"});
    }
    seen.emplace(entry.seq, Seen{n, hash});
    if (entry.seq > highest) highest = entry.seq;
    previousHash = hash;

    // The ledger.
    const QJsonObject& object = entry.object;
    if (entry.kind == "start" || entry.kind == "end") {
      const Ledger stated = LedgerOf(object, "ledger");
      if (running && stated != *running)
        verdict.breaks.push_back(
            {n, "ledger differs: at this " + entry.kind + " jieguo.a held " + Differences(stated, *running) +
                    (entry.kind == "start" ? "; it was changed while the program was not running" : "")});
      running = stated;
    } else if (entry.kind == "cleared") {
      const Ledger before = LedgerOf(object, "before");
      if (running && before != *running)
        verdict.breaks.push_back({n, "ledger differs: before this clear jieguo.a held " + Differences(before, *running)});
      running = Ledger{};
    } else if (entry.kind == "draw") {
      ++verdict.draws;
      const int level = LevelOf(object);
      if (level == 0) {
        verdict.breaks.push_back({n, "edited: a draw without a level of 1 to 8"});
      } else if (running) {
        const double written = object.value(QLatin1String("ledger")).toDouble();
        const double expected = (*running)[level - 1] + 1;
        // Told once: the count goes on from the value written, so that one entry removed
        // or edited does not make every later draw of its level differ too.
        if (written != expected)
          verdict.breaks.push_back({n, "ledger differs: the draw of level " + std::to_string(level) + " wrote " +
                                           NumberText(written) + ", the record gives " + NumberText(expected)});
        (*running)[level - 1] = written;
      }
    } else if (entry.kind == "interrupted") {
      if (verdict.draws > 0) --verdict.draws;
      const int level = LevelOf(object);
      if (level > 0 && running) (*running)[level - 1] -= 1;
    }
  }
  // Within a line, what is missing before it comes first.
  std::vector<Break> gaps;
  for (const auto& [first, gap] : missing)
    gaps.push_back({gap.line, first == gap.last ? "removed: entry " + std::to_string(first) + " is missing before this line"
                                                : "removed: entries " + std::to_string(first) + " to " +
                                                      std::to_string(gap.last) + " are missing before this line"});
  verdict.breaks.insert(verdict.breaks.begin(), gaps.begin(), gaps.end());
  std::stable_sort(verdict.breaks.begin(), verdict.breaks.end(),
                   [](const Break& a, const Break& b) { return a.line < b.line; });

  if (ledger && running && *ledger != *running)
    verdict.breaks.push_back({0, "ledger differs: jieguo.a holds " + Differences(*ledger, *running)});
  if (!headFound)
    verdict.breaks.push_back({0, "no entry has the head " + std::string(head) +
                                     ": the history it stood for is not in this record"});
  const std::size_t whole = lastCut ? lines.size() - 1 : lines.size();
  if (whole > 0) verdict.headHash = Sha256Hex(lines[whole - 1]);
  return verdict;
}

bool Summarize(std::string_view record, std::string_view since, Summary* summary) {
  *summary = Summary{};
  QDateTime from;
  if (!since.empty()) {
    from = TimeOf(since);
    if (!from.isValid()) return false;
  }
  const std::vector<std::string_view> lines = SplitLines(record);
  std::vector<Entry> draws;
  std::unordered_map<std::int64_t, bool> interrupted;
  for (const std::string_view line : lines) {
    Entry entry = ParseLine(line);
    if (!entry.parsed) continue;
    if (entry.kind == "interrupted") {
      if (const auto draw = WholeNumber(entry.object.value(QLatin1String("draw")))) interrupted[*draw] = true;
    }
    else if (entry.kind == "draw")
      draws.push_back(std::move(entry));
  }
  std::map<std::string, std::size_t> hourIndex;
  for (const Entry& entry : draws) {
    if (interrupted.count(entry.seq) > 0) continue;
    const int level = LevelOf(entry.object);
    if (level == 0) continue;
    if (from.isValid()) {
      const QDateTime time = TimeOf(entry.time);
      if (!time.isValid() || time < from) continue;
    }
    if (summary->firstTime.empty()) summary->firstTime = entry.time;
    summary->lastTime = entry.time;
    ++summary->draws;
    ++summary->wins[level - 1];
    // The chance of every level in this draw: its own recorded counts.
    const std::vector<double> counts = Numbers(entry.object, "counts");
    double tickets = 0;
    for (const double c : counts) tickets += c > 0 ? c : 0;
    if (tickets > 0)
      for (int n = 0; n < 8; ++n) summary->expected[n] += counts[n] > 0 ? counts[n] / tickets : 0;
    const std::string hour = entry.time.substr(0, 13);
    auto [at, fresh] = hourIndex.emplace(hour, summary->hours.size());
    if (fresh) summary->hours.push_back(HourCount{hour});
    HourCount& count = summary->hours[at->second];
    ++count.draws;
    ++count.wins[level - 1];
  }
  for (int n = 0; n < 8; ++n) {
    const double e = summary->expected[n];
    const double o = static_cast<double>(summary->wins[n]);
    if (e > 1e-12) {
      summary->chiSquare += (o - e) * (o - e) / e;
      ++summary->degreesOfFreedom;
    } else if (o > 0) {
      summary->chiSquare = std::numeric_limits<double>::infinity();  // a win that had no chance
    }
  }
  if (summary->degreesOfFreedom > 0) --summary->degreesOfFreedom;
  summary->pValue = ChiSquareTail(summary->chiSquare, summary->degreesOfFreedom);
  return true;
}

}  // namespace zorvel::record
