// Zorvel: the prize draw's entry. One program per program folder; the runtime
// application reads the embedded form data, loads the start-up window (the main window)
// and runs the message loop until the last window goes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dll_commands.h"
#include "app/flash_host.h"
#include "app/folder_option.h"
#include "app/handlers.h"
#include "app/platform_choice.h"
#include "app/program_memory.h"
#include "app/single_instance.h"
#include "app/test_draws.h"
#include "forms/embedded.h"
#include "windows/runtime_app.h"
#include "windows/windows.h"
#include "windows/units/window/window_unit.h"
#include "text/gbk.h"
#include "runtime/program.h"
#include "runtime/sound/sound.h"

namespace {

// Brings the main window to the front for a second start on the same folder.
void RaiseMainWindow() {
  zorvel::forms::LoadedWindow* main = zorvel::forms::FindLoadedWindow(zorvel::app::kMainWindow);
  QWidget* widget = main != nullptr ? main->Widget() : nullptr;
  if (widget == nullptr) return;
  if (widget->isMinimized()) widget->showNormal();
  widget->raise();
  widget->activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
  // --folder DIR: the program folder, settled before anything reads it (the lock, the
  // settings, the record).
  const zorvel::app::FolderOption folderOption = zorvel::app::TakeFolderOption(argc, argv);
  if (!folderOption.error.empty()) {
    std::fprintf(stderr, "zorvel: %s\nusage: zorvel [--folder DIR]\n", folderOption.error.c_str());
    return 2;
  }
  if (folderOption.folder) {
    std::string error;
    const std::string folder = zorvel::app::PrepareProgramFolder(*folderOption.folder, &error);
    if (folder.empty()) {
      std::fprintf(stderr, "zorvel: %s\n", error.c_str());
      return 2;
    }
    zorvel::SetRunDirectory(zorvel::gbk::FromNativePath(folder));
  }
  zorvel::app::KeepLargeBuffersBetweenDraws();
  if (const auto platform = zorvel::app::PlatformFor(zorvel::app::CurrentSession(argc, argv)))
    setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
  zorvel::forms::RuntimeApp app(argc, argv);
  const std::string folder = zorvel::gbk::ToUtf8(zorvel::RunDirectory());
  zorvel::app::SingleInstance::Outcome outcome;
  const auto instance = zorvel::app::SingleInstance::Acquire(folder, &outcome);
  if (outcome == zorvel::app::SingleInstance::Outcome::kRunning) {
    std::fprintf(stderr,
                 "zorvel: Zorvel is already running on the program folder %s; its window was brought to the "
                 "front.\n",
                 folder.c_str());
    return 1;
  }
  if (outcome == zorvel::app::SingleInstance::Outcome::kNoLock)
    std::fprintf(stderr, "zorvel: cannot lock the program folder %s; running without the guard.\n", folder.c_str());
  if (instance) instance->OnRaiseRequest(RaiseMainWindow);
  // Sound: its services, its step of the clean-up, and the windows' background music.
  zorvel::InstallSound();
  zorvel::forms::SetWindowMusicHook(zorvel::PlayWindowMusic);
  // The movie files of earlier runs that ended without tidying up go; this run's go at
  // its end, however it ends (after its windows, which remove their own).
  zorvel::app::RemoveEndedRunsTemporaryFolders();
  zorvel::AddShutdownStep(zorvel::ShutdownPhase::kResources, [](int) { zorvel::app::RemoveRunTemporaryFolder(); });
  // Test hook: draws one after another when ZORVEL_TEST_DRAWS is set (app/test_draws.h).
  zorvel::app::StartTestDraws();
  return app.Run(zorvel::forms::EmbeddedFormData(), zorvel::app::HandlerTable(), zorvel::app::kMainWindow,
                 zorvel::app::dll::ProgramDllCommands());
}
