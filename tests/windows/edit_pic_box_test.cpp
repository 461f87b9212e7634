// Edit boxes and picture boxes in a loaded window on the offscreen platform: typing,
// the password mask, content events, length and selection rules, the spin adjuster,
// input-method text, and pictures placed by display mode and played frame by frame.
#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include "forms/form_writer.h"
#include "tests/support/gif_writer.h"
#include "tests/support/qt_bmp.h"
#include "tests/windows/window_test.h"
#include "text/gbk_literal.h"
#include "windows/units/edit_box/edit_box.h"
#include "windows/units/pic_box/pic_box.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using testing::IntValue;
using testing::TextValue;

using namespace zorvel::literals;
using testing::Recorder;
using testing::Text;
using testing::Word;
namespace ep = edit_box_property;
namespace pp = pic_box_property;

constexpr std::uint32_t kWin = 0x52010001, kWinUnit = 0x06010000;
constexpr std::uint32_t kEdit = 0x16010001, kPic = 0x16010002;

UnitDescription Described(std::uint32_t id, std::uint32_t type, std::string stored, int width, int height) {
  UnitDescription u;
  u.id = id;
  u.type = type;
  u.name = "unit";
  u.left = 10;
  u.top = 10;
  u.width = width;
  u.height = height;
  u.flags = kFlagVisible | kFlagTabStop;
  u.bindings = {EventBinding{0, 0}};  // event 0 -> handler 0
  u.stored = std::move(stored);
  return u;
}

// A GIF of solid frames of the given size: each frame one palette colour, with its delay
// in hundredths of a second.
std::string SolidGif(int width, int height, const std::vector<std::pair<test::GifRgb, int>>& frames) {
  std::vector<test::GifRgb> palette;
  for (const auto& f : frames) palette.push_back(f.first);
  test::GifWriter gif(width, height, palette);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    gif.Control(1, frames[i].second);
    test::GifImage image;
    image.width = width;
    image.height = height;
    image.indexes.assign(static_cast<std::size_t>(width * height), static_cast<std::uint8_t>(i));
    gif.Image(image);
  }
  const std::vector<std::uint8_t> bytes = gif.Finish();
  return std::string(bytes.begin(), bytes.end());
}

// Four quadrants of a 2 × 2 picture: red, blue / white, black.
std::string QuadrantGif() {
  test::GifWriter gif(2, 2, {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}});
  test::GifImage image;
  image.width = image.height = 2;
  image.indexes = {0, 1, 2, 3};
  gif.Image(image);
  const std::vector<std::uint8_t> bytes = gif.Finish();
  return std::string(bytes.begin(), bytes.end());
}

class EditPicBox : public testing::WindowTest {
 protected:

  static bool Load(std::vector<UnitDescription> units) {
    WindowDescription w;
    w.id = kWin;
    w.units.push_back(testing::WindowUnitDescription(kWinUnit, 100, 80, 400, 300));
    for (UnitDescription& u : units) w.units.push_back(std::move(u));
    const std::vector<std::uint8_t> block = WriteFormData(std::vector<WindowDescription>{w});
    std::optional<FormData> data = ParseFormData(block);
    if (!data) return false;
    SetTemplates(std::move(*data));
    return LoadAndShowWindow(kWin, nullptr, false);
  }

  static bool LoadEdit(const std::map<int, PropertyValue>& values, int width = 160, int height = 40) {
    const std::string stored = testing::StoredBlock(*FindUnitLayout(kEditBoxType), values);
    return Load({Described(kEdit, kEditBoxType, stored, width, height)});
  }

  static bool LoadPic(const std::map<int, PropertyValue>& values) {
    const std::string stored = testing::StoredBlock(*FindUnitLayout(kPicBoxType), values);
    return Load({Described(kPic, kPicBoxType, stored, 100, 40)});
  }

