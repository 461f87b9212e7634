// The fixture of the prize-draw tests: the program's own form data and handlers, run on
// a program folder of the test's own with its own config.a, jieguo.a and pictures. The
// spin runs without its frame pacing and the celebration effect lasts a moment, unless a
// test says otherwise.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dll_commands.h"
#include "app/egg_draw.h"
#include "app/facade.h"
#include "app/handlers.h"
#include "forms/embedded.h"
#include "forms/form_data.h"
#include "windows/window_commands.h"
#include "windows/windows.h"
#include "windows/platform_procedures.h"
#include "windows/register_units.h"
#include "platform/profile/profile.h"
#include "resources/egg_pictures.h"
#include "text/gbk.h"
#include "runtime/program.h"
#include "tests/support/qt_bmp.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_hooks.h"

namespace zorvel::app::testing {

// A picture file of one colour (BMP bytes; the program reads pictures by their content,
// whatever the file is called).
inline std::string SolidPicture(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return zorvel::test::BmpFile(image);
}

inline std::string AsBytes(std::span<const std::uint8_t> data) {
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

class AppTest : public ::testing::Test {
 protected:
  AppTest() = default;
  // A program folder whose name starts with prefix (UTF-8, or any bytes).
  explicit AppTest(std::string_view folderPrefix) : folder_(folderPrefix) {}

  void SetUp() override {
    SetRunDirectory(gbk::FromNativePath(folder_.path()));
    forms::ResetWindows();
    forms::RegisterUnitTypes();
    forms::ProvideWindowServices();
    forms::ProvidePlatformProcedures();
    DeclareDllCommands(dll::ProgramDllCommands());
    const std::optional<forms::FormData> data = forms::ParseFormData(forms::EmbeddedFormData());
    ASSERT_TRUE(data.has_value());
    forms::SetTemplates(*data);
    forms::SetHandlerTable(HandlerTable());
    zorvel::test::ResetTestHooks();
    egg_draw::ResetTestHooks();
    egg_draw::SetSpinFramePacing(std::chrono::milliseconds(0));
    egg_draw::SetEffectDuration(20);
  }
  void TearDown() override {
    forms::ResetWindows();
    zorvel::test::ResetTestHooks();
    egg_draw::ResetTestHooks();
    SetRunDirectory("");
  }

  // A file of the program folder by its UTF-8 name ("config.a", "奖品图片/3.jpg").
  std::string Path(const std::string& name) const { return folder_ / name; }
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    ASSERT_TRUE(zorvel::test::WriteBytes(Path(name), bytes)) << name;
  }
  std::string ReadFile(const std::string& name) const { return zorvel::test::ReadBytes(Path(name)); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

  // One key of a settings file, UTF-8 in and out, as an operator's editor would leave it.
  void Set(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    ASSERT_TRUE(profile::WriteString(Path(file), gbk::FromUtf8(section), gbk::FromUtf8(key), gbk::FromUtf8(value)));
  }
  void SetConfig(const std::string& key, const std::string& value, const std::string& section = "zbt") {
    Set("config.a", section, key, value);
  }
  std::string Get(const std::string& file, const std::string& section, const std::string& key) const {
    return gbk::ToUtf8(profile::ReadString(Path(file), gbk::FromUtf8(section), gbk::FromUtf8(key), "", 10240));
  }
  std::string WinCount(int level) const { return Get("jieguo.a", "zjjg", "j" + std::to_string(level)); }

  // Eight prize cards of distinct colours (level N: hue N × 40).
  void WritePrizePictures() {
    for (int level = 1; level <= 8; ++level)
      WriteFile("奖品图片/" + std::to_string(level) + ".jpg", PrizePicture(level));
  }
  static std::string PrizePicture(int level) { return SolidPicture(64, 48, QColor::fromHsv(level * 40, 200, 220)); }

  // Loads the main window as the program does at start (its created handler runs).
  void StartProgram() {
    ASSERT_TRUE(forms::LoadAndShowWindow(ids::main::kWindow.window, nullptr, false));
    ASSERT_NE(forms::FindLoadedWindow(ids::main::kWindow.window), nullptr);
  }
  // Ends the program's windows and starts it again from the form data.
  void RestartProgram() {
    forms::ResetWindows();
    forms::SetTemplates(*forms::ParseFormData(forms::EmbeddedFormData()));
    StartProgram();
  }
  QWidget* WidgetOf(UnitName unit) const {
    forms::Unit* u = forms::FindUnitObject(unit.window, (unit.id >> 24) == 0x06 ? 0 : unit.id);
    return u != nullptr ? u->Widget() : nullptr;
  }

  zorvel::test::TempFolder folder_;
};

}  // namespace zorvel::app::testing
