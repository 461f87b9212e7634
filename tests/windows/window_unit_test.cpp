// The window unit on the offscreen platform: frame flags, placement, background
// painting, shapes, property changes, music hook and the window events.
#include "windows/units/window/window_unit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>
#include <string>
#include <vector>

#include "forms/form_writer.h"
#include "tests/support/qt_bmp.h"
#include "tests/windows/window_test.h"
#include "text/gbk_literal.h"
#include "windows/events.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using namespace zorvel::literals;
namespace wp = window_property;
namespace we = window_event;

std::vector<PropertyValue> Defaults() { return DefaultProperties(*FindUnitLayout(kWindowUnitType)); }

PropertyValue Word(std::int32_t w) { return PropertyValue{w, 0, {}}; }

struct Made {
  std::vector<std::uint8_t> block;
  std::unique_ptr<Unit> unit;
  WindowUnit* operator->() const { return static_cast<WindowUnit*>(unit.get()); }
  QWidget* widget() const { return unit->Widget(); }
};

// A window unit from properties (element k = property 8 + k), placed at 10, 20.
Made Make(const std::vector<PropertyValue>& properties, int width = 100, int height = 100) {
  Made m;
  m.block = WriteStored(*FindUnitLayout(kWindowUnitType), properties);
  CreateArgs args;
  args.stored = m.block;
  args.left = 10;
  args.top = 20;
  args.width = width;
  args.height = height;
  args.windowId = 0x52000001;
  args.unitId = 0x06000001;
  m.unit = WindowUnit::Create(args);
  return m;
}

std::vector<PropertyValue> With(std::initializer_list<std::pair<int, PropertyValue>> changes) {
  std::vector<PropertyValue> p = Defaults();
  p[wp::kPosition - 8] = Word(0);  // keep the stored place unless a case asks
  for (const auto& [index, value] : changes) p.at(static_cast<std::size_t>(index - 8)) = value;
  return p;
}

PropertyValue Text(std::string_view s) { return PropertyValue{0, 0, std::string(s)}; }

// A solid picture as BMP bytes.
PropertyValue Bmp(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return PropertyValue{0, 0, test::BmpFile(image)};
}

TEST(WindowUnit, BadStoredBlockCreatesNothing) {
  CreateArgs args;
  const std::vector<std::uint8_t> block = {7, 0, 0, 0};  // version 7
  args.stored = block;
  EXPECT_EQ(WindowUnit::Create(args), nullptr);
}

TEST(WindowUnit, FrameFlags) {
  struct Row {
    int border;
    std::string title;
    bool controlBox;
    bool frameless, caption, tool, fixed;
  };
  const Row rows[] = {
      {0, "标题"_gbk, true, true, false, false, false},  // no caption even with a title
      {2, "", false, false, false, false, true},         // neither title nor control box
      {2, "设置"_gbk, false, false, true, false, true}, {1, "", true, false, true, false, false},
      {3, "t", true, false, true, true, false},         {4, "t", true, false, true, true, true},
      {6, "t", true, false, true, false, true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    Made m =
        Make(With({{wp::kBorder, Word(r.border)}, {wp::kTitle, Text(r.title)}, {wp::kControlBox, Word(r.controlBox)}}));
    ASSERT_NE(m.unit, nullptr) << "row " << i;
    const Qt::WindowFlags f = m.widget()->windowFlags();
    EXPECT_EQ(f.testFlag(Qt::FramelessWindowHint), r.frameless) << "row " << i;
    EXPECT_EQ(f.testFlag(Qt::WindowTitleHint), r.caption) << "row " << i;
    EXPECT_EQ(f.testFlag(Qt::WindowCloseButtonHint), r.border != 0 && r.controlBox) << "row " << i;
    EXPECT_EQ((f & Qt::WindowType_Mask) == Qt::Tool, r.tool) << "row " << i;
    EXPECT_EQ(m.widget()->minimumSize() == m.widget()->maximumSize(), r.fixed) << "row " << i;
  }
}

TEST(WindowUnit, PositionAtCreation) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  struct Row {
    int position, border;
    QPoint at;
    int reads;
  };
  const Row rows[] = {
      {0, 2, QPoint(10, 20), 0},
      {1, 2, QPoint(screen.x() + (screen.width() - 100) / 2, screen.y() + (screen.height() - 80) / 2), 0},
      {2, 2, QPoint(10, 20), 2},
      {3, 1, QPoint(10, 20), 3},
      {3, 2, QPoint(10, 20), 0},  // a fixed frame is not maximised
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Made m = Make(With({{wp::kPosition, Word(rows[i].position)}, {wp::kBorder, Word(rows[i].border)}}), 100, 80);
    EXPECT_EQ(m.widget()->pos(), rows[i].at) << "row " << i;
    EXPECT_EQ(m->Read(wp::kPosition)->word, rows[i].reads) << "row " << i;
  }
}

