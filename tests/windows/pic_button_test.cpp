// The picture button on the offscreen platform: an egg-shaped button cut out by white
// over a green window, driven through the window's native input so that the region
// decides who gets each click.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>
#include <QWindow>

#include "forms/form_writer.h"
#include "tests/support/qt_bmp.h"
#include "tests/windows/window_test.h"
#include "windows/units/pic_button/pic_button.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using testing::Recorder;
using testing::StoredBlock;
using testing::Text;
using testing::WindowUnitDescription;
using testing::Word;

constexpr std::uint32_t kMain = 0x52010001, kMainUnit = 0x06010000, kEgg = 0x1601019c;
constexpr int kEggLeft = 30, kEggTop = 40, kEggWidth = 40, kEggHeight = 30;
constexpr QPoint kOpaque(20, 15), kTransparent(1, 1), kOutside(150, 120);
// Handlers: 0 egg clicked, 1 window left press, 2 egg left press.
constexpr int kClickedHandler = 0, kWindowDownHandler = 1, kEggDownHandler = 2;

// A BMP file of an egg of the given colour on white.
std::string EggBmp(QRgb colour) {
  QImage image(kEggWidth, kEggHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgb(colour));
    p.drawEllipse(3, 2, kEggWidth - 6, kEggHeight - 4);
  }
  return test::BmpFile(image);
}

constexpr QRgb kRed = 0xFFFF0000, kYellow = 0xFFFFFF00, kBlue = 0xFF0000FF, kGrey = 0xFF808080;

class PicButton : public testing::WindowTest {
 protected:

  // A green window with one egg over it; the egg's stored properties as given.
  void Load(const std::map<int, PropertyValue>& egg) {
    WindowDescription w;
    w.id = kMain;
    UnitDescription unit = WindowUnitDescription(kMainUnit, 0, 0, 200, 150, {{10, Word(0x0000FF00)}});
    unit.bindings = {EventBinding{event::kLeftDown, kWindowDownHandler}};
    w.units.push_back(unit);
    UnitDescription b;
    b.id = kEgg;
    b.type = kPicBtnType;
    b.name = "egg";
    b.left = kEggLeft;
    b.top = kEggTop;
    b.width = kEggWidth;
    b.height = kEggHeight;
    b.stored = StoredBlock(*FindUnitLayout(kPicBtnType), egg);
    b.bindings = {EventBinding{0, kClickedHandler}, EventBinding{event::kLeftDown, kEggDownHandler}};
    w.units.push_back(b);
    const std::vector<WindowDescription> windows{w};
    std::optional<FormData> data = ParseFormData(WriteFormData(windows));
    ASSERT_TRUE(data.has_value());
    SetTemplates(std::move(*data));
    ASSERT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
    button_ = dynamic_cast<PicButtonUnit*>(FindUnitObject(kMain, kEgg));
    ASSERT_NE(button_, nullptr);
    window_ = button_->Widget()->window()->windowHandle();
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    Recorder::calls.clear();
  }

  // A point of the egg in the native window's coordinates.
  QPoint At(QPoint local) const { return button_->Widget()->mapTo(button_->Widget()->window(), local); }
  QRgb Shown(QPoint local = kOpaque) const { return button_->Widget()->grab().toImage().pixel(local); }

  PicButtonUnit* button_ = nullptr;
  QWindow* window_ = nullptr;
};

const PropertyValue kWhite = Word(0x00FFFFFF);

TEST_F(PicButton, ClicksOnOpaqueAndTransparentPixels) {
  struct Row {
    std::uint32_t transparentColour;
    QPoint at;
    std::vector<int> handlers;
  };
  const Row rows[] = {
      {0x00FFFFFF, kOpaque, {kEggDownHandler, kClickedHandler}},
      {0x00FFFFFF, kTransparent, {kWindowDownHandler}},  // white is not part of the egg
      {0xFF000000, kTransparent, {kEggDownHandler, kClickedHandler}},  // no colour: a rectangle
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    Load({{10, Text(EggBmp(kRed))}, {14, Word(static_cast<std::int32_t>(rows[i].transparentColour))}});
    QTest::mouseClick(window_, Qt::LeftButton, {}, At(rows[i].at));
    ASSERT_FALSE(Recorder::calls.empty());
    // (The window's own press is reported once for its client area and once more as it
    // travels up to the frame widget: only the first call is checked.)
    const std::vector<int> order = Recorder::Order();
    EXPECT_EQ(rows[i].handlers.size() == 1 ? std::vector<int>{order.front()} : order, rows[i].handlers);
    const QPoint expectedAt =
        rows[i].handlers.front() == kWindowDownHandler ? button_->Widget()->mapToParent(rows[i].at) : rows[i].at;
    EXPECT_EQ(Recorder::calls.front().arguments, (std::vector<std::int32_t>{expectedAt.x(), expectedAt.y(), 0}));
    EXPECT_EQ(button_->VisualState(), pic_button::kNormal);
    ResetWindows();
  }
}