  static EditBoxUnit& Edit() { return dynamic_cast<EditBoxUnit&>(RequireUnitObject(kWin, kEdit)); }
  static PicBoxUnit& Pic() { return dynamic_cast<PicBoxUnit&>(RequireUnitObject(kWin, kPic)); }
  static std::string Content() { return ReadUnitProperty(kWin, kEdit, ep::kContent, -1).bytes; }
  static std::size_t ChangeEvents() { return Recorder::calls.size(); }
  static void Type(const QString& text) {
    QWidget* w = Edit().Widget();
    w->setFocus();
    // Key by key, Chinese characters included (QTest::keyClicks sends Latin-1 only).
    for (const QChar c : text) {
      const bool ascii = c.unicode() < 0x80;
      const auto key = static_cast<Qt::Key>(ascii ? c.toUpper().unicode() : Qt::Key_unknown);
      QTest::sendKeyEvent(QTest::Click, w, key, QString(c), Qt::NoModifier);
    }
  }
};

TEST_F(EditPicBox, PasswordBoxMasksWithItsOwnCharacterAndReadsBackPlain) {
  struct Row {
    std::string mask;  // GBK
    QString shown;
  } rows[] = {{"*", "****"}, {"#", "####"}, {"", "ab1中"}};
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(++n);
    ASSERT_TRUE(LoadEdit({{ep::kInputMode, Word(2)}, {ep::kPasswordCharacter, Text(row.mask)}}));
    Recorder::calls.clear();
    Type(QStringLiteral("ab1中"));
    EXPECT_EQ(Content(), "ab1中"_gbk);
    EXPECT_EQ(Edit().DisplayedText(), row.shown);
    EXPECT_EQ(ChangeEvents(), 4u);  // one per typed character
    DestroyWindow(kWin);
  }
}

TEST_F(EditPicBox, WritingTheContentFiresTheChangeOnceEvenForTheSameText) {
  ASSERT_TRUE(LoadEdit({{ep::kContent, Text("9")}}));
  EXPECT_EQ(ChangeEvents(), 0u);  // creation is no change
  for (int k = 1; k <= 3; ++k) {
    WriteUnitProperty(kWin, kEdit, ep::kContent, -1, TextValue("3"));
    EXPECT_EQ(ChangeEvents(), static_cast<std::size_t>(k)) << k;
  }
  EXPECT_EQ(Content(), "3");
}

TEST_F(EditPicBox, MaximumLengthCountsBytesAndZeroHasNoLimit) {
  ASSERT_TRUE(LoadEdit({}));
  WriteUnitProperty(kWin, kEdit, ep::kContent, -1, TextValue(std::string(40000, 'x')));
  Type(QStringLiteral("y中"));
  EXPECT_EQ(Content().size(), 40003u);
  DestroyWindow(kWin);

  struct Row {
    int limit;
    QString typed;
    std::string kept;
  } rows[] = {{5, "abcdefg", "abcde"}, {5, "ab中文", "ab中"_gbk}, {4, "中文字", "中文"_gbk}};
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(++n);
    ASSERT_TRUE(LoadEdit({{ep::kMaxLength, Word(row.limit)}}));
    Type(row.typed);
    EXPECT_EQ(Content(), row.kept);
    DestroyWindow(kWin);
  }
  // Below 0 is clamped to no limit.
  ASSERT_TRUE(LoadEdit({}));
  WriteUnitProperty(kWin, kEdit, ep::kMaxLength, -1, IntValue(-3));
  EXPECT_EQ(ReadUnitProperty(kWin, kEdit, ep::kMaxLength, -1).word, 0);
}