TEST(WindowUnit, BackgroundPainting) {
  constexpr QRgb kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kFace = 0xFFF0F0F0;
  struct Row {
    const char* name;
    PropertyValue picture;
    int mode;
    std::int32_t colour;
    std::vector<std::pair<QPoint, QRgb>> pixels;
  };
  const Row rows[] = {
      {"no picture, default colour",
       {},
       1,
       static_cast<std::int32_t>(0xFF000000),
       {{{0, 0}, kFace}, {{99, 99}, kFace}}},
      {"colour is 0x00BBGGRR", {}, 1, 0x00FF0000, {{{50, 50}, kBlue}}},
      {"mode 0 top-left",
       Bmp(30, 20, kRed),
       0,
       0x00FF0000,
       {{{0, 0}, kRed}, {{29, 19}, kRed}, {{30, 5}, kBlue}, {{5, 20}, kBlue}}},
      {"mode 1 tiles", Bmp(30, 20, kRed), 1, 0x00FF0000, {{{0, 0}, kRed}, {{99, 99}, kRed}}},
      // 200 x 100 into 100 x 100: 100 x 50, centred, the rest back colour.
      {"mode 2 shrinks",
       Bmp(200, 100, kRed),
       2,
       0x00FF0000,
       {{{50, 24}, kBlue}, {{50, 25}, kRed}, {{0, 50}, kRed}, {{99, 74}, kRed}, {{50, 75}, kBlue}}},
      {"mode 2 centres",
       Bmp(20, 10, kRed),
       2,
       0x00FF0000,
       {{{40, 45}, kRed},
        {{59, 54}, kRed},
        {{39, 50}, kBlue},
        {{60, 50}, kBlue},
        {{50, 44}, kBlue},
        {{50, 55}, kBlue}}},
      {"mode 3 stretches", Bmp(7, 5, kRed), 3, 0x00FF0000, {{{0, 0}, kRed}, {{99, 99}, kRed}}},
      {"undecodable picture", Text("not a picture"), 3, 0x00FF0000, {{{50, 50}, kBlue}}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    Made m = Make(With({{wp::kBorder, Word(0)},
                        {wp::kBackPicture, r.picture},
                        {wp::kBackPictureMode, Word(r.mode)},
                        {wp::kBackColour, Word(r.colour)}}));
    const QImage image = m->Client()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(100, 100)) << r.name;
    for (const auto& [at, expected] : r.pixels) {
      EXPECT_EQ(image.pixel(at), expected) << r.name << " at " << at.x() << "," << at.y();
    }
  }
}

// A PNG back picture with alpha lies over the back colour in every mode: its fully
// transparent half shows the colour, its half-transparent half a mix.
TEST(WindowUnit, PngBackPictureLiesOverTheBackColour) {
  constexpr QRgb kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
  const QRgb mix = test::Over(kRed, 128, kBlue);
  const PropertyValue png{0, 0, test::PngFile(test::HalfTransparent(30, 20, kRed, 128))};
  struct Row {
    int mode;
    std::vector<std::pair<QPoint, QRgb>> pixels;
  };
  const Row rows[] = {
      {0, {{{5, 5}, kBlue}, {{20, 10}, mix}, {{29, 19}, mix}, {{40, 10}, kBlue}, {{20, 30}, kBlue}}},
      {1, {{{5, 5}, kBlue}, {{20, 10}, mix}, {{35, 25}, kBlue}, {{80, 90}, mix}, {{99, 99}, kBlue}}},
      {2, {{{40, 45}, kBlue}, {{60, 50}, mix}, {{20, 50}, kBlue}, {{80, 50}, kBlue}}},
      // Stretched to 100 x 100: columns 0-49 from the transparent half.
      {3, {{{10, 10}, kBlue}, {{40, 90}, kBlue}, {{60, 10}, mix}, {{99, 99}, mix}}},
  };
  for (const Row& r : rows) {
    Made m = Make(With({{wp::kBorder, Word(0)},
                        {wp::kBackPicture, png},
                        {wp::kBackPictureMode, Word(r.mode)},
                        {wp::kBackColour, Word(0x00FF0000)}}));
    const QImage image = m->Client()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(100, 100)) << "mode " << r.mode;
    for (const auto& [at, expected] : r.pixels) {
      EXPECT_TRUE(test::NearColour(image.pixel(at), expected))
          << "mode " << r.mode << " at " << at.x() << "," << at.y() << ": " << std::hex << image.pixel(at) << " for "
          << expected;
    }
  }
}

