// The draw record written by the program through its real windows and files: a start,
// the draws and every change that affects the odds; the repair and the interrupted draw
// at the next start; and a record that cannot be written, which stops nothing.
#include <QCoreApplication>

#include "app/draw/draw_record.h"
#include "app/draw/record_check.h"
#include "app/draw_record.h"
#include "app/main_window.h"
#include "app/settings_window.h"
#include "runtime/ui/input_box.h"
#include "runtime/ui/message_box.h"
#include "tests/app/app_test.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/edit_box/edit_box.h"

namespace zorvel::app::testing {
namespace {

namespace main = ids::main;
namespace log = ::zorvel::record;

class DrawRecordTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetConfig("禁用特效", "真");
  }
  std::vector<log::Entry> Entries() const {
    std::vector<log::Entry> entries;
    const std::string bytes = ReadFile(log::kFileName);
    for (const std::string_view line : log::SplitLines(bytes)) entries.push_back(log::ParseLine(line));
    return entries;
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const log::Entry& entry : Entries()) kinds.push_back(entry.kind);
    return kinds;
  }
  log::Ledger Ledger() const {
    log::Ledger ledger{};
    for (int level = 1; level <= 8; ++level) ledger[level - 1] = std::atof(WinCount(level).c_str());
    return ledger;
  }
  // verify as zorvel-log runs it, against jieguo.a now.
  std::string Verify() const {
    const log::Verdict verdict = log::Verify(ReadFile(log::kFileName), Ledger());
    std::string text;
    for (const log::Break& b : verdict.breaks) text += "line " + std::to_string(b.line) + ": " + b.what + "\n";
    return text;
  }
  void OnlyLevel(int level, const std::string& quantity) {
    const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
    for (int n = 1; n <= 8; ++n) SetConfig(numerals[n - 1], n == level ? quantity : "0");
  }
  void NoSpin() {
    SetWidth(main::kPrizeCanvas, 10);
    SetHeight(main::kPrizeCanvas, 10);
  }
};

