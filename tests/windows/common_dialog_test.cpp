#include "windows/units/common_dialog/common_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>

#include "forms/form_writer.h"
#include "tests/support/modal_driver.h"
#include "tests/windows/window_test.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "windows/font.h"
#include "windows/unit_ref.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using namespace zorvel::literals;
using namespace common_dialog;

class CommonDialogTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    unit = CreateCommonDialog(CreateArgs{});
    ASSERT_NE(unit, nullptr);
    dialog = static_cast<CommonDialogUnit*>(unit.get());
  }
  void TearDown() override {
    QDir::setCurrent(folder);
    WindowTest::TearDown();
  }
  void SetText(int index, std::string gbkText) { dialog->Property(index).bytes = std::move(gbkText); }

  QString folder = QDir::currentPath();
  std::unique_ptr<Unit> unit;
  CommonDialogUnit* dialog = nullptr;
};

TEST_F(CommonDialogTest, PlatformFilter) {
  struct Row {
    const char* given;
    const char* platform;
    QStringList nameFilters;
  } rows[] = {
      {"图形文件(*.jpg)|*.jpg", "图形文件(*.jpg)|*.jpg||", {"图形文件(*.jpg) (*.jpg)"}},
      {"A|*.a;*.b|B|*.c||  ", "A|*.a;*.b|B|*.c||", {"A (*.a *.b)", "B (*.c)"}},
      {"A|*.a|", "A|*.a|||", {"A (*.a)"}},
      {"A||B|*.b", "A||B|*.b||", {}},
  };
  for (const Row& row : rows) {
    const std::string platform = PlatformFilter(gbk::FromUtf8(row.given));
    EXPECT_EQ(gbk::ToUtf8(platform), row.platform) << row.given;
    EXPECT_EQ(NameFilters(platform), row.nameFilters) << row.given;
  }
}

TEST_F(CommonDialogTest, FileChoiceReachesFileNameWithTheFilterAsGiven) {
  SetText(kFilter, "图形文件(*.jpg)|*.jpg"_gbk);
  SetText(kFileName, "旧.jpg"_gbk);
  dialog->Property(kNoChangeFolder).word = 1;
  QueueCommonDialogAnswer({CommonDialogAnswer::Kind::kFile, "/tmp/图片/新.jpg", {}, 0});
  EXPECT_TRUE(dialog->Open());
  const CommonDialogRequest& r = LastCommonDialogRequest();
  EXPECT_EQ(r.kind, kOpenFile);
  EXPECT_EQ(r.filter, "图形文件(*.jpg)|*.jpg||");
  EXPECT_EQ(r.nameFilters, QStringList{"图形文件(*.jpg) (*.jpg)"});
  EXPECT_EQ(r.filterIndex, 1);
  EXPECT_EQ(r.initialName, "旧.jpg");
  EXPECT_EQ(r.fileMode, QFileDialog::ExistingFile);
  EXPECT_EQ(gbk::ToUtf8(dialog->Property(kFileName).bytes), "/tmp/图片/新.jpg");
  EXPECT_EQ(QDir::currentPath(), folder);
}

TEST_F(CommonDialogTest, CancelLeavesEverything) {
  SetText(kFileName, "旧.jpg"_gbk);
  const std::vector<PropertyValue> before = dialog->Properties();
  struct Row {
    int kind;
    CommonDialogAnswer::Kind answer;
  } rows[] = {{kOpenFile, CommonDialogAnswer::Kind::kCancel},
              {kSaveFile, CommonDialogAnswer::Kind::kCancel},
              {kFont, CommonDialogAnswer::Kind::kCancel},
              {kOpenFile, CommonDialogAnswer::Kind::kFont}};  // an answer of the wrong kind
  for (const Row& row : rows) {
    dialog->Property(kKind).word = row.kind;
    QueueCommonDialogAnswer({row.answer, "/tmp/x.jpg", QFont(), 255});
    EXPECT_FALSE(dialog->Open()) << row.kind;
    dialog->Property(kKind).word = 0;
    EXPECT_EQ(dialog->Properties(), before) << row.kind;
  }
}

