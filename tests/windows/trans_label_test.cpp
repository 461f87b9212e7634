// The transparent label on the offscreen platform: its letters over a green window with
// nothing of its own between them, the effects at their offsets, the alignments, and no
// trace of old text in the window's backing store after a change.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QTest>
#include <QWindow>

#include "forms/form_writer.h"
#include "tests/windows/window_test.h"
#include "text/gbk_literal.h"
#include "windows/font.h"
#include "windows/units/trans_label/trans_label.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using namespace zorvel::literals;
using testing::Recorder;
using testing::StoredBlock;
using testing::Text;
using testing::WindowUnitDescription;
using testing::Word;

constexpr std::uint32_t kMain = 0x52010001, kMainUnit = 0x06010000, kLabel = 0x160102d1;
constexpr QRgb kGreen = 0xFF00FF00, kRed = 0xFFFF0000, kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;
constexpr int kWidth = 180, kHeight = 60;

std::string Font(int height) {
  FontFields f;
  f.height = height;
  f.weight = 700;
  f.face = "黑体"_gbk;
  return WriteLogFont(f);
}

class TransLabel : public testing::WindowTest {
 protected:

  // A green window with one red label of the given properties over it.
  void Load(std::map<int, PropertyValue> label, std::vector<EventBinding> windowBindings = {},
            std::vector<EventBinding> labelBindings = {}) {
    ResetWindows();
    label.emplace(11, Word(0x000000FF));
    label.emplace(10, Text(Font(-40)));
    WindowDescription w;
    w.id = kMain;
    w.units.push_back(WindowUnitDescription(kMainUnit, 0, 0, 200, 150, {{10, Word(0x0000FF00)}}));
    w.units.back().bindings = std::move(windowBindings);
    UnitDescription u;
    u.id = kLabel;
    u.type = kTransLabelType;
    u.name = "title";
    u.left = 10;
    u.top = 10;
    u.width = kWidth;
    u.height = kHeight;
    u.stored = StoredBlock(*FindUnitLayout(kTransLabelType), label);
    u.bindings = std::move(labelBindings);
    w.units.push_back(u);
    const std::vector<WindowDescription> windows{w};
    std::optional<FormData> data = ParseFormData(WriteFormData(windows));
    ASSERT_TRUE(data.has_value());
    SetTemplates(std::move(*data));
    ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
    label_ = FindUnitObject(kMain, kLabel)->Widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(label_->window()->windowHandle()));
    QCoreApplication::processEvents();
  }

  QRect Area() const { return QRect(label_->mapTo(label_->window(), QPoint(0, 0)), label_->size()); }
  // The label's area drawn afresh from the window down.
  QImage Render() const { return label_->window()->grab(Area()).toImage().convertToFormat(QImage::Format_RGB32); }
  // The label's area as the window's backing store holds it now.
  QImage Stored() const {
    QWidget* top = label_->window();
    QPaintDevice* device = top->backingStore() != nullptr ? top->backingStore()->paintDevice() : nullptr;
    if (device == nullptr || device->devType() != QInternal::Image) return {};
    const QRect a(Area().topLeft() * device->devicePixelRatio(), Area().size() * device->devicePixelRatio());
    return static_cast<QImage*>(device)->copy(a).convertToFormat(QImage::Format_RGB32);
  }

  void Write(int index, std::int64_t word) {
    UnitValue v;
    v.word = word;
    WriteUnitProperty(kMain, kLabel, index, -1, v);
  }

  QWidget* label_ = nullptr;
};

// Effects: an under copy in white or black at one offset, the text in its colour at
// another. Where the plain text covers p fully, the text copy covers p + text offset;
// the under copy shows at p + under offset wherever the text copy leaves it bare.
TEST_F(TransLabel, EffectsDrawAtTheirOffsets) {
  Load({{8, Text("工口"_gbk)}});
  const QImage plain = Render();
  int red = 0;
  for (int y = 0; y < plain.height(); ++y)
    for (int x = 0; x < plain.width(); ++x) red += plain.pixel(x, y) == kRed;
  ASSERT_GT(red, 200);
  // Nothing but text: the corner shows the window beneath.
  EXPECT_EQ(plain.pixel(0, 0), kGreen);

  struct Row {
    int effect;
    QPoint under;
    QRgb underColour;
    QPoint text;
  };
  const Row rows[] = {
      {1, {1, 1}, kWhite, {0, 0}},  // engraved
      {2, {0, 0}, kWhite, {1, 1}},  // raised
      {3, {2, 2}, kBlack, {0, 0}},  // shadow
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.effect);
    Write(9, row.effect);
    const QImage image = Render();
    int textHits = 0, underHits = 0, textMisses = 0, underMisses = 0;
    for (int y = 0; y < plain.height() - 2; ++y) {
      for (int x = 0; x < plain.width() - 2; ++x) {
        if (plain.pixel(x, y) != kRed) continue;
        const QPoint t = QPoint(x, y) + row.text;
        (image.pixel(t) == kRed ? textHits : textMisses)++;
        const QPoint u = QPoint(x, y) + row.under;
        const QPoint uncovered = u - row.text;
        if (uncovered.x() < 0 || uncovered.y() < 0 || plain.pixel(uncovered) != kGreen) continue;
        (image.pixel(u) == row.underColour ? underHits : underMisses)++;
      }
    }
    EXPECT_EQ(textMisses, 0);
    EXPECT_EQ(underMisses, 0);
    EXPECT_GT(underHits, 20);
    EXPECT_GT(textHits, 200);
  }
}

