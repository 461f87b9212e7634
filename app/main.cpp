// Zorvel: the prize draw's entry. The runtime application reads the embedded form data,
// loads the start-up window (the main window) and runs the message loop until the last
// window goes.
#include "app/handlers.h"
#include "forms/embedded.h"
#include "runtime/sound/sound.h"
#include "windows/runtime_app.h"
#include "windows/units/window/window_unit.h"

int main(int argc, char** argv) {
  zorvel::forms::RuntimeApp app(argc, argv);
  // Sound: its services, its step of the clean-up, and the windows' background music.
  zorvel::InstallSound();
  zorvel::forms::SetWindowMusicHook(zorvel::PlayWindowMusic);
  return app.Run(zorvel::forms::EmbeddedFormData(), zorvel::app::HandlerTable(), zorvel::app::kMainWindow);
}
