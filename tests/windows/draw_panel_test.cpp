// The drawing panel on the offscreen platform: background picture modes, borders and
// where its events report the mouse, the canvas picture command (sizes, file header,
// pixels), auto-redraw and the drawing settings' ranges.
#include <gtest/gtest.h>

#include <QTest>
#include <cstring>

#include "forms/form_writer.h"
#include "runtime/command.h"
#include "runtime/picture/draw.h"
#include "runtime/text.h"
#include "tests/support/qt_bmp.h"
#include "tests/windows/window_test.h"
#include "windows/unit_ref.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using testing::IntValue;
using testing::TextValue;

using testing::Recorder;
using testing::Word;
namespace dp = draw_panel_property;

constexpr std::uint32_t kMain = 0x52010001, kMainUnit = 0x06010000, kPanel = 0x16010002, kChild = 0x16010003;
constexpr QRgb kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr std::int32_t kBlueWord = 0x00FF0000, kWhiteWord = 0x00FFFFFF;

std::string PictureBytes(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return test::BmpFile(image);
}

std::uint32_t Le32(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

class DrawPanel : public testing::WindowTest {
 protected:

  // A window with one panel at (10, 10); its right-button event runs h0, the window's
  // runs h1. With a child, a test button sits inside the panel at (50, 30).
  DrawPanelUnit& Load(int width, int height, const std::map<int, PropertyValue>& values, bool child = false) {
    WindowDescription w;
    w.id = kMain;
    UnitDescription window = testing::WindowUnitDescription(kMainUnit, 0, 0, 400, 300);
    window.bindings = {EventBinding{event::kRightDown, 1}};
    w.units.push_back(window);
    UnitDescription panel;
    panel.id = kPanel;
    panel.type = kDrawPanelType;
    panel.left = panel.top = 10;
    panel.width = width;
    panel.height = height;
    panel.bindings = {EventBinding{event::kRightDown, 0}};
    panel.stored = testing::StoredBlock(*FindUnitLayout(kDrawPanelType), values);
    if (child) {
      panel.children = {kChild};
      UnitDescription button = testing::ButtonDescription(kChild, 50, 30, "x");
      button.parent = kPanel;
      w.units.push_back(panel);
      w.units.push_back(button);
    } else {
      w.units.push_back(panel);
    }
    const std::vector<WindowDescription> windows{w};
    const std::optional<FormData> data = ParseFormData(WriteFormData(windows));
    EXPECT_TRUE(data.has_value());
    SetTemplates(*data);
    EXPECT_TRUE(LoadAndShowWindow(kMain, nullptr, false));
    auto* unit = dynamic_cast<DrawPanelUnit*>(FindUnitObject(kMain, kPanel));
    EXPECT_NE(unit, nullptr);
    return *unit;
  }

  static std::string CanvasPicture(const TypedValue& width, const TypedValue& height) {
    const Value v = Call(cmd::GetCanvasPicture, MakeUnitArgument(kMain, kPanel, kDrawPanelType), width, height);
    return std::string(ByteSetView(v.byteSet()));
  }
  static QImage Decoded(const std::string& bmp) {
    Picture* p = DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size());
    PreparedPicture prepared;
    PreparePicture(p, prepared);
    FreePicture(p);
    return prepared.image;
  }
};