TEST_F(PicButton, PressInsideReleaseOutsideIsNoClick) {
  Load({{10, Text(EggBmp(kRed))}, {12, Text(EggBmp(kBlue))}, {14, kWhite}});
  QTest::mousePress(window_, Qt::LeftButton, {}, At(kOpaque));
  EXPECT_EQ(button_->VisualState(), pic_button::kPressed);
  EXPECT_EQ(Shown(), kBlue);
  QTest::mouseMove(window_, kOutside);
  EXPECT_EQ(button_->VisualState(), pic_button::kNormal);
  EXPECT_EQ(Shown(), kRed);
  QTest::mouseRelease(window_, Qt::LeftButton, {}, kOutside);
  EXPECT_EQ(Recorder::Order(), (std::vector<int>{kEggDownHandler}));
  EXPECT_EQ(button_->VisualState(), pic_button::kNormal);
}

TEST_F(PicButton, ToggleFlipsSelectedOnEachClick) {
  // Stored selected: the button starts pressed.
  Load({{8, Word(1)}, {9, Word(1)}, {10, Text(EggBmp(kRed))}, {12, Text(EggBmp(kBlue))}, {14, kWhite}});
  EXPECT_EQ(button_->VisualState(), pic_button::kPressed);
  const struct {
    std::int64_t selected;
    int state;
    QRgb shown;
  } expected[] = {{0, pic_button::kNormal, kRed}, {1, pic_button::kPressed, kBlue}};
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    Recorder::calls.clear();
    QTest::mouseClick(window_, Qt::LeftButton, {}, At(kOpaque));
    EXPECT_EQ(Recorder::Order(), (std::vector<int>{kEggDownHandler, kClickedHandler}));
    EXPECT_EQ(ReadUnitProperty(kMain, kEgg, 9, -1).word, expected[i].selected);
    EXPECT_EQ(button_->VisualState(), expected[i].state);
    EXPECT_EQ(Shown(), expected[i].shown);
  }
  // Writing selected sets the look of a toggle button.
  UnitValue off;
  WriteUnitProperty(kMain, kEgg, 9, -1, off);
  EXPECT_EQ(button_->VisualState(), pic_button::kNormal);
}

TEST_F(PicButton, PictureChoice) {
  enum class Do { kNothing, kHover, kDisable };
  struct Row {
    bool hover, disabled;  // whether those pictures are given
    std::string normal;
    Do action;
    QRgb shown;
    bool masked;
  };
  const Row rows[] = {
      {true, true, EggBmp(kRed), Do::kNothing, kRed, true},
      {true, true, EggBmp(kRed), Do::kHover, kYellow, true},
      {false, true, EggBmp(kRed), Do::kHover, kRed, true},  // no hover picture: the normal one
      {true, true, EggBmp(kRed), Do::kDisable, kGrey, true},
      {true, false, EggBmp(kRed), Do::kDisable, kRed, true},  // no disabled picture: the normal one
      {false, false, "not a picture", Do::kNothing, 0xFF000000, false},  // black rectangle
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    std::map<int, PropertyValue> egg{{10, Text(rows[i].normal)}, {14, kWhite}};
    if (rows[i].hover) egg[11] = Text(EggBmp(kYellow));
    if (rows[i].disabled) egg[13] = Text(EggBmp(kGrey));
    Load(egg);
    if (rows[i].action == Do::kHover) {
      QTest::mouseMove(window_, kOutside);
      QTest::mouseMove(window_, At(kOpaque));
      EXPECT_EQ(button_->VisualState(), pic_button::kHover);
    } else if (rows[i].action == Do::kDisable) {
      UnitValue yes;
      yes.word = 1;
      WriteUnitProperty(kMain, kEgg, prop::kDisabled, -1, yes);
    }
    EXPECT_EQ(Shown(), rows[i].shown);
    EXPECT_EQ(button_->Region().contains(kOpaque), rows[i].masked);
    EXPECT_FALSE(button_->Region().contains(kTransparent));
    if (rows[i].action == Do::kHover) {
      // Onto a white pixel: the pointer has left the egg.
      QTest::mouseMove(window_, At(kTransparent));
      EXPECT_EQ(button_->VisualState(), pic_button::kNormal);
    }
    ResetWindows();
  }
}