TEST(WindowUnit, ShapeMasks) {
  struct Row {
    int shape, width, height;
    std::vector<QPoint> inside, outside;
  };
  const Row rows[] = {
      {0, 100, 100, {{0, 0}, {99, 99}}, {}},
      {1, 100, 100, {{50, 50}, {50, 2}, {2, 50}}, {{3, 3}, {96, 96}}},
      {1, 200, 100, {{150, 50}, {198, 50}}, {{180, 10}}},
      {2, 100, 100, {{1, 50}, {50, 1}}, {{0, 0}, {99, 99}}},
      {3, 100, 100, {{50, 10}, {10, 50}}, {{50, 50}, {3, 3}}},
      {4, 100, 100, {{50, 5}, {50, 90}, {5, 98}}, {{10, 10}, {90, 10}}},             // triangle
      {10, 100, 100, {{2, 50}, {50, 2}}, {{2, 5}, {97, 95}}},                        // hexagon
      {12, 100, 100, {{50, 50}, {50, 3}, {3, 50}}, {{10, 10}, {90, 90}, {90, 10}}},  // diamond
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    Made m = Make(With({{wp::kBorder, Word(0)}, {wp::kShape, Word(r.shape)}}), r.width, r.height);
    const QRegion mask = m.widget()->mask();
    EXPECT_EQ(mask.isEmpty(), r.shape == 0) << "row " << i;
    for (const QPoint& p : r.inside)
      EXPECT_TRUE(mask.isEmpty() || mask.contains(p)) << "row " << i << " " << p.x() << "," << p.y();
    for (const QPoint& p : r.outside) EXPECT_FALSE(mask.contains(p)) << "row " << i << " " << p.x() << "," << p.y();
  }
  // Every table shape gives a region within the window.
  for (int shape = 4; shape <= 29; ++shape) {
    const QRegion region = WindowUnit::ShapeRegion(shape, 300, 200);
    EXPECT_FALSE(region.isEmpty()) << "shape " << shape;
    EXPECT_TRUE(QRect(0, 0, 300, 200).contains(region.boundingRect())) << "shape " << shape;
  }
}

TEST(WindowUnit, ShapeFollowsResize) {
  Made m = Make(With({{wp::kBorder, Word(0)}, {wp::kShape, Word(1)}}));
  m->SetWindowGeometry(QRect(10, 20, 200, 100));
  EXPECT_TRUE(m.widget()->mask().contains(QPoint(190, 50)));
  EXPECT_EQ(m.widget()->mask().boundingRect(), QRect(0, 0, 200, 100));
}