TEST_F(DrawPanel, BackPictureModesOnAndOffTheCopy) {
  struct Row {
    const char* name;
    std::int32_t backColour, mode;
    int pictureWidth, pictureHeight;  // 0: no picture
    std::vector<std::pair<QPoint, QRgb>> pixels;
  };
  const Row rows[] = {
      {"top-left", kBlueWord, 0, 20, 10, {{{0, 0}, kRed}, {{19, 9}, kRed}, {{20, 0}, kBlue}, {{0, 10}, kBlue}}},
      {"tiled", kBlueWord, 1, 20, 10, {{{25, 15}, kRed}, {{59, 39}, kRed}, {{0, 0}, kRed}}},
      {"centred", kBlueWord, 2, 20, 10,
       {{{20, 15}, kRed}, {{39, 24}, kRed}, {{19, 15}, kBlue}, {{40, 24}, kBlue}, {{30, 14}, kBlue}}},
      {"shrunk", kBlueWord, 2, 120, 20, {{{1, 16}, kRed}, {{58, 23}, kRed}, {{30, 13}, kBlue}, {{30, 26}, kBlue}}},
      {"no colour", static_cast<std::int32_t>(0xFF000000), 1, 0, 0, {{{30, 20}, 0xFFF0F0F0}}},
  };
  for (const Row& r : rows) {
    for (const int autoRedraw : {0, 1}) {
      std::map<int, PropertyValue> values{{dp::kBackColour, Word(r.backColour)},
                                          {dp::kBackPictureMode, Word(r.mode)},
                                          {dp::kAutoRedraw, Word(autoRedraw)}};
      if (r.pictureWidth > 0) values[dp::kBackPicture] = testing::Text(PictureBytes(r.pictureWidth, r.pictureHeight, kRed));
      DrawPanelUnit& panel = Load(60, 40, values);
      const QImage shown = panel.Client()->grab().toImage();
      const QImage drawing = panel.Drawing();
      for (const auto& [at, expected] : r.pixels) {
        EXPECT_EQ(shown.pixel(at), expected) << r.name << " auto-redraw " << autoRedraw << " at " << at.x() << "," << at.y();
        EXPECT_EQ(drawing.pixel(at), expected) << r.name << " auto-redraw " << autoRedraw << " drawing";
      }
      EXPECT_EQ(panel.OffscreenCopy() != nullptr, autoRedraw == 1) << r.name;
      ResetWindows();
    }
  }
}

// A PNG back picture with alpha lies over the back colour, on the screen and in the
// auto-redraw copy alike.
TEST_F(DrawPanel, PngBackPictureLiesOverTheBackColour) {
  const QRgb mix = test::Over(kRed, 100, kBlue);
  const std::string png = test::PngFile(test::HalfTransparent(20, 10, kRed, 100));
  struct Row {
    std::int32_t mode;
    std::vector<std::pair<QPoint, QRgb>> pixels;
  };
  const Row rows[] = {
      {0, {{{2, 2}, kBlue}, {{15, 5}, mix}, {{25, 5}, kBlue}, {{15, 15}, kBlue}}},
      {1, {{{2, 2}, kBlue}, {{15, 5}, mix}, {{25, 15}, kBlue}, {{55, 35}, mix}}},
  };
  for (const Row& r : rows) {
    for (const int autoRedraw : {0, 1}) {
      DrawPanelUnit& panel = Load(60, 40, {{dp::kBackColour, Word(kBlueWord)}, {dp::kBackPictureMode, Word(r.mode)},
                                           {dp::kAutoRedraw, Word(autoRedraw)}, {dp::kBackPicture, testing::Text(png)}});
      const QImage shown = panel.Client()->grab().toImage();
      const QImage drawing = panel.Drawing();
      for (const auto& [at, expected] : r.pixels) {
        EXPECT_TRUE(test::NearColour(shown.pixel(at), expected))
            << "mode " << r.mode << " auto-redraw " << autoRedraw << " at " << at.x() << "," << at.y() << ": "
            << std::hex << shown.pixel(at);
        EXPECT_TRUE(test::NearColour(drawing.pixel(at), expected)) << "drawing, mode " << r.mode;
      }
      ResetWindows();
    }
  }
}

TEST_F(DrawPanel, BordersRestyleLiveAndEventsReportClientCoordinates) {
  struct Row {
    int border, edge;
    QRgb corner, inner;  // pixels (0, 0) and (1, 1) of the panel
  };
  const Row rows[] = {
      {0, 0, kBlue, kBlue},           {1, 2, 0xFFA0A0A0, 0xFF696969}, {2, 2, 0xFFE3E3E3, kWhite},
      {3, 1, 0xFFA0A0A0, kBlue},      {4, 2, 0xFFA0A0A0, kWhite},     {5, 1, 0xFF000000, kBlue},
  };
  DrawPanelUnit& panel = Load(60, 40, {{dp::kBackColour, Word(kBlueWord)}, {dp::kAutoRedraw, Word(1)}});
  for (const Row& r : rows) {
    WriteUnitProperty(kMain, kPanel, dp::kBorder, -1, IntValue(r.border));
    EXPECT_EQ(panel.Client()->geometry(), QRect(r.edge, r.edge, 60 - 2 * r.edge, 40 - 2 * r.edge)) << r.border;
    EXPECT_EQ(panel.OffscreenCopy()->size(), panel.Client()->size()) << r.border;
    const QImage look = panel.Widget()->grab().toImage();
    EXPECT_EQ(look.pixel(0, 0), r.corner) << "border " << r.border;
    EXPECT_EQ(look.pixel(1, 1), r.inner) << "border " << r.border;
    Recorder::calls.clear();
    QTest::mouseClick(panel.Client(), Qt::RightButton, {}, QPoint(5, 7));
    ASSERT_EQ(Recorder::calls.size(), 1u) << "border " << r.border;  // the window's h1 does not run
    EXPECT_EQ(Recorder::calls[0].handler, 0);
    EXPECT_EQ(Recorder::calls[0].arguments, (std::vector<std::int32_t>{5, 7, 0})) << "border " << r.border;
  }
}

