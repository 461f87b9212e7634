// The operator's settings on the main window, through the menu on real windows: title
// texts and fonts, dragging a title, the background picture, and the egg position editor.
#include <QCoreApplication>
#include <algorithm>
#include <QCursor>
#include <QTest>
#include <QTimer>

#include "app/egg_editor.h"
#include "app/main_window.h"
#include "runtime/ui/input_box.h"
#include "runtime/ui/message_box.h"
#include "tests/app/app_test.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/menu/menu_commands.h"
#include "windows/units/pic_box/pic_box.h"
#include "windows/units/trans_label/trans_label.h"
#include "windows/units/window/window_unit.h"

namespace zorvel::app::testing {
namespace {

namespace main = ids::main;
namespace label = forms::trans_label;
using main_window::kEggs;

class MainWindowSettings : public AppTest {
 protected:
  void Menu(MenuName item) { forms::Fire(item.window, item.id, 0); }
  std::string Title(UnitName title) { return gbk::ToUtf8(TextProperty(title, label::kTitle)); }
  // A press of the left button on a unit with the given keys held, then, once the
  // handler's move loop runs, a move by (dx, dy) and the release.
  void PressAndDrag(UnitName unit, Qt::KeyboardModifiers keys, QPoint by) {
    QWidget* widget = WidgetOf(unit);
    ASSERT_NE(widget, nullptr);
    QWidget* parent = widget->parentWidget();
    const QPoint grip = widget->rect().center();  // a unit grabbed at its middle
    QCursor::setPos(widget->mapToGlobal(grip));
    QTimer::singleShot(0, [parent, by] {
      QTest::mouseMove(parent, parent->mapFromGlobal(QCursor::pos()) + by);
      QTest::mouseRelease(parent, Qt::LeftButton, {}, parent->mapFromGlobal(QCursor::pos()));
    });
    QTest::mousePress(widget, Qt::LeftButton, keys, grip);
    QCoreApplication::processEvents();
    QTest::mouseRelease(widget, Qt::LeftButton, {}, grip);  // when no loop ran
  }
};

TEST_F(MainWindowSettings, TitleTextsOfferTheirDefaultAndTakeAnEmptyEntry) {
  StartProgram();
  ui::QueueInputBoxAnswer(std::nullopt);
  Menu(main::kMainTitleItem);
  EXPECT_EQ(ui::LastInputBoxRequest().initial, "购物有奖活动");  // although the title shows its design text
  EXPECT_EQ(ui::LastInputBoxRequest().prompt, "请输入主标题");
  EXPECT_EQ(ui::LastInputBoxRequest().title, "请输入主标题");
  EXPECT_EQ(ui::LastInputBoxRequest().mode, 1);
  EXPECT_EQ(Title(main::kMainTitle), "某某大卖场购物有奖活动");
  EXPECT_FALSE(Exists("config.a") && Get("config.a", "zbt", "主标题") != "");

  ui::QueueInputBoxAnswer("年终答谢会");
  Menu(main::kSubTitleItem);
  EXPECT_EQ(ui::LastInputBoxRequest().initial, "---现场抽奖仪式---");
  EXPECT_EQ(Title(main::kSubTitle), "年终答谢会");
  EXPECT_EQ(Get("config.a", "zbt", "副标题"), "年终答谢会");
  ui::QueueInputBoxAnswer(std::nullopt);
  Menu(main::kSubTitleItem);
  EXPECT_EQ(ui::LastInputBoxRequest().initial, "年终答谢会");

  ui::QueueInputBoxAnswer("");
  Menu(main::kMainTitleItem);
  EXPECT_EQ(Title(main::kMainTitle), "");
  EXPECT_NE(gbk::ToUtf8(ReadFile("config.a")).find("主标题=\r\n"), std::string::npos);
}

TEST_F(MainWindowSettings, AFontChoiceSetsTheTitleAndItsHeightAndIsStoredConfirmedOrNot) {
  StartProgram();
  const struct {
    int points;  // 0: cancel the dialog
    int height;
  } rows[] = {{20, 36}, {9, 16}, {0, 16}, {72, 129}};
  for (const auto& row : rows) {
    forms::CommonDialogAnswer answer;
    if (row.points > 0) {
      answer.kind = forms::CommonDialogAnswer::Kind::kFont;
      answer.font = QFont(QStringLiteral("Noto Sans CJK SC"), row.points);
      answer.font.setBold(row.points == 20);
      answer.colour = 0x0000FF00;
    }
    forms::QueueCommonDialogAnswer(answer);
    Menu(main::kSubTitleFontItem);
    EXPECT_EQ(FontField(main::kSubTitle, label::kFont, kFontSize), row.points > 0 ? row.points : 9) << row.points;
    EXPECT_EQ(Height(main::kSubTitle), row.height) << row.points;
    EXPECT_EQ(Get("config.a", "yanse", "副标题字体大小"), std::to_string(row.points > 0 ? row.points : 9));
    EXPECT_EQ(Get("config.a", "yanse", "副标题字体颜色"), "65280");
    EXPECT_FALSE(Get("config.a", "yanse", "副标题字体").empty());
  }
  // A cancelled first choice for the main title stores its design font as it stands.
  forms::QueueCommonDialogAnswer({});
  Menu(main::kMainTitleFontItem);
  EXPECT_EQ(Get("config.a", "yanse", "主标题字体"), "宋体");
  EXPECT_EQ(Get("config.a", "yanse", "主标题字体大小"), "50");
  EXPECT_EQ(Get("config.a", "yanse", "主标题字体颜色"), "65535");
  EXPECT_EQ(Height(main::kMainTitle), 90);
}

TEST_F(MainWindowSettings, ACtrlDragMovesATitleAndStoresWhereItWasDropped) {
  StartProgram();
  const QPoint before(Left(main::kSubTitle), Top(main::kSubTitle));
  // Ctrl with Shift, and no key at all: nothing moves, nothing is stored.
  PressAndDrag(main::kSubTitle, Qt::ControlModifier | Qt::ShiftModifier, QPoint(40, 30));
  PressAndDrag(main::kSubTitle, Qt::NoModifier, QPoint(40, 30));
  EXPECT_EQ(QPoint(Left(main::kSubTitle), Top(main::kSubTitle)), before);
  EXPECT_EQ(Get("config.a", "zbt", "副标题左边"), "");
  // Ctrl alone: the title follows the mouse, sideways too although it spans the window,
  // and so goes partly outside it.
  PressAndDrag(main::kSubTitle, Qt::ControlModifier, QPoint(-40, 30));
  EXPECT_EQ(Left(main::kSubTitle), before.x() - 40);
  EXPECT_EQ(Top(main::kSubTitle), before.y() + 30);
  EXPECT_EQ(Get("config.a", "zbt", "副标题左边"), "-40");
  EXPECT_EQ(Get("config.a", "zbt", "副标题顶边"), std::to_string(before.y() + 30));
  // A Ctrl click without a move still stores both coordinates.
  PressAndDrag(main::kMainTitle, Qt::ControlModifier, QPoint(0, 0));
  EXPECT_EQ(Get("config.a", "zbt", "主标题左边"), "0");
  EXPECT_EQ(Get("config.a", "zbt", "主标题顶边"), std::to_string(Top(main::kMainTitle)));
  // The right button on either title opens the settings menu, as on the window.
  for (const UnitName title : {main::kMainTitle, main::kSubTitle}) {
    forms::ResetPopupHooks();
    forms::QueuePopupChoice(-1);
    QTest::mousePress(WidgetOf(title), Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(WidgetOf(title), Qt::RightButton, {}, QPoint(5, 5));
    ASSERT_TRUE(forms::LastPopupMenu().shown);
    const auto& entries = forms::LastPopupMenu().entries;
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const auto& e) { return e.text == "奖项设置"; }));
  }
}

