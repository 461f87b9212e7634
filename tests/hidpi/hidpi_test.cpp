// A high-density screen: 1920 x 1080 pixels at a device pixel ratio of 2
// (QT_SCALE_FACTOR=2 on the offscreen platform). The program works in Qt's
// device-independent pixels, 960 x 540 here, and pictures with more pixels than their
// place show their detail in the screen's device pixels.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <functional>

#include "app/settings_window.h"
#include "runtime/commands.h"
#include "runtime/ui/system.h"
#include "tests/app/app_test.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "windows/units/pic_box/pic_box.h"
#include "windows/units/window/window_unit.h"

namespace zorvel::app::testing {
namespace {

// A picture whose neighbouring pixels always differ: black and white alternate.
std::string Checkerboard(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, (x + y) % 2 != 0 ? 0xFFFFFFFFu : 0xFF000000u);
  return zorvel::test::BmpFile(image);
}

// The pixels of the area that are not pure black or white, or equal to their right or
// lower neighbour: none where the checkerboard is shown pixel for pixel.
int LostDetail(const QImage& image, const QRect& area) {
  int lost = 0;
  for (int y = area.top(); y < area.bottom(); ++y) {
    for (int x = area.left(); x < area.right(); ++x) {
      const QRgb p = image.pixel(x, y) & 0xFFFFFF;
      if ((p != 0 && p != 0xFFFFFF) || p == (image.pixel(x + 1, y) & 0xFFFFFF) || p == (image.pixel(x, y + 1) & 0xFFFFFF))
        ++lost;
    }
  }
  return lost;
}

// The widget's own painting (no child units over it) in device pixels.
QImage OwnPainting(QWidget* widget) {
  const qreal ratio = widget->devicePixelRatioF();
  QPixmap pixmap(widget->size() * ratio);
  pixmap.setDevicePixelRatio(ratio);
  widget->render(&pixmap, QPoint(), QRegion(), QWidget::DrawWindowBackground);
  return pixmap.toImage();
}

class HighDensityTest : public AppTest {
 public:
  // For the table's rows.
  using AppTest::WidgetOf;
  using AppTest::WritePrizePictures;
};

TEST_F(HighDensityTest, TheProgramWorksInDeviceIndependentPixels) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
  EXPECT_EQ(Call(cmd::ScreenWidth).integer(), 960);
  EXPECT_EQ(Call(cmd::ScreenHeight).integer(), 540);
  StartProgram();
  const UnitName main = ids::main::kWindow;
  EXPECT_EQ(WidgetOf(main)->frameGeometry(), QRect(0, 0, 960, 540));
  EXPECT_EQ(QRect(Left(main), Top(main), Width(main), Height(main)), QRect(0, 0, 960, 540));
  // Stored places are the same numbers on any screen: an egg at 300, 200 stands there.
  SetLeft(ids::main::kEgg3, 300);
  SetTop(ids::main::kEgg3, 200);
  EXPECT_EQ(WidgetOf(ids::main::kEgg3)->pos(), QPoint(300, 200));
  EXPECT_EQ(WidgetOf(ids::main::kEgg3)->mapTo(WidgetOf(main), QPoint(0, 0)), QPoint(300, 200));
}

TEST_F(HighDensityTest, PicturesShowEveryPixelTheScreenHas) {
  StartProgram();
  struct Row {
    const char* what;
    // Gives the picture a place and returns the widget that paints it and the place in
    // the widget's coordinates.
    std::function<std::pair<QWidget*, QRect>(HighDensityTest&)> show;
  };
  const Row rows[] = {
      {"window background, stretched",
       [](HighDensityTest&) {
         auto* window = forms::FindLoadedWindow(ids::main::kWindow.window)->units[0]->Client();
         const QRect place = window->rect();
         SetPictureProperty(ids::main::kWindow, forms::window_property::kBackPicture, Checkerboard(place.size() * 2));
         return std::pair{window, place};
       }},
      {"prize canvas, shrunk to fit",
       [](HighDensityTest&) {
         Show(ids::main::kPrizeCanvas);
         QWidget* canvas = forms::FindUnitObject(ids::main::kPrizeCanvas.window, ids::main::kPrizeCanvas.id)->Client();
         const QRect place = canvas->rect();
         SetPictureProperty(ids::main::kPrizeCanvas, forms::draw_panel_property::kBackPicture,
                            Checkerboard(place.size() * 2));
         return std::pair{canvas, place};
       }},
      {"settings picture box, stretched",
       [](HighDensityTest& t) {
         t.WritePrizePictures();
         forms::LoadAndShowWindow(ids::settings::kWindow.window, nullptr, false);
         auto* box = static_cast<forms::PicBoxWidget*>(t.WidgetOf(settings_window::kPictures[0]));
         const QRect place = box->PictureRect();
         SetPictureProperty(settings_window::kPictures[0], forms::pic_box_property::kPicture,
                            Checkerboard(place.size() * 2));
         return std::pair{static_cast<QWidget*>(box), place};
       }},
  };
  for (const Row& row : rows) {
    const auto [widget, place] = row.show(*this);
    ASSERT_NE(widget, nullptr) << row.what;
    ASSERT_FALSE(place.isEmpty()) << row.what;
    const QImage shown = OwnPainting(widget);
    ASSERT_EQ(shown.size(), widget->size() * 2) << row.what;
    const QRect devicePlace(place.topLeft() * 2, place.size() * 2);
    EXPECT_EQ(LostDetail(shown, devicePlace), 0) << row.what;
  }
}

}  // namespace
}  // namespace zorvel::app::testing