TEST_F(DrawPanel, CanvasPictureSizesAndHeader) {
  struct Row {
    TypedValue width, height;
    std::uint32_t wantWidth, wantHeight;
  };
  const Row rows[] = {
      {{}, {}, 200, 100},
      {TypedValue::Integer(0), TypedValue::Integer(0), 200, 100},
      {TypedValue::Integer(50), TypedValue::Integer(30), 50, 30},
      {TypedValue::Integer(-50), TypedValue::Integer(-50), 100, 50},
      {TypedValue::Integer(-5), TypedValue::Integer(-5), 20, 10},  // at least 10 percent
      {TypedValue::Integer(-150), TypedValue::Integer(7), 300, 7},
  };
  Load(200, 100, {{dp::kBackColour, Word(kBlueWord)}, {dp::kAutoRedraw, Word(1)}});
  int n = 0;
  for (const Row& r : rows) {
    ++n;
    const std::string bmp = CanvasPicture(r.width, r.height);
    const std::uint32_t row = (r.wantWidth * 3 + 3) / 4 * 4;
    ASSERT_GE(bmp.size(), 54u) << "row " << n;
    EXPECT_EQ(bmp.substr(0, 2), "BM") << "row " << n;
    EXPECT_EQ(Le32(bmp, 2), bmp.size()) << "row " << n;
    EXPECT_EQ(bmp.size(), 54 + row * r.wantHeight) << "row " << n;
    EXPECT_EQ(Le32(bmp, 10), 54u) << "row " << n;
    EXPECT_EQ(Le32(bmp, 14), 40u) << "row " << n;
    EXPECT_EQ(Le32(bmp, 18), r.wantWidth) << "row " << n;
    EXPECT_EQ(Le32(bmp, 22), r.wantHeight) << "row " << n;
    EXPECT_EQ(Le32(bmp, 26), 24u << 16 | 1u) << "row " << n;  // planes 1, 24 bits
    EXPECT_EQ(Le32(bmp, 30), 0u) << "row " << n;
    EXPECT_EQ(Le32(bmp, 34), row * r.wantHeight) << "row " << n;
    EXPECT_EQ(Decoded(bmp).pixel(0, 0), kBlue) << "row " << n;
  }
}

TEST_F(DrawPanel, CanvasPictureRowsAreBottomUpAndReadBack) {
  // Red in the top ten rows, blue below: the file's first row is the bottom one.
  Load(41, 30, {{dp::kBackColour, Word(kBlueWord)}, {dp::kBackPictureMode, Word(0)},
                {dp::kBackPicture, testing::Text(PictureBytes(41, 10, kRed))}, {dp::kAutoRedraw, Word(1)}});
  const std::string bmp = CanvasPicture({}, {});
  const std::size_t row = 124;  // 41 × 3 padded to 4
  ASSERT_EQ(bmp.size(), 54 + row * 30);
  EXPECT_EQ(bmp.substr(54, 3), std::string("\xFF\x00\x00", 3));              // bottom row: blue
  EXPECT_EQ(bmp.substr(54 + 29 * row + 120, 3), std::string("\x00\x00\xFF", 3));  // top row, last pixel: red
  EXPECT_EQ(bmp.substr(54 + 123, 1), std::string(1, '\0'));                   // padding
  const QImage image = Decoded(bmp);
  EXPECT_EQ(image.pixel(40, 9), kRed);
  EXPECT_EQ(image.pixel(40, 10), kBlue);
}