TEST_F(EditPicBox, SelectionStartAndLengthInBytesWithTheMinusOneRules) {
  struct Row {
    int start, length;
    std::int64_t readStart, readLength;
    std::string selected;
  } rows[] = {
      {1, 2, 1, 2, "bc"},         {-1, 0, 7, 0, ""},   {-5, 2, 0, 2, "ab"},  {0, -1, 0, 7, "abc中文"_gbk},
      {3, 2, 3, 2, "中"_gbk},     {1, -3, 1, 0, ""},   {5, 9, 5, 2, "文"_gbk}, {20, 1, 7, 0, ""},
  };
  ASSERT_TRUE(LoadEdit({{ep::kContent, Text("abc中文"_gbk)}}));
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(++n);
    WriteUnitProperty(kWin, kEdit, ep::kSelectionStart, -1, IntValue(row.start));
    WriteUnitProperty(kWin, kEdit, ep::kSelectionLength, -1, IntValue(row.length));
    EXPECT_EQ(ReadUnitProperty(kWin, kEdit, ep::kSelectionStart, -1).word, row.readStart);
    EXPECT_EQ(ReadUnitProperty(kWin, kEdit, ep::kSelectionLength, -1).word, row.readLength);
    EXPECT_EQ(ReadUnitProperty(kWin, kEdit, ep::kSelectedText, -1).bytes, row.selected);
  }
  // Writing the selected text replaces the selection, which is a change.
  Recorder::calls.clear();
  WriteUnitProperty(kWin, kEdit, ep::kSelectionStart, -1, IntValue(3));
  WriteUnitProperty(kWin, kEdit, ep::kSelectionLength, -1, IntValue(2));
  WriteUnitProperty(kWin, kEdit, ep::kSelectedText, -1, TextValue("XY"));
  EXPECT_EQ(Content(), "abcXY文"_gbk);
  EXPECT_EQ(ChangeEvents(), 1u);
}

TEST_F(EditPicBox, InputMethodTextArrivesAsGbkContent) {
  ASSERT_TRUE(LoadEdit({{ep::kContent, Text("a")}, {ep::kSelectionStart, Word(-1)}}));
  QWidget* w = Edit().Widget();
  w->setFocus();
  QInputMethodEvent preedit(QStringLiteral("zhong"), {});
  QApplication::sendEvent(w, &preedit);
  EXPECT_EQ(ChangeEvents(), 0u);
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("中文"));
  QApplication::sendEvent(w, &commit);
  EXPECT_EQ(Content(), "a中文"_gbk);
  EXPECT_EQ(ChangeEvents(), 1u);
}