TEST_F(DrawRecordTest, EveryDrawAndEveryChangeOfTheOddsIsRecorded) {
  WritePrizePictures();
  SetConfig("一", "0");
  SetConfig("二", "3");
  Set("jieguo.a", "zjjg", "j2", "1");  // a ledger from before the record: the start's baseline
  StartProgram();
  NoSpin();
  egg_draw::EggClicked(4);
  ASSERT_EQ(WinCount(2), "2");
  {
    const std::vector<log::Entry> entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    const log::Entry& start = entries[0];
    EXPECT_EQ(start.kind, "start");
    EXPECT_EQ(log::Numbers(start.object, "ledger"), (std::vector<double>{0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(log::Numbers(start.object, "counts"), (std::vector<double>{0, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(start.object.value("mode").toString(), "quantity");
    EXPECT_EQ(start.object.value("folder").toString().toStdString(), folder_.path());
    const log::Entry& draw = entries[1];
    EXPECT_EQ(draw.kind, "draw");
    EXPECT_EQ(draw.object.value("egg").toInt(), 4);
    EXPECT_EQ(draw.object.value("level").toInt(), 2);
    EXPECT_EQ(draw.object.value("ledger").toDouble(), 2.0) << "the value written to jieguo.a";
    // The pool by quantity: three configured, one won before.
    EXPECT_EQ(log::Numbers(draw.object, "counts"), (std::vector<double>{0, 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(draw.object.value("tickets").toInt(), 2);
    EXPECT_GE(draw.object.value("ticket").toInt(), 1);
    EXPECT_TRUE(draw.object.value("picture").toBool());
  }

  // The last prize, then an egg that finds none.
  egg_draw::DrawPrize();
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  egg_draw::EggClicked(1);
  EXPECT_EQ(Entries().back().kind, "empty");
  EXPECT_EQ(Entries().back().object.value("egg").toInt(), 1);
  EXPECT_EQ(WinCount(2), "3");

  // The results window's clear.
  ASSERT_TRUE(forms::LoadAndShowWindow(ids::results::kWindow.window, nullptr, false));
  forms::Fire(ids::results::kWindow.window, ids::results::kClearButton.id, 0);
  forms::CloseWindow(ids::results::kWindow.window, true);
  EXPECT_EQ(Entries().back().kind, "cleared");
  EXPECT_EQ(log::Numbers(Entries().back().object, "before"), (std::vector<double>{0, 3, 0, 0, 0, 0, 0, 0}));

  // The settings: a mode click, a prize picture, the confirmation.
  ASSERT_TRUE(forms::LoadAndShowWindow(ids::settings::kWindow.window, nullptr, false));
  forms::Fire(ids::settings::kWindow.window, ids::settings::kProbabilityMode.id, 0);
  EXPECT_EQ(Entries().back().object.value("mode").toString(), "probability");
  const std::string card = SolidPicture(20, 20, Qt::red);
  WriteFile("新图/card.bmp", card);
  forms::CommonDialogAnswer answer;
  answer.kind = forms::CommonDialogAnswer::Kind::kFile;
  answer.path = Path("新图/card.bmp");
  forms::QueueCommonDialogAnswer(answer);
  forms::Fire(ids::settings::kWindow.window, settings_window::kPictures[5].id, -3, {5, 5, 0});
  ASSERT_EQ(ReadFile("奖品图片/6.jpg"), card);
  EXPECT_EQ(Entries().back().object.value("change").toString(), "prize picture");
  EXPECT_EQ(Entries().back().object.value("level").toInt(), 6);
  EXPECT_EQ(Entries().back().object.value("sha256").toString().toStdString(), log::Sha256Hex(card));
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  forms::Fire(ids::settings::kWindow.window, ids::settings::kConfirmButton.id, 0);
  QCoreApplication::processEvents();
  const log::Entry confirmed = Entries().back();
  EXPECT_EQ(confirmed.object.value("change").toString(), "confirmed");
  EXPECT_EQ(log::Numbers(confirmed.object, "numbers"), (std::vector<double>{0, 3, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(confirmed.object.value("mode").toString(), "probability");
  EXPECT_FALSE(confirmed.object.value("effects").toBool());

  // The background, changed and removed.
  WriteFile("新图/bg.bmp", SolidPicture(30, 20, Qt::blue));
  answer.path = Path("新图/bg.bmp");
  forms::QueueCommonDialogAnswer(answer);
  forms::Fire(main::kChangeBackgroundItem.window, main::kChangeBackgroundItem.id, 0);
  EXPECT_EQ(Entries().back().object.value("change").toString(), "background");
  forms::Fire(main::kRemoveBackgroundItem.window, main::kRemoveBackgroundItem.id, 0);
  EXPECT_EQ(Entries().back().object.value("change").toString(), "background removed");

  // A password change: recorded, and neither the password nor its stored form with it.
  ASSERT_TRUE(forms::LoadAndShowWindow(ids::password::kWindow.window, nullptr, false));
  ui::QueueInputBoxAnswer("机密Pw77");
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  forms::Fire(ids::password::kWindow.window, ids::password::kChangeButton.id, 0);
  QCoreApplication::processEvents();
  const std::string stored = Get("config.a", "zbt", "password");
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(Entries().back().kind, "password");

  // The next start.
  RestartProgram();
  NoSpin();
  egg_draw::DrawPrize();  // by probability now: three tickets of level 2
  EXPECT_EQ(WinCount(2), "1");
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"start", "draw", "draw", "empty", "cleared", "settings", "settings",
                                               "settings", "settings", "settings", "password", "start", "draw"}));
  const std::string record = ReadFile(log::kFileName);
  EXPECT_EQ(record.find("机密Pw77"), std::string::npos);
  EXPECT_EQ(record.find(gbk::FromUtf8("机密Pw77")), std::string::npos);
  EXPECT_EQ(record.find(stored), std::string::npos);
  EXPECT_EQ(Verify(), "");
  // The orderly end states the ledger as the draws left it.
  record::Ended();
  EXPECT_EQ(Entries().back().kind, "end");
  EXPECT_EQ(log::Numbers(Entries().back().object, "ledger"), (std::vector<double>{0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Verify(), "");
  // What verify would say had the ledger been edited by hand meanwhile.
  Set("jieguo.a", "zjjg", "j2", "5");
  EXPECT_NE(Verify(), "");
}

TEST_F(DrawRecordTest, TheDrawIsInTheRecordAndTheLedgerBeforeThePrizeShows) {
  OnlyLevel(6, "4");
  StartProgram();
  SetWidth(main::kPrizeCanvas, 330);
  SetHeight(main::kPrizeCanvas, 200);
  std::string lastKind, ledgerThen;
  double recordedThen = 0;
  egg_draw::SetSpinFrameObserver([&](int frame) {
    if (frame != 1) return;
    const log::Entry last = Entries().back();
    lastKind = last.kind;
    recordedThen = last.object.value("ledger").toDouble();
    ledgerThen = WinCount(6);
  });
  egg_draw::EggClicked(2);
  EXPECT_EQ(lastKind, "draw");
  EXPECT_EQ(recordedThen, 1.0);
  EXPECT_EQ(ledgerThen, "1");
}

TEST_F(DrawRecordTest, ARecordCutShortIsRepairedAndAnInterruptedDrawMarkedAtTheNextStart) {
  OnlyLevel(3, "5");
  StartProgram();
  NoSpin();
  egg_draw::DrawPrize();
  egg_draw::DrawPrize();
  ASSERT_EQ(WinCount(3), "2");
  // The program died after the record of a third draw, before its ledger increment:
  // the draw entry is there, the ledger still says 2.
  egg_draw::DrawPrize();
  Set("jieguo.a", "zjjg", "j3", "2");
  RestartProgram();
  EXPECT_EQ(WinCount(3), "2") << "the guest never saw that prize";
  std::vector<log::Entry> entries = Entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[4].kind, "interrupted");
  EXPECT_EQ(entries[4].object.value("draw").toInt(), 4);
  EXPECT_EQ(entries[4].object.value("level").toInt(), 3);
  EXPECT_EQ(entries[5].kind, "start");
  EXPECT_EQ(Verify(), "");

  // A crash in the middle of a write: half a line at the end.
  const std::string whole = ReadFile(log::kFileName);
  WriteFile(log::kFileName, whole + "{\"seq\":7,\"time\":\"20");
  RestartProgram();
  EXPECT_EQ(ReadFile(log::kFileName).substr(0, whole.size()), whole);
  entries = Entries();
  ASSERT_EQ(entries.size(), 8u);
  EXPECT_EQ(entries[6].kind, "repaired");
  const std::string damaged = entries[6].object.value("damaged").toString().toStdString();
  EXPECT_TRUE(damaged.starts_with("draws.log.damaged-")) << damaged;
  EXPECT_EQ(ReadFile(damaged), "{\"seq\":7,\"time\":\"20");
  EXPECT_EQ(entries[6].seq, 7);
  EXPECT_EQ(entries[7].kind, "start");
  EXPECT_EQ(Verify(), "");
}

TEST_F(DrawRecordTest, ARecordThatCannotBeWrittenStopsNoDrawAndWarnsOncePerRun) {
  OnlyLevel(5, "9");
  std::filesystem::create_directories(Path(log::kFileName));  // no file can be written there
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  StartProgram();
  EXPECT_TRUE(ui::LastMessageBoxRequest().text.starts_with("抽奖记录无法写入：")) << ui::LastMessageBoxRequest().text;
  EXPECT_NE(ui::LastMessageBoxRequest().text.find("draws.log"), std::string::npos);
  NoSpin();
  ui::ClearMessageBoxAnswers();
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);  // taken only if a box is asked for
  egg_draw::DrawPrize();
  egg_draw::DrawPrize();
  EXPECT_EQ(WinCount(5), "2") << "the wins are counted";
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "") << "no second warning in the same run";
  // A new run warns again.
  ui::ClearMessageBoxAnswers();
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  RestartProgram();
  EXPECT_TRUE(ui::LastMessageBoxRequest().text.starts_with("抽奖记录无法写入："));
}

TEST_F(DrawRecordTest, AWinTheLedgerCannotTakeIsToldEveryTimeAndStaysInTheRecord) {
  OnlyLevel(5, "9");
  StartProgram();
  NoSpin();
  std::filesystem::remove(Path("jieguo.a"));
  std::filesystem::create_directories(Path("jieguo.a"));  // no ledger can be written there
  for (int draw = 1; draw <= 2; ++draw) {
    ui::ClearMessageBoxAnswers();
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    egg_draw::DrawPrize();
    const std::string told = ui::LastMessageBoxRequest().text;
    EXPECT_TRUE(told.starts_with("中奖结果无法写入，这次中奖没有计入：")) << "draw " << draw << ": " << told;
    EXPECT_NE(told.find("jieguo.a"), std::string::npos) << told;
  }
  int draws = 0;
  for (const log::Entry& entry : Entries()) draws += entry.kind == "draw";
  EXPECT_EQ(draws, 2) << "the record keeps the draws the ledger lost";
}

}  // namespace
}  // namespace zorvel::app::testing
