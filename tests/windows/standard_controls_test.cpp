// The standard controls (Label, Button, CheckBox, RadioBox, GroupBox) on the offscreen
// platform: stored blocks, clamping, radio groups, the keyboard (Tab, Enter and the
// default button, Alt with a letter), the label's look, and the program's prize
// settings, results and password windows as the form data builds them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>

#include "forms/embedded.h"
#include "forms/form_writer.h"
#include "tests/support/qt_bmp.h"
#include "tests/windows/window_test.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "windows/font.h"
#include "windows/units/button/button.h"
#include "windows/units/check_box/check_box.h"
#include "windows/units/group_box/group_box.h"
#include "windows/units/label/label.h"
#include "windows/units/radio_box/radio_box.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using testing::IntValue;
using testing::TextValue;

using namespace zorvel::literals;
using testing::Recorder;
using testing::StoredBlock;
using testing::Text;
using testing::Word;

constexpr std::uint32_t kWin = 0x52010301, kWinUnit = 0x06010300;
constexpr std::uint32_t kDefault = 0x16010301, kOther = 0x16010302, kCheck = 0x16010303;
constexpr std::uint32_t kRadioA = 0x16010304, kRadioB = 0x16010305, kRadioC = 0x16010306;
constexpr std::uint32_t kGroup = 0x16010307, kRadioInGroup = 0x16010308;

UnitDescription Control(std::uint32_t id, std::uint32_t type, QRect at, std::int32_t tabOrder,
                        const std::map<int, PropertyValue>& values, std::int32_t clickHandler = -1) {
  UnitDescription u;
  u.id = id;
  u.type = type;
  u.name = "unit";
  u.left = at.x();
  u.top = at.y();
  u.width = at.width();
  u.height = at.height();
  u.flags = kFlagVisible | kFlagTabStop;
  u.tabOrder = tabOrder;
  u.stored = StoredBlock(*FindUnitLayout(type), values);
  if (clickHandler >= 0) u.bindings = {EventBinding{0, clickHandler}};
  return u;
}

// The bytes of a bitmap file of one colour (red).
std::string RedBitmap(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(qRgb(255, 0, 0));
  return test::BmpFile(image);
}

// Within 12 of a colour on each channel.
bool Near(QRgb p, QRgb colour) {
  return std::abs(qRed(p) - qRed(colour)) <= 12 && std::abs(qGreen(p) - qGreen(colour)) <= 12 &&
         std::abs(qBlue(p) - qBlue(colour)) <= 12;
}

int CountNear(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += Near(image.pixel(x, y), colour);
  return n;
}

class StandardControls : public testing::WindowTest {
 protected:

  // Buttons: the default one (h0) and "&Go" (h1); a check box "禁用&X"; radio boxes A
  // (selected, h2), B (h3), C (h4) on the window and one more, selected, inside a group
  // box.
  void LoadTestWindow() {
    WindowDescription w;
    w.id = kWin;
    w.units.push_back(testing::WindowUnitDescription(kWinUnit, 40, 40, 320, 220));
    w.units.push_back(Control(kDefault, kButtonType, {10, 10, 80, 24}, 3, {{9, Word(1)}, {10, Text("确定"_gbk)}}, 0));
    w.units.push_back(Control(kOther, kButtonType, {100, 10, 80, 24}, 4, {{10, Text("&Go")}}, 1));
    w.units.push_back(Control(kCheck, kCheckBoxType, {10, 40, 120, 20}, 2, {{11, Text("禁用&X"_gbk)}}));
    w.units.push_back(Control(kRadioA, kRadioBoxType, {10, 70, 100, 20}, 5, {{18, Word(1)}}, 2));
    w.units.push_back(Control(kRadioB, kRadioBoxType, {10, 95, 100, 20}, 6, {}, 3));
    w.units.push_back(Control(kRadioC, kRadioBoxType, {10, 120, 100, 20}, 7, {}, 4));
    UnitDescription group = Control(kGroup, kGroupBoxType, {150, 60, 150, 100}, 8, {{8, Text("组")}});
    group.children = {kRadioInGroup};
    w.units.push_back(group);
    UnitDescription inGroup = Control(kRadioInGroup, kRadioBoxType, {8, 20, 100, 20}, 9, {{18, Word(1)}});
    inGroup.parent = kGroup;
    w.units.push_back(inGroup);
    const std::vector<std::uint8_t> block = WriteFormData(std::vector<WindowDescription>{w});
    std::optional<FormData> data = ParseFormData(block);
    ASSERT_TRUE(data.has_value());
    SetTemplates(std::move(*data));
    ASSERT_TRUE(LoadAndShowWindow(kWin, nullptr, false));
    QApplication::setActiveWindow(FindLoadedWindow(kWin)->Widget());
  }