TEST_F(EditPicBox, CaseConversionMultiLineAndSpinAdjuster) {
  ASSERT_TRUE(LoadEdit({{ep::kCaseConversion, Word(1)}, {ep::kContent, Text("ab")}}));
  EXPECT_EQ(Content(), "AB");
  WriteUnitProperty(kWin, kEdit, ep::kSelectionStart, -1, IntValue(-1));
  Type(QStringLiteral("cD"));
  EXPECT_EQ(Content(), "ABCD");
  DestroyWindow(kWin);

  // A multi-line box keeps Enter; its lines are separated by "\r\n", which count 2 bytes.
  ASSERT_TRUE(LoadEdit({{ep::kMultiLine, Word(1)}}, 160, 80));
  EXPECT_TRUE(Edit().WantsKey(13));
  Type(QStringLiteral("a"));
  QTest::keyClick(Edit().Widget(), Qt::Key_Return);
  Type(QStringLiteral("b"));
  EXPECT_EQ(Content(), "a\r\nb");
  EXPECT_EQ(ReadUnitProperty(kWin, kEdit, ep::kSelectionStart, -1).word, 4);
  DestroyWindow(kWin);

  // Adjuster 1 steps the number within the range; each step is a change.
  ASSERT_TRUE(LoadEdit({{ep::kSpinAdjuster, Word(1)}, {ep::kAdjusterMinimum, Word(0)},
                        {ep::kAdjusterMaximum, Word(3)}, {ep::kContent, Text("2")}}));
  EXPECT_FALSE(Edit().WantsKey(13));
  Recorder::calls.clear();
  struct Step {
    Qt::Key key;
    std::string after;
  } steps[] = {{Qt::Key_Up, "3"}, {Qt::Key_Up, "3"}, {Qt::Key_Down, "2"}, {Qt::Key_Down, "1"}, {Qt::Key_Down, "0"},
               {Qt::Key_Down, "0"}};
  for (const Step& s : steps) {
    QTest::keyClick(Edit().Widget(), s.key);
    EXPECT_EQ(Content(), s.after);
  }
  EXPECT_EQ(ChangeEvents(), 4u);
  // Re-created for a new style, the box keeps its live text.
  WriteUnitProperty(kWin, kEdit, ep::kAlignment, -1, IntValue(2));
  EXPECT_EQ(Content(), "0");
  EXPECT_EQ(dynamic_cast<QLineEdit*>(Edit().Widget())->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST_F(EditPicBox, PrizePictureIsStretchedOrPlacedOnTheBackColour) {
  const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
  const QRgb green = qRgb(0, 128, 0);
  struct Row {
    int mode;
    QPoint at[4];
    QRgb expected[4];
  } rows[] = {
      // Stretched to 100 × 40: each quadrant fills a quarter of the box.
      {1, {{25, 10}, {75, 10}, {25, 30}, {75, 30}}, {red, blue, white, black}},
      // Natural size at the top-left, the rest the back colour.
      {0, {{0, 0}, {1, 1}, {2, 0}, {50, 20}}, {red, black, green, green}},
      // Small enough to fit: natural size, centred.
      {2, {{50, 20}, {49, 19}, {0, 0}, {99, 39}}, {black, red, green, green}},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(++n);
    ASSERT_TRUE(LoadPic({{pp::kBackColour, Word(0x00008000)}, {pp::kDisplayMode, Word(row.mode)},
                         {pp::kPicture, Text(QuadrantGif())}}));
    const QImage shown = Pic().Widget()->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(100, 40));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(shown.pixel(row.at[k]), row.expected[k]) << k;
    DestroyWindow(kWin);
  }
  // An undecodable picture shows the back colour only.
  ASSERT_TRUE(LoadPic({{pp::kBackColour, Word(0x00008000)}, {pp::kPicture, Text("GIF89a broken")}}));
  EXPECT_EQ(Pic().Widget()->grab().toImage().pixel(5, 5), green);
}

// A PNG with alpha lies over the box's back colour: a fully transparent pixel shows the
// colour, a half-transparent one a mix.
TEST_F(EditPicBox, PngPictureLiesOverTheBackColour) {
  const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 128, 0);
  const QRgb mix = test::Over(red, 160, green);
  const std::string png = test::PngFile(test::HalfTransparent(40, 20, red, 160));
  struct Row {
    int mode;
    QPoint transparent, translucent, outside;  // outside: (-1, -1) when the picture covers the box
  } rows[] = {
      {0, {5, 5}, {30, 15}, {95, 35}},   // natural size at the top-left
      {1, {20, 20}, {80, 20}, {-1, -1}},  // stretched over 100 x 40
      {2, {40, 20}, {65, 20}, {95, 35}},  // centred at (30, 10)
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("mode " + std::to_string(r.mode));
    ASSERT_TRUE(LoadPic({{pp::kBackColour, Word(0x00008000)}, {pp::kDisplayMode, Word(r.mode)}, {pp::kPicture, Text(png)}}));
    const QImage shown = Pic().Widget()->grab().toImage();
    EXPECT_EQ(shown.pixel(r.transparent), green);
    EXPECT_TRUE(test::NearColour(shown.pixel(r.translucent), mix)) << std::hex << shown.pixel(r.translucent);
    if (r.outside.x() >= 0) {
      EXPECT_EQ(shown.pixel(r.outside), green);
    }
    DestroyWindow(kWin);
  }
}

