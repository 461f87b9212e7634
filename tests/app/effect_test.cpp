// The celebration effect: the movie host object's page and files, the platform
// procedures it reaches by number, and the effect window over the main window after a
// draw (offscreen).
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <map>

#include "app/effect_window.h"
#include "app/flash_host.h"
#include "resources/movies.h"
#include "runtime/automation.h"
#include "tests/app/app_test.h"
#include "windows/movie_host.h"

namespace zorvel::app::testing {
namespace {

namespace fs = std::filesystem;
namespace main = ids::main;

class EffectTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1);
  }
  void OnlyLevel(int level) {
    const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
    for (int n = 1; n <= 8; ++n) SetConfig(numerals[n - 1], n == level ? "5" : "0");
  }
  void TearDown() override {
    AppTest::TearDown();
    unsetenv("XDG_CACHE_HOME");
  }
  // This run's folder of movie files (UTF-8).
  fs::path RunFolder() const { return fs::path(cache_.path()) / "zorvel" / "Temp" / ("zorvel-" + std::to_string(getpid())); }
  std::vector<std::string> RunFiles() const {
    std::vector<std::string> names;
    if (fs::exists(RunFolder()))
      for (const auto& entry : fs::directory_iterator(RunFolder())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // A plain top-level window of the size, with its handle.
  std::pair<std::unique_ptr<QWidget>, std::uint32_t> HostWindow(int width, int height) {
    auto window = std::make_unique<QWidget>();
    window->setWindowFlag(Qt::FramelessWindowHint);
    window->setGeometry(0, 0, width, height);
    const std::uint32_t handle = forms::HandleOf(window.get());
    return {std::move(window), handle};
  }
  QWidget* EffectWindow() const { return WidgetOf(ids::effect::kWindow); }
  static QWidget* Below(QWidget* root, const char* className) {
    for (QWidget* w : root->findChildren<QWidget*>())
      if (w->property("zorvelWindowClass").toByteArray() == className) return w;
    return nullptr;
  }

  zorvel::test::TempFolder cache_{"zorvel-effect-cache"};
};

TEST_F(EffectTest, ThePageCarriesTheMovieNameSizeAndColour) {
  const struct {
    std::uint32_t colour;
    const char* text;
  } rows[] = {{0x000000FF, "#FF0000"}, {0x00010203, "#030201"}, {0x00000000, "#000000"}, {0x00FFFFFF, "#FFFFFF"},
              {0x00A0B0C0, "#C0B0A0"}};
  FlashHost host;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string page = host.methods->BuildPage(&host, 4212, 1920, 1080, rows[i].colour);
    EXPECT_EQ(page, host.pageText) << "row " << i;
    EXPECT_NE(page.find(std::string("bgcolor=\"") + rows[i].text + "\""), std::string::npos) << "row " << i << page;
    EXPECT_NE(page.find(std::string("background-color:") + rows[i].text), std::string::npos) << "row " << i;
    EXPECT_NE(page.find("src=\"qarn-4212.swf\" width=\"1920\" height=\"1080\""), std::string::npos) << page;
    for (const char* placeholder : {"名字", "宽度", "高度", "颜色"})
      EXPECT_EQ(page.find(gbk::FromUtf8(placeholder)), std::string::npos) << placeholder << " left in row " << i;
  }
}

