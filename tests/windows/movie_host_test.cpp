// The movie host on real widgets: a host navigated to a page and movie written to a
// temporary folder plays the movie in its document window; a window with a colour key
// shows it over transparency (alpha) or cut to its shape; bad pages show nothing; a
// destroyed window stops playing; the automation members and the player menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "resources/movies.h"
#include "runtime/automation.h"
#include "tests/support/temp_folder.h"
#include "windows/movie_host.h"

namespace zorvel::forms {
namespace {

using automation::Access;
using automation::Ref;
using automation::Variant;

// A page as the effect writes it, and its movie beside it. Gives the page's path in the
// program's form (backslashes).
std::string WritePage(const test::TempFolder& folder, const std::string& name, int movie, const std::string& size,
                      const std::string& colour = "#000000") {
  const std::string swf = name + ".swf";
  EXPECT_TRUE(test::WriteBytes(folder / swf, resources::CelebrationMovie(movie)));
  const std::string page = "<html><body style=\"margin:0;background-color:#000000\" scroll=\"no\">\n<embed src=\"" + swf +
                           "\" " + size + " bgcolor=\"" + colour + "\" quality=\"high\">\n</body></html>\n";
  EXPECT_TRUE(test::WriteBytes(folder / (name + ".qz"), page));
  std::string path = folder / (name + ".qz");
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

struct Effect {
  std::unique_ptr<QWidget> window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
  QWidget* host = nullptr;
  QWidget* document() const { return DocumentWindowOf(host); }
};

// A keyed window like the effect's: colour key black, then shown, then the host over it.
Effect PlayKeyed(const std::string& page, QSize size = {480, 270}) {
  Effect e;
  e.window->resize(size);
  SetColourKey(e.window.get(), 0);
  e.window->show();
  e.host = CreateMovieHost(e.window.get(), page, e.window->rect());
  return e;
}

int Bright(QRgb p) { return std::max({qRed(p), qGreen(p), qBlue(p)}); }

// Waits (processing events) until the movie has drawn a frame with at least `pixels`
// pixels more than half covered.
bool WaitForSparks(QWidget* window, int pixels = 200) {
  return QTest::qWaitFor([&] {
    int n = 0;
    for (const QRect& r : InputRegionOf(window)) n += r.width() * r.height();
    return n >= pixels;
  }, 5000);
}

class MovieHost : public ::testing::Test {
 protected:
  void TearDown() override { ForceShapeSeeThroughForTests(false); }
  test::TempFolder folder_{"zorvel-movie-host"};
};

TEST_F(MovieHost, KeyedWindowShowsSparksOverTransparencyWithAlpha) {
  const std::string page = WritePage(folder_, "qarn-1234", 1, "width=\"480\" height=\"270\"");
  Effect e = PlayKeyed(page);
  // The offscreen platform composites; a plain X server does not (the shape test below).
  if (SeeThroughOf(e.window.get()) != SeeThrough::kAlpha) GTEST_SKIP() << "no compositing here";
  EXPECT_TRUE(e.window->testAttribute(Qt::WA_TranslucentBackground));
  EXPECT_EQ(ColourKeyOf(e.window.get()), 0u);

  // The chain of windows, each filling the host.
  EXPECT_EQ(WindowClassOf(e.host), "AtlAxWin");
  QWidget* w = e.host;
  for (const char* name : kDocumentChain) {
    QWidget* child = w->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(child, nullptr) << name;
    EXPECT_EQ(WindowClassOf(child), name);
    EXPECT_EQ(child->geometry(), QRect(0, 0, 480, 270)) << name;
    w = child;
  }
  EXPECT_EQ(w, e.document());

  ASSERT_TRUE(WaitForSparks(e.window.get()));
  const QImage shot = e.window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QRegion input = InputRegionOf(e.window.get());
  int clear = 0, sparks = 0, darkOpaque = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y);
      if (qAlpha(p) == 0) ++clear;
      if (qAlpha(p) == 255 && Bright(p) > 100) {
        ++sparks;
        EXPECT_TRUE(input.contains(QPoint(x, y))) << x << "," << y;
      }
      // The black night is see-through: no opaque black pixel is left.
      if (qAlpha(p) > 0 && Bright(p) == 0) ++darkOpaque;
      if (qAlpha(p) <= 127) EXPECT_FALSE(input.contains(QPoint(x, y))) << x << "," << y;
    }
  }
  EXPECT_GT(clear, shot.width() * shot.height() / 2);
  EXPECT_GT(sparks, 50);
  EXPECT_EQ(darkOpaque, 0);
}