  static QWidget* W(std::uint32_t unit) { return FindUnitObject(kWin, unit)->Widget(); }
  static std::int64_t Selected(std::uint32_t unit) { return ReadUnitProperty(kWin, unit, 18, -1).word; }
  static std::vector<std::int64_t> Radios() {
    return {Selected(kRadioA), Selected(kRadioB), Selected(kRadioC), Selected(kRadioInGroup)};
  }
};

TEST_F(StandardControls, RadioGroupClickArrowsAndProperty) {
  LoadTestWindow();
  EXPECT_EQ(Radios(), (std::vector<std::int64_t>{1, 0, 0, 1}));
  EXPECT_EQ(W(kRadioInGroup)->parentWidget(), W(kGroup));

  // A click selects B and clears A; the box inside the group box is another group.
  QTest::mouseClick(W(kRadioB), Qt::LeftButton, {}, QPoint(5, 10));
  EXPECT_EQ(Radios(), (std::vector<std::int64_t>{0, 1, 0, 1}));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{3}));
  // Clicking the selected box keeps it selected and fires again.
  QTest::mouseClick(W(kRadioB), Qt::LeftButton, {}, QPoint(5, 10));
  EXPECT_EQ(Radios(), (std::vector<std::int64_t>{0, 1, 0, 1}));

  // Arrow keys move to the next or previous radio box in Tab order and select it.
  Recorder::calls.clear();
  W(kRadioB)->setFocus();
  QTest::keyClick(W(kRadioB), Qt::Key_Down);
  EXPECT_EQ(QApplication::focusWidget(), W(kRadioC));
  EXPECT_EQ(Radios(), (std::vector<std::int64_t>{0, 0, 1, 1}));
  QTest::keyClick(W(kRadioC), Qt::Key_Up);
  EXPECT_EQ(Radios(), (std::vector<std::int64_t>{0, 1, 0, 1}));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{4, 3}));

  // Writing property 18 sets only that box, and fires nothing.
  Recorder::calls.clear();
  WriteUnitProperty(kWin, kRadioA, 18, -1, IntValue(1));
  EXPECT_EQ(Radios(), (std::vector<std::int64_t>{1, 1, 0, 1}));
  WriteUnitProperty(kWin, kRadioB, 18, -1, IntValue(0));
  EXPECT_EQ(Radios(), (std::vector<std::int64_t>{1, 0, 0, 1}));
  EXPECT_TRUE(Recorder::calls.empty());
}

TEST_F(StandardControls, TabEnterDefaultButtonAndAltLetter) {
  LoadTestWindow();
  // The lowest Tab order has the focus first: the check box; Tab goes on to the buttons.
  EXPECT_EQ(QApplication::focusWidget(), W(kCheck));
  QTest::keyClick(W(kCheck), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), W(kDefault));
  QTest::keyClick(W(kDefault), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), W(kOther));

  // Enter on a button clicks that button; elsewhere it clicks the default button.
  QTest::keyClick(W(kOther), Qt::Key_Return);
  W(kCheck)->setFocus();
  QTest::keyClick(W(kCheck), Qt::Key_Return);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{1, 0}));
  EXPECT_EQ(ReadUnitProperty(kWin, kCheck, 18, -1).word, 0);
  EXPECT_TRUE(FindUnitObject(kWin, kDefault)->IsDefaultButton());
  EXPECT_FALSE(FindUnitObject(kWin, kOther)->IsDefaultButton());

  // A mouse click on a button fires its event 0.
  Recorder::calls.clear();
  QTest::mouseClick(W(kDefault), Qt::LeftButton, {}, QPoint(40, 12));
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{0}));

  // Alt+X toggles the check box "禁用&X" (twice: back off); Alt+G clicks "&Go".
  Recorder::calls.clear();
  QTest::keyClick(W(kCheck), Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(ReadUnitProperty(kWin, kCheck, 18, -1).word, 1);
  QTest::keyClick(W(kRadioA), Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(ReadUnitProperty(kWin, kCheck, 18, -1).word, 0);
  QTest::keyClick(W(kCheck), Qt::Key_G, Qt::AltModifier);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{1}));
  // A mouse click toggles the check box too; Space as well.
  QTest::mouseClick(W(kCheck), Qt::LeftButton, {}, QPoint(5, 10));
  EXPECT_EQ(ReadUnitProperty(kWin, kCheck, 18, -1).word, 1);
  QTest::keyClick(W(kCheck), Qt::Key_Space);
  EXPECT_EQ(ReadUnitProperty(kWin, kCheck, 18, -1).word, 0);
}

