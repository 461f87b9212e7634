// The animation stage and its template on the offscreen platform: objects made, turned
// and destroyed through the library commands, drawn pixels grabbed from the stage, and
// the areas a change repaints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QPaintEvent>
#include <QTest>
#include <functional>

#include "forms/form_writer.h"
#include "runtime/command.h"
#include "tests/support/gif_writer.h"
#include "tests/support/raster_writers.h"
#include "tests/windows/window_test.h"
#include "windows/unit_ref.h"
#include "windows/units/cartoon/cartoon_box.h"
#include "windows/units/cartoon/cartoon_commands.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using namespace cartoon_object;
using testing::Word;

constexpr std::uint32_t kWindow = 0x52010001, kWindowUnit = 0x06010000;
constexpr std::uint32_t kStage = 0x16010020, kTemplate = 0x1601001f;
constexpr QRgb kBlue = 0xFF0000FF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00;

std::string Bytes(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A BMP of w × h pixels, colour(x, y) as 0xRRGGBB.
std::string Bmp(int w, int h, const std::function<std::uint32_t(int, int)>& colour) {
  std::vector<std::uint32_t> samples;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) samples.push_back(colour(x, y));
  return Bytes(test::WriteBmp(w, h, samples));
}

// Records the areas the stage paints.
class PaintSpy : public QObject {
 public:
  QRegion painted;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
};

class Cartoon : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WindowDescription w;
    w.id = kWindow;
    w.units.push_back(testing::WindowUnitDescription(kWindowUnit, 0, 0, 400, 300, {{9, Word(0)}}));
    UnitDescription stage;
    stage.id = kStage;
    stage.type = kCartoonBoxType;
    stage.width = 400;
    stage.height = 300;
    stage.stored = testing::StoredBlock(*FindUnitLayout(kCartoonBoxType), {{9, Word(0x00FF0000)}});  // blue
    w.units.push_back(stage);
    UnitDescription object;
    object.id = kTemplate;
    object.type = kCartoonObjectType;
    object.width = object.height = 32;
    object.stored = testing::StoredBlock(*FindUnitLayout(kCartoonObjectType),
                                         {{kMayRotate, Word(1)}, {kScale, Word(0)}, {kTintColour, Word(0xFFFFFF)}});
    w.units.push_back(object);
    const std::vector<WindowDescription> windows{w};
    std::optional<FormData> data = ParseFormData(WriteFormData(windows));
    ASSERT_TRUE(data.has_value());
    SetTemplates(std::move(*data));
    ASSERT_TRUE(LoadAndShowWindow(kWindow, nullptr, false));
    box = dynamic_cast<CartoonBoxUnit*>(FindUnitObject(kWindow, kStage));
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FindLoadedWindow(kWindow)->Widget()));
    SetPicture(Bmp(40, 20, [](int, int) { return 0xFF0000u; }));
  }

  static void Set(int index, std::int64_t v) {
    UnitValue value;
    value.word = v;
    WriteUnitProperty(kWindow, kTemplate, index, -1, value);
  }
  static void SetPicture(std::string bytes) {
    UnitValue value;
    value.bytes = std::move(bytes);
    value.hasBytes = true;
    WriteUnitProperty(kWindow, kTemplate, kPicture, -1, value);
  }
  static std::int32_t Create(double x, double y) {
    return Call(cmd::CreateObject, MakeUnitArgument(kWindow, kStage, kCartoonBoxType),
                MakeUnitArgument(kWindow, kTemplate, kCartoonObjectType), x, y)
        .integer();
  }
  static void Rotate(std::int32_t id, std::int32_t angle) {
    Call(cmd::RotateObject, MakeUnitArgument(kWindow, kStage, kCartoonBoxType), id, angle);
  }
  static void Destroy(std::int32_t id) {
    Call(cmd::DestroyObjects, MakeUnitArgument(kWindow, kStage, kCartoonBoxType), id);
  }
  QRgb Pixel(int x, int y) const { return box->Widget()->grab().toImage().pixel(x, y); }
  const Sprite& Get(std::int32_t id) const {
    const Sprite* s = box->FindSprite(id);
    EXPECT_NE(s, nullptr) << id;
    return *s;
  }
  // The region the stage paints while the action runs and the repaints it asked for
  // are done.
  QRegion PaintedBy(const std::function<void()>& action) {
    QApplication::processEvents();
    PaintSpy spy;
    box->Widget()->installEventFilter(&spy);
    action();
    QApplication::processEvents();
    box->Widget()->removeEventFilter(&spy);
    return spy.painted;
  }

  CartoonBoxUnit* box = nullptr;
};