TEST_F(MainWindowSettings, TheBackgroundIsChangedRemovedAndGoneAfterARestart) {
  StartProgram();
  const std::string picture = SolidPicture(64, 36, Qt::darkMagenta);
  WriteFile("拷贝来的/背景.bmp", picture);
  forms::CommonDialogAnswer answer;
  answer.kind = forms::CommonDialogAnswer::Kind::kFile;
  answer.path = Path("拷贝来的/背景.bmp");
  forms::QueueCommonDialogAnswer(answer);
  Menu(main::kChangeBackgroundItem);
  EXPECT_EQ(ReadFile("底图.jpg"), picture);
  EXPECT_EQ(TextProperty(main::kWindow, forms::window_property::kBackPicture), picture);
  // A file that is no picture leaves the background as it is.
  WriteFile("拷贝来的/说明.jpg", "just text");
  answer.path = Path("拷贝来的/说明.jpg");
  forms::QueueCommonDialogAnswer(answer);
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  Menu(main::kChangeBackgroundItem);
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "不是可用的图片文件");
  EXPECT_EQ(ReadFile("底图.jpg"), picture);

  Menu(main::kRemoveBackgroundItem);
  EXPECT_FALSE(Exists("底图.jpg"));
  EXPECT_EQ(TextProperty(main::kWindow, forms::window_property::kBackPicture), "");
  Menu(main::kRemoveBackgroundItem);  // nothing left to remove: still no picture
  RestartProgram();
  EXPECT_EQ(TextProperty(main::kWindow, forms::window_property::kBackPicture), "");
}

