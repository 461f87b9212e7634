// The program's own form data, loaded by the window core: every one of its six windows
// loads, with a live unit for each of its records but the menu items; the start-up of
// the runtime application fails with its runtime error when the start-up window cannot
// load, and ends with code 0 when the last window goes.
#include <gtest/gtest.h>

#include <QTimer>

#include "app/dll_commands.h"
#include "app/handlers.h"
#include "forms/embedded.h"
#include "runtime/error.h"
#include "runtime/program.h"
#include "runtime/ui/message_box.h"
#include "tests/support/temp_folder.h"
#include "tests/windows/window_test.h"
#include "text/gbk.h"
#include "windows/platform_procedures.h"
#include "windows/runtime_app.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

int PrintError(int, int, const char* message) {
  fprintf(stderr, "runtime error: %s\n", gbk::ToUtf8(message).c_str());
  return 1;
}

using EmbeddedForms = testing::WindowTest;
using RuntimeAppTest = testing::WindowTest;

TEST_F(EmbeddedForms, EveryWindowLoadsWithAllItsUnits) {
  const std::optional<FormData> data = ParseFormData(EmbeddedFormData());
  ASSERT_TRUE(data.has_value());
  ASSERT_EQ(data->windowIds.size(), 6u);
  EXPECT_EQ(data->windowIds[0], app::kMainWindow);
  EXPECT_EQ(EmbeddedHandlerNames().size(), app::HandlerTable().size());
  SetTemplates(*data);
  SetHandlerTable(app::HandlerTable());
  // The effect window plays its movie through the program's DLL commands, from a cache
  // folder of the test's own.
  const zorvel::test::TempFolder cache("zorvel-forms-cache");
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  ProvidePlatformProcedures();
  DeclareDllCommands(app::dll::ProgramDllCommands());
  for (std::uint32_t id : data->windowIds) {
    SCOPED_TRACE(::testing::Message() << "window " << std::hex << id);
    ASSERT_TRUE(LoadWindow(id, nullptr, false));
    const LoadedWindow* w = FindLoadedWindow(id);
    ASSERT_NE(w, nullptr);
    const WindowTemplate& t = *w->windowTemplate;
    ASSERT_EQ(w->units.size(), t.UnitCount());
    for (std::uint32_t i = 0; i < t.UnitCount(); ++i) {
      EXPECT_EQ(w->units[i] != nullptr, !t.IsMenuItem(i)) << "record " << i << ", unit " << std::hex << t.IdAt(i);
    }
    DestroyWindow(id);
    EXPECT_EQ(FindLoadedWindow(id), nullptr);
    EXPECT_FALSE(Templates().Find(id)->HasSavedTable());
  }
  ReleaseDllCommands();
  unsetenv("XDG_CACHE_HOME");
}

TEST(EmbeddedFormsDeathTest, StartUpFailsWhenTheStartUpWindowCannotLoad) {
  SetErrorHook(PrintError);
  EXPECT_EXIT(
      {
        int argc = 0;
        RuntimeApp app(argc, nullptr);
        app.Run(EmbeddedFormData(), app::HandlerTable(), 0x52019999);  // no such template
      },
      ::testing::ExitedWithCode(255), "载入启动窗口失败");
  SetErrorHook(nullptr);
}

TEST(EmbeddedFormsDeathTest, BrokenFormDataStopsTheStartUp) {
  SetErrorHook(PrintError);
  const std::vector<std::uint8_t> broken = {16, 0, 0, 0, 1, 0, 1, 0x52};
  EXPECT_EXIT(
      {
        int argc = 0;
        RuntimeApp app(argc, nullptr);
        app.Run(broken, app::HandlerTable(), app::kMainWindow);
      },
      ::testing::ExitedWithCode(255), "载入窗口模板数据段出错!");
  SetErrorHook(nullptr);
}

TEST_F(RuntimeAppTest, RunReturnsZeroWhenTheLastWindowIsClosed) {
  WindowDescription w;
  w.id = 0x52010001;
  w.units.push_back(testing::WindowUnitDescription(0x06010000, 10, 10, 200, 100));
  const std::vector<std::uint8_t> block = WriteFormData(std::vector<WindowDescription>{w});
  int argc = 0;
  RuntimeApp app(argc, nullptr);
  QTimer::singleShot(0, [] { RequestClose(0x52010001); });
  EXPECT_EQ(app.Run(block, {}, 0x52010001), 0);
  EXPECT_TRUE(LoadedWindows().empty());
}

// The program's own handlers run: the main window starts on a folder of the test's, and
// closing it asks first; OK ends the program with code 0.
TEST_F(RuntimeAppTest, TheProgramStartsFromItsFormDataAndEndsWhenTheExitIsConfirmed) {
  test::TempFolder folder;
  SetRunDirectory(gbk::FromUtf8(folder.path()));
  EXPECT_EXIT(
      {
        int argc = 0;
        RuntimeApp app(argc, nullptr);
        QTimer::singleShot(0, [] {
          LoadedWindow* main = FindLoadedWindow(app::kMainWindow);
          if (main == nullptr || !main->Widget()->isVisible()) _exit(3);
          ui::QueueMessageBoxAnswer(ui::kAnswerOk);
          RequestClose(app::kMainWindow);
          _exit(4);  // not reached: the confirmed exit ends the program
        });
        app.Run(EmbeddedFormData(), app::HandlerTable(), app::kMainWindow);
        _exit(5);
      },
      ::testing::ExitedWithCode(0), "");
  SetRunDirectory("");
  // The start wrote the display mode it applied.
  EXPECT_NE(test::ReadBytes(folder / "config.a").find("[zbt]"), std::string::npos);
}

}  // namespace
}  // namespace zorvel::forms