TEST_F(MovieHost, KeyedWindowWithoutCompositorIsCutToTheMoviesShape) {
  ForceShapeSeeThroughForTests(true);
  const std::string page = WritePage(folder_, "qarn-77", 2, "");
  Effect e = PlayKeyed(page, {400, 300});
  EXPECT_EQ(SeeThroughOf(e.window.get()), SeeThrough::kShape);
  EXPECT_FALSE(e.window->testAttribute(Qt::WA_TranslucentBackground));
  ASSERT_TRUE(WaitForSparks(e.window.get()));
  const QRegion mask = e.window->mask();
  EXPECT_EQ(mask, InputRegionOf(e.window.get()));
  // Inside the shape every pixel is opaque in the spark's own colour, not darkened
  // towards the black night.
  const QImage shot = e.window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  int inside = 0, dim = 0;
  for (const QRect& r : mask) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        ++inside;
        if (Bright(shot.pixel(x, y)) < 40) ++dim;
      }
    }
  }
  EXPECT_GT(inside, 200);
  EXPECT_EQ(dim, 0);
  EXPECT_LT(inside, 400 * 300 / 2);
}

// The key given after the window is shown and the movie plays: the next frames are keyed.
TEST_F(MovieHost, ColourKeyGivenWhilePlaying) {
  const std::string page = WritePage(folder_, "qarn-8", 2, "");
  QWidget window(nullptr, Qt::FramelessWindowHint);
  window.resize(300, 200);
  window.show();
  CreateMovieHost(&window, page, window.rect());
  QTest::qWait(30);
  EXPECT_EQ(qAlpha(window.grab().toImage().convertToFormat(QImage::Format_ARGB32).pixel(2, 2)), 255);
  EXPECT_TRUE(InputRegionOf(&window).isEmpty());
  SetColourKey(&window, 0);
  ASSERT_TRUE(WaitForSparks(&window, 20));
  if (SeeThroughOf(&window) == SeeThrough::kShape) {
    EXPECT_EQ(window.mask(), InputRegionOf(&window));
  } else {
    const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(shot.pixel(2, 2)), 0);
  }
}

TEST_F(MovieHost, BadPagesAndMoviesShowNothing) {
  ASSERT_TRUE(test::WriteBytes(folder_ / "no-embed.qz", "<html><body>nothing</body></html>"));
  ASSERT_TRUE(test::WriteBytes(folder_ / "missing-movie.qz", "<embed src=\"gone.swf\">"));
  ASSERT_TRUE(test::WriteBytes(folder_ / "bad-movie.swf", "GIF89a: no movie"));
  ASSERT_TRUE(test::WriteBytes(folder_ / "bad-movie.qz", "<embed src=\"bad-movie.swf\">"));
  ASSERT_TRUE(test::WriteBytes(folder_ / "outside.qz", "<embed src=\"..\\qarn-1.swf\">"));
  const std::string pages[] = {"about:blank", "", folder_ / "absent.qz", folder_ / "no-embed.qz",
                               folder_ / "missing-movie.qz", folder_ / "bad-movie.qz", folder_ / "outside.qz"};
  for (const std::string& page : pages) {
    const std::int64_t before = MovieFramesDrawn();
    Effect e = PlayKeyed(page, {200, 120});
    QTest::qWait(50);
    EXPECT_EQ(MovieFramesDrawn(), before) << page;
    EXPECT_TRUE(InputRegionOf(e.window.get()).isEmpty()) << page;
    if (SeeThroughOf(e.window.get()) == SeeThrough::kShape) {
      EXPECT_TRUE(e.window->mask().intersected(e.window->rect()).isEmpty()) << page;
      continue;
    }
    const QImage shot = e.window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    int shown = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) shown += qAlpha(shot.pixel(x, y)) != 0;
    EXPECT_EQ(shown, 0) << page;
  }
}

TEST_F(MovieHost, DestroyingTheWindowStopsPlaying) {
  const std::string page = WritePage(folder_, "qarn-5", 2, "width=\"320\" height=\"200\"");
  Effect e = PlayKeyed(page, {320, 200});
  QPointer<QTimer> timer = e.document()->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  const std::int64_t start = MovieFramesDrawn();
  ASSERT_TRUE(QTest::qWaitFor([&] { return MovieFramesDrawn() >= start + 3; }, 3000));
  EXPECT_TRUE(timer->isActive());
  e.window.reset();
  EXPECT_TRUE(timer.isNull());
  const std::int64_t after = MovieFramesDrawn();
  QTest::qWait(200);
  EXPECT_EQ(MovieFramesDrawn(), after);
}

