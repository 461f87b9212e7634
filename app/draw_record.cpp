#include "app/draw_record.h"

#include <QString>
#include <array>

#include "app/draw/draw_record.h"
#include "app/facade.h"
#include "runtime/program.h"
#include "store/store.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

#ifndef ZORVEL_VERSION
#define ZORVEL_VERSION "unknown"
#endif

namespace zorvel::app::record {

using namespace zorvel::literals;
namespace log = ::zorvel::record;

namespace {

// Whether this run has told the operator that the record cannot be written.
bool g_warned = false;

void Warn(const log::Problem& problem) {
  if (g_warned) return;
  g_warned = true;
  MessageBox("抽奖记录无法写入："_gbk + gbk::FromUtf8(problem), kOkOnly | kExclamationIcon);
}

void Write(std::string_view kind, const log::Fields& fields) {
  if (const log::Problem problem = log::Append(RecordPath(), kind, fields); !problem.empty()) Warn(problem);
}

const char* ModeName(draw::DrawMode mode) {
  return mode == draw::DrawMode::kByProbability ? "probability" : "quantity";
}

std::string Setting(const char* key) { return gbk::ToUtf8(store::ReadConfig(store::kMainSection, key)); }

// The program folder as the record names it: the record is UTF-8, so a byte of a Linux
// name that is not UTF-8 stands as U+FFFD there (the files themselves use the real name).
std::string FolderText() { return QString::fromStdString(gbk::ToUtf8(RunDirectory())).toStdString(); }

std::array<double, draw::kLevels> LedgerNow() {
  std::array<double, draw::kLevels> ledger{};
  for (int level = 1; level <= draw::kLevels; ++level) ledger[level - 1] = store::Number(store::ReadWinCount(level));
  return ledger;
}

// What a start and an end state: the program, its folder and settings, the level counts
// held for the draws, and the ledger the draws count from.
log::Fields StateFields() {
  const auto ledger = LedgerNow();
  return std::move(log::Fields()
                       .Add("version", ZORVEL_VERSION)
                       .Add("folder", FolderText())
                       .Add("eggs", Setting(store::kEggCount))
                       .Add("mode", ModeName(draw::ReadDrawMode()))
                       .Add("counts", std::span<const std::int32_t>(draw::ProgramLevelCounts()))
                       .Add("ledger", std::span<const double>(ledger)));
}

// A prize picture or the background as it now is in the program folder.
std::string PictureHash(const std::string& gbkPath) { return log::Sha256Hex(ReadWholeFile(gbkPath)); }

}  // namespace

std::string RecordPath() { return gbk::ToUtf8(RunDirectory()) + "/" + log::kFileName; }

void Started() {
  g_warned = false;
  const std::string path = RecordPath();
  const log::Repair repair = log::RepairCutEnd(path);
  if (!repair.problem.empty()) {
    Warn(repair.problem);
  } else if (repair.repaired) {
    const std::string damaged = repair.damagedPath.substr(repair.damagedPath.rfind('/') + 1);
    Write("repaired", log::Fields().Add("damaged", damaged).Add("bytes", repair.bytes));
  }
  // The order of a draw is record, ledger, prize: a last entry that is a draw whose value
  // never reached the ledger (which still holds one less) was stopped before anything of
  // it was shown. Any other difference is the ledger edited meanwhile, which verify tells.
  if (const std::optional<std::string> last = log::LastLine(path)) {
    const log::Entry entry = log::ParseLine(*last);
    const int level = entry.object.value(QLatin1String("level")).toInt();
    if (entry.parsed && entry.kind == "draw" && level >= 1 && level <= draw::kLevels) {
      const double written = entry.object.value(QLatin1String("ledger")).toDouble();
      const double ledger = store::Number(store::ReadWinCount(level));
      if (ledger == written - 1)
        Write("interrupted", log::Fields().Add("draw", entry.seq).Add("level", level).Add("ledger", ledger));
    }
  }
  Write("start", StateFields());
}

void Ended() { Write("end", StateFields()); }

void Draw(const DrawFacts& facts) {
  Write("draw", log::Fields()
                    .Add("egg", facts.egg)
                    .Add("mode", ModeName(draw::ReadDrawMode()))
                    .Add("counts", std::span<const std::int32_t>(facts.counts))
                    .Add("tickets", facts.tickets)
                    .Add("ticket", facts.ticket)
                    .Add("level", facts.level)
                    .Add("ledger", facts.ledger)
                    .Add("picture", facts.picture));
}

void Empty(int egg, const draw::LevelCounts& counts) {
  Write("empty", log::Fields()
                     .Add("egg", egg)
                     .Add("mode", ModeName(draw::ReadDrawMode()))
                     .Add("counts", std::span<const std::int32_t>(counts)));
}

void Cleared() {
  const auto before = LedgerNow();
  Write("cleared", log::Fields().Add("before", std::span<const double>(before)));
}

void SettingsConfirmed() {
  std::array<double, draw::kLevels> numbers{};
  for (int level = 1; level <= draw::kLevels; ++level)
    numbers[level - 1] = store::Number(store::ReadConfig(store::kMainSection, store::PrizeQuantityKey(level)));
  Write("settings", log::Fields()
                        .Add("change", "confirmed")
                        .Add("numbers", std::span<const double>(numbers))
                        .Add("eggs", Setting(store::kEggCount))
                        .Add("mode", ModeName(draw::ReadDrawMode()))
                        .Add("effects", store::ReadConfig(store::kMainSection, store::kEffectsDisabled) != store::kTrue));
}

void ModeChosen(draw::DrawMode mode) {
  Write("settings", log::Fields().Add("change", "mode").Add("mode", ModeName(mode)));
}

void PrizePictureChanged(int level) {
  Write("settings", log::Fields()
                        .Add("change", "prize picture")
                        .Add("level", level)
                        .Add("sha256", PictureHash(store::PrizePicturePath(level))));
}

void BackgroundChanged() {
  Write("settings",
        log::Fields().Add("change", "background").Add("sha256", PictureHash(store::BackgroundPicturePath())));
}

void BackgroundRemoved() { Write("settings", log::Fields().Add("change", "background removed")); }

void PasswordChanged() { Write("password", log::Fields().Add("change", "changed")); }

}  // namespace zorvel::app::record