TEST_F(StandardControls, PropertiesAreClampedAndPictureReCreates) {
  LoadTestWindow();
  struct Row {
    std::uint32_t unit;
    int index;
    std::int64_t written, read;
  };
  const Row rows[] = {
      {kDefault, 11, 5, 2},  {kDefault, 12, -3, 0}, {kDefault, 9, 7, 1},
      {kCheck, 13, 9, 2},    {kGroup, 9, 4, 2},     {kRadioA, 14, -1, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    WriteUnitProperty(kWin, rows[i].unit, rows[i].index, -1, IntValue(rows[i].written));
    EXPECT_EQ(ReadUnitProperty(kWin, rows[i].unit, rows[i].index, -1).word, rows[i].read) << "row " << i;
  }
  // Choice values out of range in a stored block are brought into range at creation.
  std::vector<PropertyValue> values = DefaultProperties(*FindUnitLayout(kButtonType));
  values[11 - 8].word = 5;
  const std::vector<std::uint8_t> block = WriteStored(*FindUnitLayout(kButtonType), values);
  CreateArgs args;
  args.stored = block;
  args.width = 50;
  args.height = 20;
  std::unique_ptr<Unit> made = FindUnitType(kButtonType)->create(args);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Property(11).word, 2);

  // A picture makes a button or check box anew (a different widget), keeping its place
  // and caption; the picture shows in place of the caption, centred on the button.
  for (const std::uint32_t unit : {kOther, kCheck}) {
    QWidget* before = W(unit);
    const QRect place = before->geometry();
    UnitValue picture;
    picture.hasBytes = true;
    picture.bytes = RedBitmap(8, 6);
    WriteUnitProperty(kWin, unit, 8, -1, picture);
    EXPECT_NE(W(unit), before);
    EXPECT_EQ(W(unit)->geometry(), place);
    EXPECT_EQ(ReadUnitProperty(kWin, unit, 8, -1).bytes, picture.bytes);
    EXPECT_FALSE(ReadUnitProperty(kWin, unit, unit == kOther ? 10 : 11, -1).bytes.empty());
  }
  const QImage button = W(kOther)->grab().toImage();
  EXPECT_EQ(button.pixel(40, 12), qRgb(255, 0, 0));
  EXPECT_EQ(CountNear(button, qRgb(255, 0, 0)), 48);
  EXPECT_GT(CountNear(W(kCheck)->grab().toImage(), qRgb(255, 0, 0)), 0);
}

using StandardControlTypes = testing::WindowTest;

TEST_F(StandardControlTypes, EmptyBlocksGiveDefaultsAndLaterVersionsFail) {
  QWidget parent;
  for (std::uint32_t type : {kLabelType, kButtonType, kCheckBoxType, kRadioBoxType, kGroupBoxType}) {
    const UnitLayout& layout = *FindUnitLayout(type);
    const UnitTypeInfo* info = FindUnitType(type);
    ASSERT_NE(info, nullptr) << layout.englishName;
    CreateArgs args;
    args.parent = &parent;
    args.width = 60;
    args.height = 20;
    std::unique_ptr<Unit> unit = info->create(args);
    ASSERT_NE(unit, nullptr) << layout.englishName;
    EXPECT_EQ(unit->Properties(), DefaultProperties(layout)) << layout.englishName;
    EXPECT_EQ(unit->Widget()->parentWidget(), &parent);

    const std::vector<std::uint8_t> current = WriteStored(layout, DefaultProperties(layout), layout.version);
    args.stored = current;
    EXPECT_NE(info->create(args), nullptr) << layout.englishName;
    const std::vector<std::uint8_t> later = WriteStored(layout, DefaultProperties(layout), layout.version + 1);
    args.stored = later;
    EXPECT_EQ(info->create(args), nullptr) << layout.englishName;
  }
}