TEST_F(Cartoon, RotationStoresTheAngleModulo360AndKeepsTheCentre) {
  struct Row {
    std::int32_t angle, stored, width, height;
  } rows[] = {{370, 10, 43, 27}, {-90, 270, 20, 40}, {180, 180, 40, 20}, {0, 0, 40, 20}};
  for (const Row& row : rows) {
    const std::int32_t id = Create(100, 50);
    Rotate(id, row.angle);
    const Sprite& s = Get(id);
    EXPECT_EQ(s.angle, row.stored) << row.angle;
    EXPECT_EQ(s.width, row.width) << row.angle;
    EXPECT_EQ(s.height, row.height) << row.angle;
    EXPECT_DOUBLE_EQ(s.x + s.width / 2.0, 120.0) << row.angle;
    EXPECT_DOUBLE_EQ(s.y + s.height / 2.0, 60.0) << row.angle;
    Destroy(id);
  }
  // Turned by 270 the 40 × 20 picture stands upright round the same centre.
  const std::int32_t id = Create(100, 50);
  Rotate(id, -90);
  EXPECT_EQ(Pixel(120, 41), kRed);
  EXPECT_EQ(Pixel(120, 38), kBlue);
  EXPECT_EQ(Pixel(105, 60), kBlue);

  // A template that may not rotate keeps its objects unturned; the angle is still kept.
  Set(kMayRotate, 0);
  const std::int32_t fixed = Create(10, 10);
  Rotate(fixed, 90);
  EXPECT_EQ(Get(fixed).angle, 90);
  EXPECT_EQ(Get(fixed).width, 40);
  EXPECT_EQ(Get(fixed).x, 10);
}

TEST_F(Cartoon, LayersAndCreationOrderDecideWhatLiesOnTop) {
  const std::int32_t red = Create(10, 10);
  SetPicture(Bmp(40, 20, [](int, int) { return 0x00FF00u; }));
  const std::int32_t green = Create(20, 15);
  EXPECT_EQ(Pixel(25, 20), kGreen);  // equal layers: the later one on top
  Set(kLayer, -1);
  SetPicture(Bmp(40, 20, [](int, int) { return 0xFFFF00u; }));
  const std::int32_t below = Create(15, 12);
  EXPECT_EQ(Pixel(25, 20), kGreen);
  EXPECT_EQ(Pixel(16, 31), 0xFFFFFF00u);  // where only it lies
  std::vector<std::int32_t> order;
  for (const Sprite& s : box->Sprites()) order.push_back(s.id);
  EXPECT_EQ(order, (std::vector<std::int32_t>{below, red, green}));
}

TEST_F(Cartoon, ScaleMirrorAndTranslucency) {
  struct Row {
    std::int32_t scale, width, height;
  } rows[] = {{0, 40, 20}, {1000, 40, 20}, {500, 20, 10}, {2000, 80, 40}};
  for (const Row& row : rows) {
    Set(kScale, row.scale);
    const std::int32_t id = Create(0, 0);
    EXPECT_EQ(Get(id).width, row.width) << row.scale;
    EXPECT_EQ(Get(id).height, row.height) << row.scale;
    Destroy(id);
  }
  Set(kScale, 0);

  // Left half red, right half green; mirrored left-right the green comes first.
  SetPicture(Bmp(40, 20, [](int x, int) { return x < 20 ? 0xFF0000u : 0x00FF00u; }));
  Set(kMirror, 1);
  const std::int32_t mirrored = Create(0, 0);
  EXPECT_EQ(Pixel(5, 5), kGreen);
  EXPECT_EQ(Pixel(35, 5), kRed);
  Destroy(mirrored);
  Set(kMirror, 2);
  const std::int32_t flipped = Create(0, 0);
  EXPECT_EQ(Pixel(5, 5), kRed);
  Destroy(flipped);
  Set(kMirror, 0);

  // Tinted half-way towards white: each channel moves by (255 - channel) × 50 / 100.
  Set(kTintColour, 0xFFFFFF);
  Set(kTintAmount, 50);
  const std::int32_t tinted = Create(0, 0);
  EXPECT_EQ(Pixel(5, 5), 0xFFFF7F7Fu);
  Destroy(tinted);
  Set(kTintAmount, 0);

  // 60 percent translucent red over the blue back colour.
  Set(kTranslucency, 60);
  Create(100, 100);
  const QRgb p = Pixel(110, 110);
  EXPECT_NEAR(qRed(p), 102, 2);
  EXPECT_NEAR(qBlue(p), 153, 2);
  EXPECT_EQ(qGreen(p), 0);
}