TEST_F(EffectTest, PlayMovieWritesItsPairPerHandleAndTheyGoWithTheWindow) {
  auto [first, firstHandle] = HostWindow(400, 300);
  auto [second, secondHandle] = HostWindow(200, 100);
  const std::string one = "qarn-" + std::to_string(firstHandle), two = "qarn-" + std::to_string(secondHandle);
  {
    FlashHost host;
    host.methods->PlayMovie(&host, firstHandle, "", 0, false);
    EXPECT_EQ(fs::file_size(RunFolder() / (one + ".swf")), 18547u) << "an empty movie plays the default one";
    EXPECT_EQ(zorvel::test::ReadBytes(RunFolder() / (one + ".swf")), std::string(resources::DefaultMovie()));
    EXPECT_EQ(zorvel::test::ReadBytes(RunFolder() / (one + ".qz")), host.pageText);
    EXPECT_EQ(host.width, 400);
    EXPECT_EQ(host.height, 300);
    EXPECT_EQ(host.hostWindow, firstHandle);
    EXPECT_NE(host.controlWindow, 0u);
    EXPECT_NE(host.control, nullptr);
    EXPECT_EQ(gbk::ToUtf8(host.pageFile), cache_.path() + "/zorvel/Temp\\zorvel-" + std::to_string(getpid()) + "\\" + one + ".qz")
        << "the program's own path, with its separator";
    host.methods->Destroy(&host);
    EXPECT_EQ(host.control, nullptr);
    EXPECT_TRUE(host.pageFile.empty());
  }
  // The same handle again: the pair is written anew, through no link planted in its place.
  fs::create_symlink(fs::path(cache_.path()) / "victim", RunFolder() / (two + ".swf"));
  for (std::string_view movie : {resources::CelebrationMovie(1), resources::CelebrationMovie(3)}) {
    FlashHost host;
    host.methods->PlayMovie(&host, secondHandle, movie, 0x00FF00, false);
    host.methods->Destroy(&host);
    EXPECT_EQ(zorvel::test::ReadBytes(RunFolder() / (two + ".swf")), std::string(movie));
  }
  EXPECT_FALSE(fs::exists(fs::path(cache_.path()) / "victim")) << "the link was replaced, not written through";
  EXPECT_FALSE(fs::is_symlink(RunFolder() / (two + ".swf")));
  EXPECT_EQ(RunFiles(), (std::vector<std::string>{one + ".qz", one + ".swf", two + ".qz", two + ".swf"}));
  struct stat st {};
  ASSERT_EQ(stat(RunFolder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u) << "the run's folder is the user's alone";

  first.reset();
  EXPECT_EQ(RunFiles(), (std::vector<std::string>{two + ".qz", two + ".swf"})) << "a window takes its pair along";
  second.reset();
  EXPECT_TRUE(RunFiles().empty());
  RemoveRunTemporaryFolder();
  EXPECT_FALSE(fs::exists(RunFolder()));
}

TEST_F(EffectTest, TheStartRemovesTheFoldersOfEndedRunsOnly) {
  const fs::path temp = fs::path(cache_.path()) / "zorvel" / "Temp";
  ASSERT_FALSE(RunTemporaryFolder().empty());
  // A process that has ended, one that runs (this one's parent), and a folder of another name.
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  for (const std::string& name :
       {"zorvel-" + std::to_string(ended), "zorvel-" + std::to_string(getppid()), std::string("zorvel-notes")}) {
    fs::create_directory(temp / name);
    fs::permissions(temp / name, fs::perms::owner_all);
    ASSERT_TRUE(zorvel::test::WriteBytes(temp / name / "qarn-4.swf", "movie"));
  }
  RemoveEndedRunsTemporaryFolders();
  EXPECT_FALSE(fs::exists(temp / ("zorvel-" + std::to_string(ended))));
  EXPECT_TRUE(fs::exists(temp / ("zorvel-" + std::to_string(getppid())) / "qarn-4.swf"));
  EXPECT_TRUE(fs::exists(temp / "zorvel-notes" / "qarn-4.swf"));
  EXPECT_TRUE(fs::exists(RunFolder())) << "this run's own folder stays";
}

TEST_F(EffectTest, TheTwentyProceduresResolveByNumber) {
  const std::vector<DllCommand> commands = dll::ProgramDllCommands();
  ASSERT_EQ(commands.size(), 20u);
  std::map<void*, int> addresses;
  for (int n = 0; n < 20; ++n) {
    void* address = ResolveDllCommand(n);
    EXPECT_NE(address, nullptr) << n;
    ++addresses[address];
  }
  EXPECT_EQ(ResolveDllCommand(dll::kSetWindowLongA), ResolveDllCommand(dll::kSetWindowProcedure))
      << "SetWindowLongA of user32 is the same procedure as the one searched in the system libraries";
  EXPECT_EQ(ResolveDllCommand(dll::kFindWindowExA), ResolveDllCommand(dll::kFindChildWindow));
  EXPECT_EQ(addresses.size(), 18u);
  EXPECT_EXIT(
      {
        DeclareDllCommands({{"atl71.dll", "AtlAxWinInit"}});
        ResolveDllCommand(0);
      },
      ::testing::ExitedWithCode(255), "无法找到指定DLL库文件“atl71.dll”中的输出命令“AtlAxWinInit”");
}

// The host's steps through the automation objects reach the control and its document.
TEST_F(EffectTest, TheHostsStepsReachItsControlAndDocument) {
  auto [window, handle] = HostWindow(320, 200);
  window->show();
  FlashHost host;
  host.methods->PlayMovie(&host, handle, resources::CelebrationMovie(2), 0, false);
  host.methods->HideScrollBars(&host);
  host.methods->HideBorder(&host);
  QWidget* document = Below(window.get(), "Internet Explorer_Server");
  ASSERT_NE(document, nullptr);
  automation::Ref doc = automation::Ref::Adopt(forms::DocumentObjectOf(document));
  ASSERT_TRUE(doc);
  const auto body = doc->Invoke("body", automation::Access::kGet, {});
  ASSERT_TRUE(body && body->object() != nullptr);
  const auto style = body->object()->Invoke("style", automation::Access::kGet, {});
  ASSERT_TRUE(style && style->object() != nullptr);
  for (const auto& [name, value] : {std::pair{"overflow", "hidden;"}, {"overflowX", "hidden;"},
                                    {"overflowY", "hidden;"}, {"border", "0px none #CCCCCC;"}}) {
    const auto read = style->object()->Invoke(name, automation::Access::kGet, {});
    ASSERT_TRUE(read.has_value()) << name;
    EXPECT_EQ(read->text(), value) << name;
  }
  // Move and the size questions act on the control window.
  host.methods->Move(&host, 10, 20, 100, 50);
  EXPECT_EQ(host.methods->GetWidth(&host), 100);
  EXPECT_EQ(host.methods->GetHeight(&host), 50);
  EXPECT_EQ(forms::WidgetOfHandle(host.methods->GetHandle(&host))->geometry(), QRect(10, 20, 100, 50));
  // A clone shares the control.
  FlashHost* clone = host.methods->Clone(&host);
  EXPECT_EQ(clone->control, host.control);
  EXPECT_EQ(clone->pageFile, host.pageFile);
  clone->methods->Destroy(clone);
  delete clone;
  host.methods->Destroy(&host);
}

// The effect after a win: over the whole screen, sparks drawn, black see-through, no menu
// on the right button, closed by the draw's wait or by Esc.
TEST_F(EffectTest, ADrawShowsFireworksOverTheMainWindowThenClosesThem) {
  OnlyLevel(1);
  StartProgram();
  egg_draw::SetEffectDuration(700);
  QWidget* effect = nullptr;
  QRect covered;
  bool sparks = false, seeThrough = false, menuShown = false;
  QTimer::singleShot(600, [&] {
    effect = EffectWindow();
    ASSERT_NE(effect, nullptr);
    covered = effect->geometry();
    QWidget* document = Below(effect, "Internet Explorer_Server");
    ASSERT_NE(document, nullptr);
    const QImage frame = effect->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion mask = effect->mask();
    for (int y = 0; y < frame.height(); y += 3)
      for (int x = 0; x < frame.width(); x += 3) {
        const QRgb p = frame.pixel(x, y);
        const bool shown = mask.isEmpty() ? qAlpha(p) > 0 : mask.contains(QPoint(x, y));
        if (shown && qGray(p) > 60) sparks = true;
        if (!shown) seeThrough = true;
      }
    // The right button on the fireworks: the filter keeps it from the player's menu.
    QTimer::singleShot(50, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(w); menu != nullptr && menu->isVisible()) {
          menuShown = true;
          menu->close();
        }
    });
    QTest::mouseClick(document, Qt::RightButton, {}, QPoint(100, 100));
  });
  const auto started = std::chrono::steady_clock::now();
  egg_draw::DrawPrize();
  const auto waited = std::chrono::steady_clock::now() - started;
  QCoreApplication::processEvents();
  EXPECT_GE(waited, std::chrono::milliseconds(650));
  EXPECT_EQ(covered, QApplication::primaryScreen()->geometry());
  EXPECT_TRUE(sparks) << "a frame of fireworks is shown";
  EXPECT_TRUE(seeThrough) << "black shows what lies beneath";
  EXPECT_FALSE(menuShown);
  EXPECT_FALSE(IsOpen(ids::effect::kWindow)) << "the draw's wait closes the effect";

  // Esc closes it before the wait ends.
  egg_draw::SetEffectDuration(3000);
  QTimer::singleShot(100, [&] {
    ASSERT_TRUE(IsOpen(ids::effect::kWindow));
    QTest::keyClick(EffectWindow(), Qt::Key_Escape);
  });
  bool closedEarly = false;
  QTimer::singleShot(600, [&] { closedEarly = !IsOpen(ids::effect::kWindow); });
  egg_draw::DrawPrize();
  EXPECT_TRUE(closedEarly);
}