// A label alone on a white widget, grabbed.
QImage GrabLabel(const std::map<int, PropertyValue>& values, QSize size = {120, 40}) {
  QWidget parent;
  parent.setAutoFillBackground(true);
  parent.setPalette(QPalette(Qt::white));
  parent.resize(size);
  const std::string stored = StoredBlock(*FindUnitLayout(kLabelType), values);
  CreateArgs args;
  args.stored = {reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size()};
  args.parent = &parent;
  args.width = size.width();
  args.height = size.height();
  std::unique_ptr<Unit> label = control::CreateControl<LabelUnit>(args);
  if (label == nullptr) return {};
  return parent.grab().toImage();
}

TEST_F(StandardControlTypes, LabelBackgroundsBordersAndEffectsAsDrawn) {
  const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
  // Gradient left to right: red at the left edge, green in the middle, blue at the right,
  // the same on every row.
  const QImage gradient =
      GrabLabel({{8, Text("")}, {20, Word(3)}, {21, Word(0x0000FF)}, {22, Word(0x00FF00)}, {23, Word(0xFF0000)}});
  ASSERT_FALSE(gradient.isNull());
  const QRgb samples[][2] = {{gradient.pixel(0, 20), red}, {gradient.pixel(60, 20), green},
                             {gradient.pixel(119, 20), blue}, {gradient.pixel(60, 2), green}};
  for (std::size_t i = 0; i < std::size(samples); ++i)
    EXPECT_TRUE(Near(samples[i][0], samples[i][1])) << i << ": " << std::hex << samples[i][0];
  // Top to bottom instead: the left column changes, the rows do not.
  const QImage vertical =
      GrabLabel({{8, Text("")}, {20, Word(1)}, {21, Word(0x0000FF)}, {22, Word(0x00FF00)}, {23, Word(0xFF0000)}});
  EXPECT_TRUE(Near(vertical.pixel(5, 0), red)) << std::hex << vertical.pixel(5, 0);
  EXPECT_TRUE(Near(vertical.pixel(115, 39), blue)) << std::hex << vertical.pixel(115, 39);

  // No back colour: the parent shows through; a back colour fills the label.
  EXPECT_EQ(GrabLabel({{8, Text("")}}).pixel(60, 20), white);
  EXPECT_EQ(GrabLabel({{8, Text("")}, {17, Word(0x00008000)}}).pixel(60, 20), qRgb(0, 128, 0));

  // Gradient border 6 px: outside colour at the edge, inside colour at the inner ring.
  const QImage border = GrabLabel({{8, Text("")}, {10, Word(6)}, {11, Word(6)}, {12, Word(0x0000FF)},
                                   {13, Word(0x00FF00)}, {14, Word(0xFF0000)}});
  EXPECT_EQ(border.pixel(0, 20), red);
  EXPECT_EQ(border.pixel(5, 20), blue);
  EXPECT_EQ(border.pixel(6, 20), white);

  // Effects, on large bold text: the shadow adds grey down and to the right; raised and
  // sunken add white and dark grey around the text.
  FontFields large;
  large.height = -32;
  large.weight = 700;
  const std::string font = WriteLogFont(large);
  struct Row {
    int effect;
    QRgb back, extra1, extra2;
  };
  const Row rows[] = {{3, white, qRgb(128, 128, 128), qRgb(128, 128, 128)},
                      {1, qRgb(192, 192, 192), white, qRgb(105, 105, 105)},
                      {2, qRgb(192, 192, 192), white, qRgb(105, 105, 105)}};
  for (const Row& r : rows) {
    const std::uint32_t back = qBlue(r.back) << 16 | qGreen(r.back) << 8 | qRed(r.back);
    std::map<int, PropertyValue> v = {{8, Text("WWW")}, {15, Text(font)}, {17, Word(static_cast<std::int32_t>(back))}};
    const QImage plain = GrabLabel(v, {160, 50});
    v[9] = Word(r.effect);
    const QImage effect = GrabLabel(v, {160, 50});
    // (Antialiased edges of plain text have a few of these colours too.)
    EXPECT_GT(CountNear(effect, r.extra1), CountNear(plain, r.extra1) + 40) << r.effect;
    EXPECT_GT(CountNear(effect, r.extra2), CountNear(plain, r.extra2) + 40) << r.effect;
  }
}