TEST_F(CommonDialogTest, SaveDialogOptionsAndFolder) {
  dialog->Property(kKind).word = kSaveFile;
  dialog->Property(kOverwritePrompt).word = 0;
  dialog->Property(kFilterIndex).word = -3;
  SetText(kFilter, "A|*.a|B|*.b"_gbk);
  SetText(kInitialFolder, "\\tmp"_gbk);
  QTemporaryDir dir;
  const QString chosen = dir.filePath("out.b");
  QueueCommonDialogAnswer({CommonDialogAnswer::Kind::kFile, chosen.toStdString(), {}, 0});
  EXPECT_TRUE(dialog->Open());
  const CommonDialogRequest& r = LastCommonDialogRequest();
  EXPECT_EQ(r.filterIndex, 1);
  EXPECT_EQ(r.initialFolder, "/tmp");
  EXPECT_EQ(r.fileMode, QFileDialog::AnyFile);
  EXPECT_TRUE(r.options.testFlag(QFileDialog::DontConfirmOverwrite));
  // Without the keep-folder flag the chosen file's folder becomes the current one.
  EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(CommonDialogTest, FontChoiceReadBack) {
  ASSERT_EQ(ScreenDpi(), 96);
  dialog->Property(kKind).word = kFont;
  dialog->Property(kFontSize).word = 12;
  dialog->Property(kBold).word = 1;
  SetText(kFaceName, "宋体"_gbk);
  struct Row {
    double points;  // or pixels when negative
    int weight;
    int size;
  } rows[] = {{9, 400, 9}, {10.5, 700, 11}, {50, 600, 50}, {-67, 800, 50}, {-13, 400, 10}};
  for (const Row& row : rows) {
    QFont font(SubstituteFace("宋体"_gbk));
    if (row.points > 0) font.setPointSizeF(row.points);
    else font.setPixelSize(static_cast<int>(-row.points));
    font.setWeight(static_cast<QFont::Weight>(row.weight));
    font.setItalic(true);
    font.setUnderline(row.weight == 400);
    QueueCommonDialogAnswer({CommonDialogAnswer::Kind::kFont, {}, font, 0x0000FF});
    ASSERT_TRUE(dialog->Open()) << row.points;
    EXPECT_EQ(dialog->Property(kFontSize).word, row.size) << row.points;
    EXPECT_EQ(dialog->Property(kBold).word, row.weight >= 700 ? 1 : 0) << row.points;
    EXPECT_EQ(dialog->Property(kItalic).word, 1) << row.points;
    EXPECT_EQ(dialog->Property(kUnderline).word, row.weight == 400 ? 1 : 0) << row.points;
    EXPECT_EQ(dialog->Property(kStrikeOut).word, 0) << row.points;
    EXPECT_EQ(dialog->Property(kFontColour).word, 0x0000FF) << row.points;
    EXPECT_EQ(gbk::ToUtf8(dialog->Property(kFaceName).bytes), "宋体") << row.points;
  }
}

TEST_F(CommonDialogTest, FontDialogStartsFromTheProperties) {
  dialog->Property(kKind).word = kFont;
  dialog->Property(kFontSize).word = 12;
  dialog->Property(kStrikeOut).word = 1;
  dialog->Property(kFontColour).word = 0x00FF00;
  QueueCommonDialogAnswer({});
  EXPECT_FALSE(dialog->Open());
  const CommonDialogRequest& r = LastCommonDialogRequest();
  EXPECT_EQ(r.startFont.pointSize(), 12);
  EXPECT_TRUE(r.startFont.strikeOut());
  EXPECT_FALSE(r.startFont.bold());
  EXPECT_EQ(r.startColour, 0x00FF00u);
}

// Through the command on a loaded window: the unit starts from its stored block, and
// property 10 reads back the choice, or the earlier name after a cancel.
TEST_F(CommonDialogTest, CommandOnALoadedWindow) {
  constexpr std::uint32_t kWin = 0x52010001, kDialog = 0x160102ed;
  const UnitLayout& layout = *FindUnitLayout(kCommonDlgType);
  std::vector<PropertyValue> stored = DefaultProperties(layout);
  stored[kFileName - 8].bytes = "旧.jpg"_gbk;
  stored[kNoChangeFolder - 8].word = 1;
  const std::vector<std::uint8_t> block = WriteStored(layout, stored);
  UnitDescription window;
  window.id = 0x06010000;
  window.type = 0x00010001;
  window.flags = 0;
  UnitDescription unit;
  unit.id = kDialog;
  unit.type = kCommonDlgType;
  unit.stored.assign(block.begin(), block.end());
  const WindowDescription windows[] = {{kWin, 0, 0, {}, {}, {window, unit}}};
  ResetWindows();
  SetTemplates(*ParseFormData(WriteFormData(windows)));
  ASSERT_TRUE(LoadWindow(kWin, nullptr, false));

  struct Row {
    CommonDialogAnswer::Kind answer;
    const char* path;
    bool result;
    const char* fileName;
  } rows[] = {{CommonDialogAnswer::Kind::kCancel, "", false, "旧.jpg"},
              {CommonDialogAnswer::Kind::kFile, "/tmp/新.jpg", true, "/tmp/新.jpg"},
              {CommonDialogAnswer::Kind::kCancel, "", false, "/tmp/新.jpg"}};
  for (const Row& row : rows) {
    QueueCommonDialogAnswer({row.answer, row.path, {}, 0});
    const TypedValue argument = MakeUnitArgument(kWin, kDialog, kCommonDlgType);
    EXPECT_EQ(Invoke(cmd::OpenCommonDialog, 1, &argument).AsLogical(), row.result) << row.path;
    EXPECT_EQ(gbk::ToUtf8(ReadUnitProperty(kWin, kDialog, kFileName, -1).bytes), row.fileName) << row.path;
  }
  ResetWindows();
}

// The real dialogs, driven while they run.
TEST_F(CommonDialogTest, RealFileDialog) {
  QTemporaryDir dir;
  const QString chosen = dir.filePath("b.png");
  SetText(kFilter, "A|*.jpg|B|*.png"_gbk);
  dialog->Property(kFilterIndex).word = 1;
  dialog->Property(kFileMustExist).word = 0;
  dialog->Property(kNoChangeFolder).word = 1;
  QString startFilter;
  test::WhenModal([&](QWidget* modal) {
    auto* files = qobject_cast<QFileDialog*>(modal);
    if (!files) {
      modal->close();
      return;
    }
    startFilter = files->selectedNameFilter();
    files->selectFile(chosen);
    static_cast<QDialog*>(files)->accept();
  });
  EXPECT_TRUE(dialog->Open());
  EXPECT_EQ(startFilter.toStdString(), "B (*.png)");
  EXPECT_EQ(gbk::ToUtf8(dialog->Property(kFileName).bytes), chosen.toStdString());
}

TEST_F(CommonDialogTest, RealFontDialog) {
  dialog->Property(kKind).word = kFont;
  dialog->Property(kFontSize).word = 12;
  dialog->Property(kItalic).word = 1;
  dialog->Property(kFontColour).word = 0x123456;  // none of the named colours
  std::vector<bool> confirm = {false, true};
  for (bool ok : confirm) {
    int colours = 0;
    test::WhenModal([&](QWidget* modal) {
      colours = modal->findChild<QComboBox*>() ? modal->findChild<QComboBox*>()->count() : 0;
      auto* box = qobject_cast<QDialog*>(modal);
      if (!box) {
        modal->close();
        return;
      }
      ok ? box->accept() : box->reject();
    });
    EXPECT_EQ(dialog->Open(), ok);
    EXPECT_EQ(colours, 17) << ok;
    EXPECT_EQ(dialog->Property(kFontSize).word, 12) << ok;
    EXPECT_EQ(dialog->Property(kItalic).word, 1) << ok;
    EXPECT_EQ(dialog->Property(kFontColour).word, 0x123456) << ok;
  }
}

TEST_F(CommonDialogTest, HelpAndUnknownKinds) {
  QTemporaryDir dir;
  QFile existing(dir.filePath("a.hlp"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  struct Row {
    int kind;
    int command;
    std::string file;
    bool result;
  } rows[] = {
      {kHelp, 0, gbk::FromUtf8(dir.filePath("missing.hlp").toStdString()), false},
      {kHelp, 4, gbk::FromUtf8(dir.filePath("missing.hlp").toStdString()), true},
      {kHelp, 5, "", true},
      {kHelp, 1, gbk::FromUtf8(existing.fileName().toStdString()), true},
      {7, 0, "", false},
  };
  for (const Row& row : rows) {
    dialog->Property(kKind).word = row.kind;
    dialog->Property(kHelpCommand).word = row.command;
    SetText(kHelpFile, row.file);
    QueueCommonDialogAnswer({});  // stands for the help viewer, which is never started
    EXPECT_EQ(dialog->Open(), row.result) << row.kind << " " << row.command;
    ClearCommonDialogAnswers();
  }
}

}  // namespace
}  // namespace zorvel::forms
