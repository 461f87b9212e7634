// The program's side of the draw record (draws.log in the program folder): one call per
// event, made where the event happens. Each call gathers what the entry says from the
// settings, the ledger and the level counts, and appends it. A record that cannot be
// written stops nothing: the operator is told once per run ("抽奖记录无法写入：…") and
// the program goes on.
#pragma once

#include <cstdint>
#include <string>

#include "app/draw/prize_pool.h"

namespace zorvel::app::record {

// The start of the program, once the level counts are set: a record cut short by a crash
// in the middle of a write is repaired ("repaired"), a draw recorded whose win never
// reached the ledger is marked ("interrupted"; the ledger stays as it is, since nothing
// of that prize was shown), then "start".
void Started();
// The orderly end of the program ("end").
void Ended();

// A draw, before its win goes into the ledger: the egg (0 when no egg was clicked), the
// counts the pool was built from, the ticket drawn, its level, the ledger value about to
// be written, and whether the prize picture was there.
struct DrawFacts {
  int egg = 0;
  draw::LevelCounts counts{};
  std::uint64_t tickets = 0;
  std::uint64_t ticket = 0;
  int level = 0;
  double ledger = 0;
  bool picture = false;
};
void Draw(const DrawFacts& facts);
// An egg click that found no ticket.
void Empty(int egg, const draw::LevelCounts& counts);
// The results window's clear, before the ledger is emptied.
void Cleared();
// The prize settings confirmed (as now stored), a mode clicked, a prize picture put in
// place, the background picture changed or removed.
void SettingsConfirmed();
void ModeChosen(draw::DrawMode mode);
void PrizePictureChanged(int level);
void BackgroundChanged();
void BackgroundRemoved();
// The settings password changed (nothing of it goes into the record).
void PasswordChanged();

// The record's native path in the program folder.
std::string RecordPath();

}  // namespace zorvel::app::record