TEST(WindowUnit, ApplyChangesTheLiveWindow) {
  Made m = Make(With({{wp::kBorder, Word(0)}, {wp::kTitle, Text("a")}}));
  m.widget()->show();
  m->Property(wp::kTitle) = Text("新标题"_gbk);
  EXPECT_FALSE(m->Apply(wp::kTitle));
  EXPECT_EQ(m.widget()->windowTitle(), QString::fromUtf8("新标题"));

  m->Property(wp::kBorder) = Word(2);
  m->Apply(wp::kBorder);
  EXPECT_FALSE(m.widget()->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(m.widget()->windowFlags().testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(m.widget()->isVisible()) << "shown again after the new flags";
  EXPECT_EQ(m.widget()->frameGeometry().topLeft(), QPoint(10, 20));
  EXPECT_EQ(m.widget()->size(), QSize(100, 100));
  EXPECT_EQ(m.widget()->minimumSize(), m.widget()->maximumSize());

  m->Property(wp::kAlwaysOnTop) = Word(1);
  m->Apply(wp::kAlwaysOnTop);
  EXPECT_TRUE(m.widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(m.widget()->isVisible());

  m->Property(wp::kShape) = Word(12);
  m->Apply(wp::kShape);
  EXPECT_FALSE(m.widget()->mask().contains(QPoint(5, 5)));

  m->Property(wp::kPosition) = Word(1);
  m->Apply(wp::kPosition);
  const QRect screen = m.widget()->screen()->geometry();
  const QRect outer = m.widget()->frameGeometry();
  EXPECT_EQ(outer.topLeft(), QPoint(screen.x() + (screen.width() - outer.width()) / 2,
                                    screen.y() + (screen.height() - outer.height()) / 2));
  EXPECT_EQ(m->Read(wp::kPosition)->word, 0);
  // Properties that are only kept read back as written.
  m->Property(wp::kHelpContext) = Word(42);
  EXPECT_FALSE(m->Apply(wp::kHelpContext));
  EXPECT_EQ(m->Read(wp::kHelpContext)->word, 42);
}

TEST(WindowUnit, MenuBarTakesRoomOnlyWhenItShowsSomething) {
  Made m = Make(With({{wp::kBorder, Word(0)}}), 200, 150);
  auto* empty = new QMenuBar;
  empty->addAction("hidden")->setVisible(false);
  m->SetMenuBar(empty);
  EXPECT_EQ(m->Client()->geometry(), QRect(0, 0, 200, 150));

  QPointer<QMenuBar> old = empty;
  auto* bar = new QMenuBar;
  bar->addAction("File");
  m->SetMenuBar(bar);
  EXPECT_TRUE(old.isNull()) << "the old bar is deleted";
  const int barHeight = bar->geometry().height();
  EXPECT_GT(barHeight, 0);
  EXPECT_EQ(m->Client()->geometry(), QRect(0, barHeight, 200, 150 - barHeight));
}

struct MusicCall {
  std::uint32_t window;
  std::string bytes;
  int mode;
  friend bool operator==(const MusicCall&, const MusicCall&) = default;
};
std::vector<MusicCall> g_music;
void RecordMusic(std::uint32_t window, std::string_view bytes, int mode) {
  g_music.push_back({window, std::string(bytes), mode});
}

TEST(WindowUnit, MusicHook) {
  g_music.clear();
  SetWindowMusicHook(&RecordMusic);
  {
    Made silent = Make(With({{wp::kMusic, Text("RIFF")}, {wp::kMusicMode, Word(2)}}));
    Made m = Make(With({{wp::kMusic, Text("RIFF")}, {wp::kMusicMode, Word(1)}}));
    m->Property(wp::kMusic) = Text("MThd");
    m->Apply(wp::kMusic);
  }
  SetWindowMusicHook(nullptr);
  const std::vector<MusicCall> expected = {
      {0x52000001, "RIFF", 1}, {0x52000001, "", 1}, {0x52000001, "MThd", 1}, {0x52000001, "", 1}};
  EXPECT_EQ(g_music, expected);
}

TEST(WindowUnit, HelpFileThatDoesNotExistIsNotOpened) {
  Made m = Make(With({{wp::kHelpFile, Text("/nonexistent/help.hlp")}}));
  EXPECT_FALSE(m->OpenHelp());
  EXPECT_FALSE(m->HelpOpened());
}

// Events through the window core: a loaded window whose unit binds the events its
// native window fires to handlers that record their index.
std::vector<std::pair<std::uint32_t, int>> g_events;  // (window, event)
template <int N>
std::optional<std::int32_t> Record(std::span<const std::int32_t>) {
  g_events.emplace_back(CurrentEventSource().window, N);
  return std::nullopt;
}
// The events one window heard, of those listed.
std::vector<int> Heard(std::uint32_t window, std::initializer_list<int> of) {
  std::vector<int> heard;
  for (const auto& [w, e] : g_events)
    if (w == window && std::find(of.begin(), of.end(), e) != of.end()) heard.push_back(e);
  return heard;
}
const HandlerEntry kHandlers[] = {
    {"moved", &Record<we::kMoved>},         {"resized", &Record<we::kResized>},
    {"shown", &Record<we::kShown>},         {"hidden", &Record<we::kHidden>},
    {"activated", &Record<we::kActivated>}, {"deactivated", &Record<we::kDeactivated>},
    {"first", &Record<we::kFirstActivation>}};

constexpr std::uint32_t kWindow = 0x52000011, kWindowUnitId = 0x06000011;
constexpr std::uint32_t kOther = 0x52000012, kOtherUnitId = 0x06000012;

WindowDescription Describe(std::uint32_t id, std::uint32_t unitId, const std::vector<PropertyValue>& properties) {
  UnitDescription u;
  u.id = unitId;
  u.type = kWindowUnitType;
  u.left = 30;
  u.top = 40;
  u.width = 120;
  u.height = 90;
  u.bindings = {{we::kMoved, 0},     {we::kResized, 1},     {we::kShown, 2},          {we::kHidden, 3},
                {we::kActivated, 4}, {we::kDeactivated, 5}, {we::kFirstActivation, 6}};
  const std::vector<std::uint8_t> block = WriteStored(*FindUnitLayout(kWindowUnitType), properties);
  u.stored.assign(block.begin(), block.end());
  return WindowDescription{id, 0, 0, "", "", {u}};
}

class WindowEvents : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const std::vector<WindowDescription> windows = {
        Describe(kWindow, kWindowUnitId, With({{wp::kBorder, Word(0)}})),
        Describe(kOther, kOtherUnitId, With({{wp::kAlwaysOnTop, Word(1)}, {wp::kShowInTaskBar, Word(0)}}))};
    const std::vector<std::uint8_t> block = WriteFormData(windows);
    SetTemplates(*ParseFormData(block));
    SetHandlerTable(kHandlers);
    g_events.clear();
  }
  void TearDown() override {
    WindowTest::TearDown();
    SetHandlerTable({});
  }
};

TEST_F(WindowEvents, MovedResizedShownHiddenInOrder) {
  ASSERT_TRUE(LoadWindow(kWindow, nullptr, false));
  auto* unit = dynamic_cast<WindowUnit*>(FindUnitObject(kWindow, 0));
  ASSERT_NE(unit, nullptr);
  QCoreApplication::processEvents();
  // The load fires moved and resized itself and shows the window; showing fires no move
  // or resize of its own.
  const std::initializer_list<int> placing = {we::kMoved, we::kResized, we::kShown, we::kHidden};
  EXPECT_EQ(Heard(kWindow, placing), (std::vector<int>{we::kMoved, we::kResized, we::kShown}));

  g_events.clear();
  unit->SetWindowGeometry(QRect(50, 60, 120, 90));
  QCoreApplication::processEvents();
  unit->SetWindowGeometry(QRect(50, 60, 150, 100));
  QCoreApplication::processEvents();
  unit->Widget()->hide();
  unit->Widget()->show();
  QCoreApplication::processEvents();
  EXPECT_EQ(Heard(kWindow, placing), (std::vector<int>{we::kMoved, we::kResized, we::kHidden, we::kShown}));

  g_events.clear();
  unit->Property(wp::kBorder) = Word(1);
  unit->Apply(wp::kBorder);
  QCoreApplication::processEvents();
  EXPECT_EQ(Heard(kWindow, placing), std::vector<int>{}) << "rebuilding the native window fires nothing";
}

TEST_F(WindowEvents, FirstActivationOnceBeforeActivated) {
  ASSERT_TRUE(LoadWindow(kWindow, nullptr, false));
  ASSERT_TRUE(LoadWindow(kOther, nullptr, false));
  QWidget* first = FindUnitObject(kWindow, 0)->Widget();
  QWidget* other = FindUnitObject(kOther, 0)->Widget();
  QCoreApplication::processEvents();
  for (QWidget* w : {first, other, first}) {
    w->activateWindow();
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(first->isActiveWindow());
  // First activation once, before the first activated; then deactivated and activated
  // as the activation moves back and forth.
  const std::initializer_list<int> activation = {we::kActivated, we::kDeactivated, we::kFirstActivation};
  const int once = we::kFirstActivation, on = we::kActivated, off = we::kDeactivated;
  EXPECT_EQ(Heard(kWindow, activation), (std::vector<int>{once, on, off, on, off, on}));
  EXPECT_EQ(Heard(kOther, activation), (std::vector<int>{once, on, off, on, off}));
}

TEST_F(WindowEvents, AlwaysOnTopOffLeavesOtherTopmostWindows) {
  ASSERT_TRUE(LoadWindow(kWindow, nullptr, false));
  ASSERT_TRUE(LoadWindow(kOther, nullptr, false));
  auto* first = dynamic_cast<WindowUnit*>(FindUnitObject(kWindow, 0));
  auto* other = dynamic_cast<WindowUnit*>(FindUnitObject(kOther, 0));
  ASSERT_TRUE(first != nullptr && other != nullptr);
  EXPECT_TRUE(other->Widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  first->Property(wp::kAlwaysOnTop) = Word(1);
  first->Apply(wp::kAlwaysOnTop);
  first->Property(wp::kAlwaysOnTop) = Word(0);
  first->Apply(wp::kAlwaysOnTop);
  EXPECT_FALSE(first->Widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(other->Widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(other->Widget()->isVisible());
}

TEST_F(WindowEvents, CloseBoxAsksTheCore) {
  ASSERT_TRUE(LoadWindow(kWindow, nullptr, false));
  QWidget* widget = FindUnitObject(kWindow, 0)->Widget();
  EXPECT_FALSE(widget->close()) << "the close event itself is always ignored";
  EXPECT_NE(FindLoadedWindow(kWindow), nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(FindLoadedWindow(kWindow), nullptr) << "no may-close handler: the window goes";
}

}  // namespace
}  // namespace zorvel::forms