TEST_F(MovieHost, AutomationMembersNavigateAndKeepStyles) {
  const std::string first = WritePage(folder_, "qarn-1", 1, "width=\"300\" height=\"200\"");
  const std::string second = WritePage(folder_, "qarn-2", 3, "width=\"300\" height=\"200\"", "#102030");
  // No colour key: the page's background is drawn, opaque.
  QWidget window(nullptr, Qt::FramelessWindowHint);
  window.resize(320, 220);
  window.show();
  QWidget* host = CreateMovieHost(&window, first, QRect(10, 10, 300, 200));
  EXPECT_EQ(MovieHostControl(&window), nullptr);
  EXPECT_EQ(DocumentObjectOf(host), nullptr);
  Ref control = Ref::Adopt(MovieHostControl(host));
  ASSERT_TRUE(control);
  EXPECT_EQ(control->Invoke("LocationURL", Access::kGet, {})->text(), first);

  const Variant url = Variant::Text(second);
  ASSERT_TRUE(control->Invoke("navigate2", Access::kCall, std::span(&url, 1)));
  EXPECT_EQ(control->Invoke("LocationURL", Access::kGet, {})->text(), second);
  QTest::qWait(30);
  const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(shot.pixel(12, 12), qRgb(0x10, 0x20, 0x30));  // the second page's background
  EXPECT_EQ(qAlpha(shot.pixel(200, 150)), 255);

  const Variant exec[] = {Variant::Integer(63), Variant::Integer(2), Variant(), Variant()};
  EXPECT_TRUE(control->Invoke("ExecWB", Access::kCall, exec));
  EXPECT_FALSE(control->Invoke("Quit", Access::kCall, {}));
  EXPECT_FALSE(control->Invoke("Navigate2", Access::kCall, {}));

  const auto document = control->Invoke("Document", Access::kGet, {});
  ASSERT_TRUE(document && document->object());
  const auto body = document->object()->Invoke("body", Access::kGet, {});
  ASSERT_TRUE(body && body->object());
  const auto style = body->object()->Invoke("style", Access::kGet, {});
  ASSERT_TRUE(style && style->object());
  const std::pair<const char*, const char*> puts[] = {
      {"overflow", "hidden;"}, {"overflowX", "hidden;"}, {"OVERFLOWY", "hidden;"}, {"border", "0px none #CCCCCC;"}};
  for (const auto& [name, value] : puts) {
    const Variant v = Variant::Text(value);
    EXPECT_TRUE(style->object()->Invoke(name, Access::kPut, std::span(&v, 1))) << name;
  }
  for (const auto& [name, value] : puts) {
    const auto got = style->object()->Invoke(name, Access::kGet, {});
    ASSERT_TRUE(got) << name;
    EXPECT_EQ(got->text(), value) << name;
  }
  EXPECT_FALSE(style->object()->Invoke("color", Access::kGet, {}));

  const auto parent = document->object()->Invoke("parentWindow", Access::kGet, {});
  ASSERT_TRUE(parent && parent->object());
  const Variant script[] = {Variant::Text("document.body.style.overflow='hidden';"), Variant::Text("JavaScript")};
  EXPECT_TRUE(parent->object()->Invoke("execScript", Access::kCall, script));
  EXPECT_EQ(LastScriptOf(DocumentWindowOf(host)), "document.body.style.overflow='hidden';");
  // Drawing did not change: no scroll bars or border to hide.
  EXPECT_EQ(window.grab().toImage().convertToFormat(QImage::Format_ARGB32).pixel(12, 12), qRgb(0x10, 0x20, 0x30));

  // Objects held past the window answer nothing, without crashing.
  delete host;
  EXPECT_FALSE(control->Invoke("LocationURL", Access::kGet, {}));
  EXPECT_FALSE(style->object()->Invoke("border", Access::kGet, {}));
}

// Right button released on the document window: the player's own menu, handled by the
// window itself (no event filter in between).
TEST_F(MovieHost, RightClickShowsThePlayerMenu) {
  const std::string page = WritePage(folder_, "qarn-9", 2, "width=\"320\" height=\"200\"");
  Effect e = PlayKeyed(page, {320, 200});
  ASSERT_TRUE(WaitForSparks(e.window.get(), 20));

  // Opens the menu, notes its items and picks the one with the text.
  auto choose = [&](const QString& text) {
    QStringList items;
    bool found = false;
    std::function<void(int)> poll = [&](int tries) {
      QTimer::singleShot(10, [&, tries] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
          if (tries > 0) poll(tries - 1);
          return;
        }
        for (QAction* a : menu->actions()) {
          items << a->text();
          if (a->text() == text) {
            found = true;
            menu->setActiveAction(a);
          }
        }
        if (found) QTest::keyClick(menu, Qt::Key_Return);
        else menu->close();
      });
    };
    poll(200);
    QTest::mouseClick(e.document(), Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_TRUE(found) << items.join(",").toStdString();
    return items;
  };

  EXPECT_EQ(choose(QString::fromUtf8("暂停")), (QStringList{QString::fromUtf8("重新播放"), QString::fromUtf8("暂停")}));
  const std::int64_t paused = MovieFramesDrawn();
  QTimer* timer = e.document()->findChild<QTimer*>();
  EXPECT_FALSE(timer->isActive());
  QTest::qWait(150);
  EXPECT_EQ(MovieFramesDrawn(), paused);

  EXPECT_EQ(choose(QString::fromUtf8("继续")), (QStringList{QString::fromUtf8("重新播放"), QString::fromUtf8("继续")}));
  EXPECT_TRUE(timer->isActive());
  ASSERT_TRUE(QTest::qWaitFor([&] { return MovieFramesDrawn() > paused; }, 2000));

  choose(QString::fromUtf8("重新播放"));
  EXPECT_TRUE(timer->isActive());
}

}  // namespace
}  // namespace zorvel::forms