TEST_F(TransLabel, AlignmentsAndWrap) {
  // Single-line text is about 20 pixels high; two lines about 40.
  const std::string words = "工工 工工 工工 工工 工工 工工"_gbk;
  struct Row {
    int h, v, wrap;
    std::string text;
    int left, right, top, bottom;  // -1: not checked
    int lines;
  };
  const Row rows[] = {
      {0, 0, 0, "工"_gbk, 0, -1, 0, -1, 1},
      {2, 2, 0, "工"_gbk, -1, kWidth, -1, kHeight, 1},
      {1, 1, 0, "工"_gbk, kWidth / 2 - 10, kWidth / 2 + 10, kHeight / 2 - 10, kHeight / 2 + 10, 1},
      {0, 2, 1, words, 0, -1, 0, -1, 2},              // wrapped text starts at the top
      {0, 1, 0, "工\r\n工"_gbk, 0, -1, -1, -1, 1},    // single line: the break is a blank
      {0, 1, 1, "工\r\n工"_gbk, 0, -1, 0, -1, 2},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(i);
    Load({{8, Text(r.text)}, {10, Text(Font(-20))}, {12, Word(r.h)}, {14, Word(r.v)}, {13, Word(r.wrap)}});
    const QImage image = Render();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) != kGreen) box |= QRect(x, y, 1, 1);
    ASSERT_FALSE(box.isEmpty());
    if (r.left >= 0) EXPECT_NEAR(box.left(), r.left, 6);
    if (r.right >= 0) EXPECT_NEAR(box.right() + 1, r.right, 6);
    // The glyphs stand a few pixels inside their line's ascent and descent.
    if (r.top >= 0) EXPECT_NEAR(box.top(), r.top, 9);
    if (r.bottom >= 0) EXPECT_NEAR(box.bottom() + 1, r.bottom, 9);
    EXPECT_EQ(box.height() > 30 ? 2 : 1, r.lines) << "height " << box.height();
  }
}

// After each change the window's backing store shows exactly what a window loaded with
// the new values shows: no trace of the old text, without waiting for the event loop.
TEST_F(TransLabel, ChangesLeaveNoTrace) {
  const std::map<int, PropertyValue> start{{8, Text("工工工工"_gbk)}, {9, Word(3)}, {12, Word(1)}};
  struct Row {
    int index, sub;
    UnitValue written;
    PropertyValue stored;  // the property as a window loaded with it holds it
  };
  auto text = [](std::string t) {
    UnitValue v;
    v.bytes = t;
    v.hasBytes = true;
    return v;
  };
  auto word = [](std::int64_t w) {
    UnitValue v;
    v.word = w;
    return v;
  };
  const Row rows[] = {
      {8, -1, text("i"), Text("i")},
      {8, -1, text(""), Text("")},
      {9, -1, word(0), Word(0)},
      {11, -1, word(0x00FFFF), Word(0x00FFFF)},
      {12, -1, word(2), Word(2)},
      {10, 5, word(12), Text(Font(HeightFromPoints(12)))},  // font size in points
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    Load(start);
    const QImage before = Stored();
    ASSERT_FALSE(before.isNull());
    WriteUnitProperty(kMain, kLabel, rows[i].index, rows[i].sub, rows[i].written);
    const QImage after = Stored();
    EXPECT_NE(after, before);
    std::map<int, PropertyValue> changed = start;
    changed[rows[i].index] = rows[i].stored;
    Load(changed);
    EXPECT_EQ(after, Stored());
  }
}

TEST_F(TransLabel, ChoicesClampAndOddFontsFallBack) {
  Load({{9, Word(9)}, {12, Word(5)}, {14, Word(-3)}});
  EXPECT_EQ(ReadUnitProperty(kMain, kLabel, 9, -1).word, 3);
  EXPECT_EQ(ReadUnitProperty(kMain, kLabel, 12, -1).word, 2);
  EXPECT_EQ(ReadUnitProperty(kMain, kLabel, 14, -1).word, 0);
  Write(9, -4);
  EXPECT_EQ(ReadUnitProperty(kMain, kLabel, 9, -1).word, 0);
  // A font byte set that is not 60 bytes long draws as the default GUI font does.
  Load({{10, Text("odd")}});
  const QImage odd = Render();
  Load({{10, Text(DefaultGuiFont())}});
  EXPECT_EQ(odd, Render());
}

// A press on the label is the label's alone: the window beneath does not report it too
// (a right click on a title opens the settings menu once).
TEST_F(TransLabel, MouseEventsStayWithTheLabel) {
  Load({}, {{event::kLeftDown, 1}, {event::kRightDown, 1}}, {{event::kLeftDown, 0}, {event::kRightDown, 0}});
  Recorder::calls.clear();
  QWindow* window = label_->window()->windowHandle();
  const QPoint at = label_->mapTo(label_->window(), QPoint(5, 5));
  QTest::mouseClick(window, Qt::LeftButton, {}, at);
  QTest::mouseClick(window, Qt::RightButton, {}, at);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{0, 0}));
  ASSERT_FALSE(Recorder::calls.empty());
  EXPECT_EQ(Recorder::calls[0].arguments, (std::vector<std::int32_t>{5, 5, 0}));
}

}  // namespace
}  // namespace zorvel::forms