// All three movies come up over many draws, as often whatever the prize.
TEST_F(EffectTest, TheMovieIsChosenAtRandomNotByThePrize) {
  // Probability mode, the eight levels equally likely; the draws show the prize at once.
  SetConfig("lx", "真");
  const char* numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
  for (const char* numeral : numerals) SetConfig(numeral, "1");
  StartProgram();
  SetWidth(main::kPrizeCanvas, 10);
  SetHeight(main::kPrizeCanvas, 10);
  egg_draw::SetEffectDuration(1);
  const int kDraws = 300;
  int table[2][3] = {};  // levels 1-4 / 5-8 by movie
  std::vector<int> before(9);
  for (int level = 1; level <= 8; ++level) before[level] = 0;
  for (int i = 0; i < kDraws; ++i) {
    egg_draw::DrawPrize();
    QCoreApplication::processEvents();
    int level = 0;
    for (int l = 1; l <= 8; ++l)
      if (const int now = std::atoi(WinCount(l).c_str()); now != before[l]) {
        level = l;
        before[l] = now;
      }
    ASSERT_NE(level, 0) << "draw " << i;
    const int movie = effect_window::LastMovie();
    ASSERT_GE(movie, 1);
    ASSERT_LE(movie, 3);
    ++table[level <= 4 ? 0 : 1][movie - 1];
  }
  // Equal thirds: χ² with 2 degrees of freedom below its 0.1 % point (13.8); the movie
  // independent of the prize: χ² of the 2 × 3 table, 2 degrees of freedom, likewise.
  double thirds = 0, independence = 0;
  for (int m = 0; m < 3; ++m) {
    const double column = table[0][m] + table[1][m];
    thirds += std::pow(column - kDraws / 3.0, 2) / (kDraws / 3.0);
    for (int r = 0; r < 2; ++r) {
      const double row = table[r][0] + table[r][1] + table[r][2];
      const double expected = row * column / kDraws;
      independence += std::pow(table[r][m] - expected, 2) / expected;
    }
  }
  EXPECT_LT(thirds, 13.8) << table[0][0] + table[1][0] << " " << table[0][1] + table[1][1] << " "
                          << table[0][2] + table[1][2];
  EXPECT_LT(independence, 13.8);
}

}  // namespace
}  // namespace zorvel::app::testing
