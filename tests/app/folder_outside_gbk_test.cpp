// A program folder, and a picture chosen from a folder, whose names hold characters GBK
// has no code for (and, for the folder, a byte that is not UTF-8): the settings, the ledger, the record, the prize pictures and the
// sound are all found there, through the real windows and files.
#include <QCoreApplication>

#include "app/draw/draw_record.h"
#include "app/draw/record_check.h"
#include "app/main_window.h"
#include "app/settings_window.h"
#include "runtime/sound/sound.h"
#include "runtime/ui/message_box.h"
#include "store/store.h"
#include "text/files.h"
#include "tests/app/app_test.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/pic_box/pic_box.h"

namespace zorvel::app::testing {
namespace {

namespace main = ids::main;
namespace settings = ids::settings;
namespace log = ::zorvel::record;

// A tenth of a second of quiet: 16-bit mono PCM at 8 000 Hz.
std::string ShortWave() {
  auto le = [](std::uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
    return out;
  };
  const std::string samples(1600, '\0');
  return "RIFF" + le(static_cast<std::uint32_t>(36 + samples.size()), 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
         le(16000, 4) + le(2, 2) + le(16, 2) + "data" + le(static_cast<std::uint32_t>(samples.size()), 4) + samples;
}

class FolderOutsideGbk : public AppTest {
 protected:
  // Characters without a GBK code, and a byte 0xFF that is not UTF-8 at all.
  FolderOutsideGbk() : AppTest("Fiesta ñ ß 🎉 한국 \xFF") {}
  void TearDown() override {
    StopSounds(true);
    AppTest::TearDown();
  }
  // The operator's own pictures, in a folder of their own with such a name too.
  zorvel::test::TempFolder pictures_{"Fotos 🎉 한국"};
};

TEST_F(FolderOutsideGbk, SettingsLedgerRecordPictureAndSoundLiveThere) {
  ASSERT_NE(folder_.path().find("ñ ß 🎉 한국"), std::string::npos);
  // What an operator left in the folder: the settings, a ledger, the smash sound.
  SetConfig("禁用特效", "真");
  SetConfig("lx", "真");
  Set("jieguo.a", "zjjg", "j1", "4");
  WriteFile("wav/dong.wav", ShortWave());
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);  // so that a warning is seen, not waited on
  StartProgram();
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "") << "the record is written";
  ui::ClearMessageBoxAnswers();

  // The prize settings: one first prize, its picture chosen from the other folder.
  ASSERT_TRUE(forms::LoadAndShowWindow(settings::kWindow.window, nullptr, false));
  const std::string card = SolidPicture(60, 40, Qt::darkCyan);
  const std::string chosen = pictures_ / "头奖 ñ 🎉.bmp";
  ASSERT_TRUE(zorvel::test::WriteBytes(chosen, card));
  forms::CommonDialogAnswer answer;
  answer.kind = forms::CommonDialogAnswer::Kind::kFile;
  answer.path = chosen;
  forms::QueueCommonDialogAnswer(answer);
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);  // so that a refusal is seen, not waited on
  forms::Fire(settings::kWindow.window, settings_window::kPictures[0].id, -3, {5, 5, 0});
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "");
  ui::ClearMessageBoxAnswers();
  EXPECT_EQ(ReadFile("奖品图片/1.jpg"), card);
  EXPECT_EQ(TextProperty(settings_window::kPictures[0], forms::pic_box_property::kPicture), card);
  const char* prizes[] = {"1", "0", "0", "0", "0", "0", "0", "0"};
  for (int level = 1; level <= 8; ++level)
    SetTextProperty(settings_window::kNumbers[level - 1], forms::edit_box_property::kContent, prizes[level - 1]);
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  forms::Fire(settings::kWindow.window, settings::kConfirmButton.id, 0);
  EXPECT_EQ(Get("config.a", "zbt", "一"), "1");
  EXPECT_EQ(Get("config.a", "zbt", "二"), "0");
  EXPECT_EQ(Get("config.a", "zbt", "禁用特效"), "真") << "the settings were read before they were written";

  // A draw: the ledger counts on from what it held, the prize picture shows, the smash
  // sound is found.
  SetWidth(main::kPrizeCanvas, 10);
  SetHeight(main::kPrizeCanvas, 10);
  forms::Fire(main::kWindow.window, main_window::kEggs[0].id, 0);
  EXPECT_EQ(WinCount(1), "5");
  EXPECT_EQ(TextProperty(main::kPrizeCanvas, forms::draw_panel_property::kBackPicture), card);
  EXPECT_TRUE(Call(cmd::PlaySound, store::SmashSoundPath()).logical()) << NativePath(store::SmashSoundPath());
  EXPECT_EQ(NativePath(store::SmashSoundPath()), Path("wav/dong.wav"));

  // The record is beside the settings, names the folder as it is, and verifies against
  // the ledger.
  const std::string record = ReadFile(log::kFileName);
  std::vector<std::string> kinds;
  for (const std::string_view line : log::SplitLines(record)) {
    const log::Entry entry = log::ParseLine(line);
    kinds.push_back(entry.kind);
    if (entry.kind == "start") {
      // The record is UTF-8: the byte 0xFF stands as U+FFFD there.
      std::string named = folder_.path();
      named.replace(named.find('\xFF'), 1, "\uFFFD");
      EXPECT_EQ(entry.object.value("folder").toString().toStdString(), named);
    }
  }
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(kinds.front(), "start");
  EXPECT_EQ(kinds.back(), "draw");
  log::Ledger ledger{};
  ledger[0] = 5;
  EXPECT_TRUE(log::Verify(record, ledger).breaks.empty());
}

}  // namespace
}  // namespace zorvel::app::testing