TEST_F(EditPicBox, AnimatedGifStepsThroughItsFramesWhilePlaying) {
  // Two frames: red for 50 ms, then blue for 50 ms.
  const std::string gif = SolidGif(4, 4, {{{255, 0, 0}, 5}, {{0, 0, 255}, 5}});
  ASSERT_TRUE(LoadPic({{pp::kDisplayMode, Word(1)}, {pp::kPicture, Text(gif)}}));
  PicBoxWidget& box = *Pic().Box();
  EXPECT_TRUE(box.Animated());
  EXPECT_TRUE(box.Playing());
  EXPECT_EQ(box.FrameNumber(), 1);
  EXPECT_EQ(box.FrameDelayMs(), 50);
  EXPECT_EQ(box.grab().toImage().pixel(50, 20), qRgb(255, 0, 0));
  // The frame timer's work, step by step: the next frame, then round to the first.
  box.AdvanceFrame();
  EXPECT_EQ(box.FrameNumber(), 2);
  EXPECT_TRUE(box.Playing());
  EXPECT_EQ(box.grab().toImage().pixel(50, 20), qRgb(0, 0, 255));
  box.AdvanceFrame();
  EXPECT_EQ(box.FrameNumber(), 1);
  EXPECT_EQ(box.grab().toImage().pixel(50, 20), qRgb(255, 0, 0));
  // The timer itself does the same when the delay is up.
  EXPECT_TRUE(QTest::qWaitFor([&] { return box.FrameNumber() == 2; }, 5000));
  // Play animation off stops the timer on the frame shown; on again starts it there.
  WriteUnitProperty(kWin, kPic, pp::kPlayAnimation, -1, IntValue(0));
  const int frame = box.FrameNumber();
  EXPECT_FALSE(box.Playing());
  QCoreApplication::processEvents();
  EXPECT_EQ(box.FrameNumber(), frame);
  WriteUnitProperty(kWin, kPic, pp::kPlayAnimation, -1, IntValue(1));
  EXPECT_TRUE(box.Playing());
  EXPECT_EQ(box.FrameNumber(), frame);
}

TEST_F(EditPicBox, FrameDelaysTooShortToSeeAreLengthened) {
  // Delays in hundredths: none or 10 ms show for a tenth of a second; anything else
  // for its own time, but never under 20 ms.
  const struct {
    int hundredths;
    int shownMs;
  } rows[] = {{0, 100}, {1, 100}, {2, 20}, {7, 70}, {150, 1500}};
  std::vector<std::pair<test::GifRgb, int>> frames;
  for (const auto& r : rows) frames.push_back({{0, 0, static_cast<std::uint8_t>(10 * frames.size())}, r.hundredths});
  ASSERT_TRUE(LoadPic({{pp::kPlayAnimation, Word(0)}, {pp::kPicture, Text(SolidGif(2, 2, frames))}}));
  PicBoxWidget& box = *Pic().Box();
  ASSERT_TRUE(box.Animated());
  EXPECT_FALSE(box.Playing());
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(box.FrameNumber(), static_cast<int>(i + 1));
    EXPECT_EQ(box.FrameDelayMs(), rows[i].shownMs) << "row " << i;
    box.AdvanceFrame();
  }
  EXPECT_EQ(box.FrameNumber(), 1);
}

TEST_F(EditPicBox, EmptyBlocksGiveDefaultsAndLaterVersionsFailTheLoad) {
  ASSERT_TRUE(Load({Described(kEdit, kEditBoxType, "", 100, 20), Described(kPic, kPicBoxType, "", 100, 40)}));
  const struct {
    std::uint32_t unit;
    int index;
    std::int64_t word;
  } words[] = {{kEdit, ep::kBorder, 1},        {kEdit, ep::kBackColour, 0xFFFFFF}, {kEdit, ep::kHideSelection, 1},
               {kEdit, ep::kAdjusterMaximum, 100}, {kPic, pp::kBackColour, static_cast<std::int32_t>(0xFF000000)}, {kPic, pp::kPlayAnimation, 1}};
  for (const auto& w : words) EXPECT_EQ(ReadUnitProperty(kWin, w.unit, w.index, -1).word, w.word) << w.index;
  EXPECT_EQ(ReadUnitProperty(kWin, kEdit, ep::kPasswordCharacter, -1).bytes, "*");
  // The button face fills a picture box without a back colour.
  EXPECT_EQ(Pic().Widget()->grab().toImage().pixel(50, 20), qRgb(240, 240, 240));
  DestroyWindow(kWin);

  for (const std::uint32_t type : {kEditBoxType, kPicBoxType}) {
    const UnitLayout& layout = *FindUnitLayout(type);
    for (const std::uint32_t version : {1u, 2u, 3u}) {
      const std::vector<std::uint8_t> block = WriteStored(layout, DefaultProperties(layout), version);
      EXPECT_EQ(Load({Described(kEdit, type, std::string(block.begin(), block.end()), 100, 20)}), version <= 2)
          << type << " v" << version;
      DestroyWindow(kWin);
    }
  }
}

}  // namespace
}  // namespace zorvel::forms