TEST_F(Cartoon, ChangesRepaintTheirAreaWithTheBackground) {
  std::int32_t id = 0;
  const QRegion created = PaintedBy([&] { id = Create(30, 40); });
  EXPECT_EQ(created.boundingRect(), QRect(30, 40, 40, 20));
  EXPECT_EQ(Pixel(35, 45), kRed);
  const QRegion destroyed = PaintedBy([&] { Destroy(id); });
  EXPECT_EQ(destroyed.boundingRect(), QRect(30, 40, 40, 20));  // only the area
  EXPECT_EQ(Pixel(35, 45), kBlue);
  EXPECT_EQ(box->FindSprite(id), nullptr);
  // Unknown ids do nothing; a fresh object gets a fresh id.
  Destroy(id);
  Rotate(id, 45);
  EXPECT_GT(Create(0, 0), id);
  // The turn repaints the old area and the new one.
  const std::int32_t turned = Create(200, 100);
  const QRegion rotated = PaintedBy([&] { Rotate(turned, 90); });
  EXPECT_EQ(rotated, QRegion(200, 100, 40, 20) + Get(turned).Area());
}

TEST_F(Cartoon, GifFramesAndPngAlpha) {
  // Two frames of 4 × 2: all red, then its left half cleared to the transparent index.
  test::GifWriter gif(4, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 0}, {0, 0, 0}});
  gif.Control(0, 7, 3).Image(test::GifImage{0, 0, 4, 2, {0, 0, 0, 0, 0, 0, 0, 0}, {}, false, {}, {}});
  gif.Control(0, 20, 3).Image(test::GifImage{0, 0, 2, 2, {1, 3, 1, 3}, {}, false, {}, {}});
  SetPicture(Bytes(gif.Finish()));
  Set(kScale, 10000);  // 40 × 20 on the stage
  const std::int32_t id = Create(0, 0);
  const Sprite& s = Get(id);
  ASSERT_EQ(s.frames.size(), 2u);
  EXPECT_EQ(s.frames[0].delayMs, 70);
  EXPECT_EQ(s.frames[1].delayMs, 200);
  EXPECT_EQ(s.frames[1].image.pixel(0, 0), kGreen);
  EXPECT_EQ(s.frames[1].image.pixel(1, 0), kRed);  // the transparent index leaves frame 1 showing
  EXPECT_EQ(Pixel(5, 5), kRed);                    // the first frame is shown
  EXPECT_EQ(s.width, 40);
  Destroy(id);

  // A PNG with an alpha channel: clear left, half-transparent right.
  QImage png(40, 20, QImage::Format_ARGB32);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) png.setPixel(x, y, x < 20 ? 0x00FF0000u : 0x80FF0000u);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(png.save(&buffer, "PNG"));
  SetPicture(bytes.toStdString());
  Set(kScale, 0);
  Create(0, 0);
  EXPECT_EQ(Pixel(5, 5), kBlue);
  const QRgb half = Pixel(30, 5);
  EXPECT_NEAR(qRed(half), 128, 2);
  EXPECT_NEAR(qBlue(half), 127, 2);

  // The transparent colour of a one-frame picture is left out; so is an undecodable one.
  SetPicture(Bmp(40, 20, [](int x, int) { return x < 20 ? 0xFFFFFFu : 0xFF0000u; }));
  Set(kTransparentColour, 0xFFFFFF);
  Create(200, 0);
  EXPECT_EQ(Pixel(205, 5), kBlue);
  EXPECT_EQ(Pixel(225, 5), kRed);
  SetPicture("not a picture");
  const std::int32_t none = Create(0, 0);
  EXPECT_FALSE(Get(none).HasImage());
  // A text replaces the picture.
  UnitValue text;
  text.bytes = "Zorvel";
  text.hasBytes = true;
  WriteUnitProperty(kWindow, kTemplate, kText, -1, text);
  EXPECT_GT(Get(Create(0, 0)).width, 20);
}

}  // namespace
}  // namespace zorvel::forms