// A PNG back picture with alpha lies over the label's back colour, or with no back
// colour over the parent.
TEST_F(StandardControlTypes, LabelPngBackPictureLiesOverWhatIsBeneath) {
  namespace lp = label_property;
  const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 128, 0), white = qRgb(255, 255, 255);
  const std::string png = test::PngFile(test::HalfTransparent(40, 20, red, 90));
  struct Row {
    std::int32_t backColour;
    QRgb beneath;
  } rows[] = {{0x00008000, green}, {static_cast<std::int32_t>(0xFF000000), white}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.backColour));
    const QImage shown = GrabLabel({{lp::kTitle, Text("")},
                                    {lp::kBackColour, Word(r.backColour)},
                                    {lp::kBackPicture, Text(png)},
                                    {lp::kBackPictureMode, Word(0)}});
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixel(5, 5), r.beneath);
    EXPECT_TRUE(test::NearColour(shown.pixel(30, 10), test::Over(red, 90, r.beneath))) << std::hex << shown.pixel(30, 10);
    EXPECT_EQ(shown.pixel(60, 30), r.beneath);
  }
}

// ---- The program's own windows ----

struct Placed {
  std::uint32_t unit;
  QRect at;
  int captionIndex;  // 0: no caption checked
  std::string caption;
};

class ProgramWindows : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    SetHandlerTable({});  // the windows as the form data builds them, before any handler
    std::optional<FormData> data = ParseFormData(EmbeddedFormData());
    ASSERT_TRUE(data.has_value());
    SetTemplates(std::move(*data));
  }

  // Loads the window, checks every row, and gives its picture.
  QImage LoadAndCheck(std::uint32_t windowId, std::span<const Placed> rows) {
    EXPECT_TRUE(LoadAndShowWindow(windowId, nullptr, false));
    LoadedWindow* w = FindLoadedWindow(windowId);
    if (w == nullptr) return {};
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Placed& r = rows[i];
      Unit* u = FindUnitObject(windowId, r.unit);
      if (u == nullptr || u->Widget() == nullptr) {
        ADD_FAILURE() << "row " << i << ": no unit";
        continue;
      }
      EXPECT_EQ(u->Widget()->geometry(), r.at) << "row " << i;
      EXPECT_TRUE(u->Widget()->isVisible()) << "row " << i;
      if (r.captionIndex != 0)
        EXPECT_EQ(gbk::ToUtf8(ReadUnitProperty(windowId, r.unit, r.captionIndex, -1).bytes), gbk::ToUtf8(r.caption))
            << "row " << i;
    }
    const QImage image = w->WindowUnitObject()->Client()->grab().toImage();
    if (const char* dir = std::getenv("ZORVEL_GRAB_DIR")) {
      image.save(QString::fromUtf8(dir) + QStringLiteral("/window-%1.png").arg(windowId, 8, 16, QLatin1Char('0')));
    }
    return image;
  }
};

bool HasInk(const QImage& image, QRect area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(image.pixel(x, y)) < 100) return true;
  return false;
}