// An egg as a PNG: fully transparent around a red egg, with a half-transparent red
// square in the top-left corner, outside the egg.
std::string EggPng() {
  QImage image(kEggWidth, kEggHeight, QImage::Format_ARGB32);
  image.fill(0u);
  {
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(0, 0, 6, 6, QColor(255, 0, 0, 128));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgb(kRed));
    p.drawEllipse(3, 2, kEggWidth - 6, kEggHeight - 4);
  }
  return test::PngFile(image);
}

// A PNG's fully transparent pixels are not part of the button, whatever the transparent
// colour; the colour cuts only its opaque pixels. What is left of the button lies over
// the green window.
TEST_F(PicButton, PngCutByAlphaOverTheWindow) {
  constexpr QRgb kGreen = 0xFF00FF00;
  constexpr QPoint kTranslucent(2, 2), kClear(38, 28);
  struct Row {
    std::uint32_t transparentColour;
    bool opaqueInside;  // the red egg is part of the button
  } rows[] = {{0xFF000000, true}, {0x00FFFFFF, true}, {0x000000FF, false}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    Load({{10, Text(EggPng())}, {14, Word(static_cast<std::int32_t>(rows[i].transparentColour))}});
    EXPECT_EQ(button_->Region().contains(kOpaque), rows[i].opaqueInside);
    EXPECT_TRUE(button_->Region().contains(kTranslucent));
    EXPECT_FALSE(button_->Region().contains(kClear));
    EXPECT_EQ(button_->Widget()->mask(), button_->Region());

    const QImage window = button_->Widget()->window()->grab().toImage();
    const QRgb translucent = window.pixel(At(kTranslucent));
    EXPECT_TRUE(test::NearColour(translucent, test::Over(kRed, 128, kGreen))) << std::hex << translucent;
    EXPECT_EQ(window.pixel(At(kClear)), kGreen);
    EXPECT_EQ(window.pixel(At(kOpaque)), rows[i].opaqueInside ? kRed : kGreen);

    const struct {
      QPoint at;
      bool button;
    } clicks[] = {{kTranslucent, true}, {kClear, false}, {kOpaque, rows[i].opaqueInside}};
    for (const auto& click : clicks) {
      Recorder::calls.clear();
      QTest::mouseClick(window_, Qt::LeftButton, {}, At(click.at));
      ASSERT_FALSE(Recorder::calls.empty());
      const std::vector<int> order = Recorder::Order();
      if (click.button) {
        EXPECT_EQ(order, (std::vector<int>{kEggDownHandler, kClickedHandler})) << click.at.x() << "," << click.at.y();
      } else {
        EXPECT_EQ(order.front(), kWindowDownHandler) << click.at.x() << "," << click.at.y();
      }
    }
    ResetWindows();
  }
}

TEST_F(PicButton, NewPicturesRedrawOnlyWhenShown) {
  Load({{10, Text(EggBmp(kRed))}, {14, kWhite}});
  UnitValue picture;
  picture.hasBytes = true;
  picture.bytes = EggBmp(kYellow);
  WriteUnitProperty(kMain, kEgg, 11, -1, picture);  // hover picture, pointer away
  EXPECT_EQ(Shown(), kRed);
  picture.bytes = EggBmp(kBlue);
  WriteUnitProperty(kMain, kEgg, 10, -1, picture);
  EXPECT_EQ(Shown(), kBlue);
  EXPECT_EQ(ReadUnitProperty(kMain, kEgg, 10, -1).bytes, picture.bytes);
  // Without a transparent colour the button is a whole rectangle.
  UnitValue none;
  none.word = 0xFF000000;
  WriteUnitProperty(kMain, kEgg, 14, -1, none);
  EXPECT_TRUE(button_->Region().isEmpty());
  EXPECT_TRUE(button_->Widget()->mask().isEmpty());
}

}  // namespace
}  // namespace zorvel::forms