TEST_F(MainWindowSettings, TheEggEditorMovesEggsAndStoresEveryDrop) {
  SetConfig("金蛋个数", "5");
  StartProgram();
  namespace editor = ids::egg_editor;
  bool laidOver = false;
  int shown = 0;
  QTimer::singleShot(0, [&] {
    laidOver = Left(editor::kWindow) == Left(main::kWindow) && Width(editor::kWindow) == Width(main::kWindow) &&
               Height(editor::kWindow) == Height(main::kWindow);
    for (int egg = 1; egg <= 9; ++egg) {
      if (IsVisible(egg_editor::kPictures[egg - 1])) ++shown;
      EXPECT_EQ(Left(egg_editor::kPictures[egg - 1]), Left(kEggs[egg - 1])) << egg;
      EXPECT_EQ(TextProperty(egg_editor::kPictures[egg - 1], forms::pic_box_property::kPicture),
                AsBytes(resources::EggRestPicture(egg)));
    }
    // Egg 3 dragged by (100, −30); egg 1 clicked without a move.
    const QPoint egg3(Left(kEggs[2]), Top(kEggs[2]));
    PressAndDrag(egg_editor::kPictures[2], Qt::NoModifier, QPoint(100, -30));
    EXPECT_EQ(Left(kEggs[2]), egg3.x() + 100);
    EXPECT_EQ(Top(kEggs[2]), egg3.y() - 30);
    PressAndDrag(egg_editor::kPictures[0], Qt::NoModifier, QPoint(0, 0));
    // 设置完毕 closes the editor.
    forms::Fire(editor::kWindow.window, editor::kDoneLabel.id, -1, {1, 1, 0});
  });
  Menu(main::kEggPositionsItem);  // modal: returns once the editor has closed
  EXPECT_TRUE(laidOver);
  EXPECT_EQ(shown, 5);
  EXPECT_EQ(forms::FindLoadedWindow(editor::kWindow.window), nullptr);
  EXPECT_EQ(Get("config.a", "zbt", "d3左边"), std::to_string(566 + 100));
  EXPECT_EQ(Get("config.a", "zbt", "d3顶边"), std::to_string(184 - 30));
  EXPECT_EQ(Get("config.a", "zbt", "d1左边"), "152");
  EXPECT_EQ(Get("config.a", "zbt", "d1顶边"), "288");
  EXPECT_EQ(Get("config.a", "zbt", "d2左边"), "");
  // After a restart the dropped eggs stand where they were dropped.
  RestartProgram();
  EXPECT_EQ(Left(kEggs[2]), 666);
  EXPECT_EQ(Top(kEggs[2]), 154);
}

}  // namespace
}  // namespace zorvel::app::testing