TEST_F(ProgramWindows, PrizeSettingsWindow) {
  const std::string help =
      "1.双击图片框，浏览更改奖品图片。(奖品数量设置为0，该奖项无效)\r\n2.选择按奖品数量抽奖：\r\n    所有奖品的中奖数量是固定的，例如一等奖1名，抽中以后就不会再抽中。(注意，按奖品数量抽奖正式开始前，请先清空之前的中奖结果)\r\n3.选择按概率抽奖：\r\n    每一个奖品的中奖概率计算方法如下：奖品概率值为分子，所有奖品概率值总和为分母。"_gbk;
  const Placed rows[] = {
      {0x16010092, {4, 0, 104, 24}, 8, "对应奖品"_gbk},
      {0x16010083, {280, 0, 104, 24}, 8, "对应奖品"_gbk},
      {0x16010089, {115, 0, 157, 24}, 8, "中奖概率(奖品数量)"_gbk},
      {0x16010084, {391, 0, 157, 24}, 8, "中奖概率(奖品数量)"_gbk},
      {0x1601009a, {8, 28, 100, 40}, 0, ""},
      {0x16010097, {8, 166, 100, 40}, 0, ""},
      {0x16010093, {288, 166, 100, 40}, 0, ""},
      {0x16010091, {115, 28, 100, 40}, 8, "1"},
      {0x1601008e, {115, 166, 100, 40}, 8, "8"},
      {0x1601008d, {391, 28, 100, 40}, 8, "10"},
      {0x1601008a, {391, 166, 100, 40}, 8, "50"},
      {0x16010085, {20, 209, 330, 16}, 8, "鼠标双击图片进行选择更改奖品图像！"_gbk},
      {0x16010501, {219, 28, 53, 40}, 0, ""},  // the chance beside the first number
      {0x16010509, {360, 209, 188, 16}, 0, ""},  // the tickets in the pool
      {0x16010278, {20, 231, 144, 16}, 8, "界面显示金蛋个数(1-9个)："_gbk},
      {0x16010277, {171, 231, 33, 16}, 8, "9"},
      {0x16010082, {212, 231, 109, 16}, 11, "按奖品数量抽奖"_gbk},
      {0x16010081, {327, 231, 82, 16}, 11, "按概率抽奖"_gbk},
      {0x1601043d, {427, 231, 96, 16}, 11, "禁用烟花特效"_gbk},
      {0x16010087, {7, 249, 537, 127}, 8, "设置说明"_gbk},
      {0x16010086, {8, 15, 521, 104}, 8, help},
      {0x16010088, {223, 376, 112, 29}, 10, "确定"_gbk},
  };
  const QImage image = LoadAndCheck(0x5201007f, rows);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(FindUnitObject(0x5201007f, 0x16010086)->Widget()->parentWidget(),
            FindUnitObject(0x5201007f, 0x16010087)->Widget());
  // Green picture boxes; text in the headings, the help frame and on the button.
  EXPECT_EQ(image.pixel(58, 48), qRgb(0, 128, 0));
  EXPECT_EQ(image.pixel(338, 186), qRgb(0, 128, 0));
  EXPECT_TRUE(HasInk(image, {20, 4, 80, 16}));
  EXPECT_TRUE(HasInk(image, {20, 268, 500, 90}));   // the help text wraps over several lines
  EXPECT_TRUE(HasInk(image, {20, 340, 500, 20}));   // … down to its last line
  EXPECT_TRUE(HasInk(image, {250, 382, 60, 16}));
  // The first radio box is selected in the form data, the second not.
  EXPECT_EQ(ReadUnitProperty(0x5201007f, 0x16010082, 18, -1).word, 1);
  EXPECT_EQ(ReadUnitProperty(0x5201007f, 0x16010081, 18, -1).word, 0);
}

TEST_F(ProgramWindows, ResultsWindow) {
  const Placed rows[] = {
      {0x160100a9, {4, 0, 104, 24}, 8, "奖品"_gbk},
      {0x160100a0, {115, 0, 104, 24}, 8, "已中奖数量"_gbk},
      {0x1601009d, {248, 0, 104, 24}, 8, "奖品"_gbk},
      {0x1601009e, {359, 0, 104, 24}, 8, "已中奖数量"_gbk},
      {0x160100b1, {8, 28, 100, 40}, 0, ""},
      {0x160100ae, {8, 166, 100, 40}, 0, ""},
      {0x160100a8, {124, 28, 100, 40}, 0, ""},
      {0x160100a5, {124, 166, 100, 40}, 0, ""},
      {0x160100ad, {248, 28, 100, 40}, 0, ""},
      {0x160100aa, {248, 166, 100, 40}, 0, ""},
      {0x160100a4, {364, 28, 100, 40}, 0, ""},
      {0x160100a1, {364, 166, 100, 40}, 0, ""},
      {0x1601009f, {184, 216, 112, 29}, 10, "清空中奖"_gbk},
  };
  const QImage image = LoadAndCheck(0x5201009b, rows);
  ASSERT_FALSE(image.isNull());
  EXPECT_TRUE(HasInk(image, {190, 220, 100, 20}));
}

TEST_F(ProgramWindows, PasswordWindow) {
  const Placed rows[] = {
      {0x160100b4, {8, 24, 144, 32}, 8, "输入密码(初始密码为空)："_gbk},
      {0x160100b5, {160, 24, 192, 32}, 0, ""},
      {0x160100b6, {85, 80, 80, 32}, 10, "进入设置"_gbk},
      {0x160100b7, {209, 80, 80, 32}, 10, "修改密码"_gbk},
  };
  const QImage image = LoadAndCheck(0x520100b2, rows);
  ASSERT_FALSE(image.isNull());
  EXPECT_TRUE(FindUnitObject(0x520100b2, 0x160100b6)->IsDefaultButton());
  EXPECT_FALSE(FindUnitObject(0x520100b2, 0x160100b7)->IsDefaultButton());
  EXPECT_TRUE(HasInk(image, {10, 30, 140, 20}));
  EXPECT_TRUE(HasInk(image, {90, 88, 70, 16}));
}

}  // namespace
}  // namespace zorvel::forms