TEST_F(DrawPanel, AutoRedrawKeepsTheDrawingInTheCopyAndOffShowsTheScreen) {
  DrawPanelUnit& panel = Load(100, 60, {{dp::kBackColour, Word(kWhiteWord)}, {dp::kAutoRedraw, Word(1)}}, true);
  EXPECT_EQ(FindUnitObject(kMain, kChild)->Widget()->parentWidget(), panel.Client());
  struct Step {
    const char* what;
    void (*act)(DrawPanelUnit&);
    QRgb atSquare, atChild;  // pixels (5, 5) and (60, 40) of the canvas picture
    bool copy;
  };
  static auto drawSquare = [](DrawPanelUnit& p) { p.Draw([](QPainter& q) { q.fillRect(QRect(0, 0, 10, 10), Qt::red); }); };
  const Step steps[] = {
      {"drawn with the copy", [](DrawPanelUnit& p) { drawSquare(p); }, kRed, kWhite, true},
      {"auto-redraw off", [](DrawPanelUnit&) { WriteUnitProperty(kMain, kPanel, dp::kAutoRedraw, -1, IntValue(0)); },
       kWhite, 0, false},
      {"drawn without the copy", [](DrawPanelUnit& p) { drawSquare(p); }, kRed, 0, false},
      {"back colour repaints", [](DrawPanelUnit&) { WriteUnitProperty(kMain, kPanel, dp::kBackColour, -1, IntValue(kBlueWord)); },
       kBlue, 0, false},
  };
  for (const Step& s : steps) {
    s.act(panel);
    const QImage picture = Decoded(CanvasPicture({}, {}));
    ASSERT_EQ(picture.size(), QSize(100, 60)) << s.what;
    EXPECT_EQ(picture.pixel(5, 5), s.atSquare) << s.what;
    // Without the copy the picture is the screen, the unit inside the panel included.
    if (s.atChild != 0) EXPECT_EQ(picture.pixel(60, 40), s.atChild) << s.what;
    else EXPECT_NE(picture.pixel(60, 40), picture.pixel(5, 55)) << s.what;
    EXPECT_EQ(panel.OffscreenCopy() != nullptr, s.copy) << s.what;
  }
}

TEST_F(DrawPanel, SettingsAreClampedAndMakeTheTools) {
  DrawPanelUnit& panel = Load(50, 50, {{dp::kPenWidth, Word(50000)}, {dp::kBrushType, Word(99)}});
  EXPECT_EQ(ReadUnitProperty(kMain, kPanel, dp::kPenWidth, -1).word, 32767);
  EXPECT_EQ(panel.Pen().width(), 32767);
  EXPECT_EQ(ReadUnitProperty(kMain, kPanel, dp::kBrushType, -1).word, 55);
  struct Row {
    int index;
    std::int64_t written, stored;
  };
  const Row rows[] = {{dp::kPenWidth, 40000, 32767}, {dp::kPenWidth, -3, 0}, {dp::kDrawMode, 20, 15},
                      {dp::kBrushType, -1, 0},       {dp::kPenType, 9, 6},   {dp::kBorder, 7, 5}};
  for (const Row& r : rows) {
    WriteUnitProperty(kMain, kPanel, r.index, -1, IntValue(r.written));
    EXPECT_EQ(ReadUnitProperty(kMain, kPanel, r.index, -1).word, r.stored) << r.index << " := " << r.written;
  }
  EXPECT_EQ(panel.Pen().width(), 0);
  EXPECT_EQ(panel.DrawMode(), QPainter::RasterOp_SetDestination);
  EXPECT_EQ(panel.Brush().style(), Qt::NoBrush);
  WriteUnitProperty(kMain, kPanel, dp::kDrawMode, -1, IntValue(6));
  WriteUnitProperty(kMain, kPanel, dp::kPenType, -1, IntValue(1));
  WriteUnitProperty(kMain, kPanel, dp::kPenColour, -1, IntValue(0x00FFFFFF));
  WriteUnitProperty(kMain, kPanel, dp::kAutoRedraw, -1, IntValue(1));
  // Exclusive or with white inverts what lies beneath: the grey back colour turns 0x0F0F0F.
  panel.Draw([](QPainter& p) { p.drawLine(0, 2, 49, 2); });
  EXPECT_EQ(panel.OffscreenCopy()->pixel(10, 2), 0xFF0F0F0F);
}

}  // namespace
}  // namespace zorvel::forms
