// Zorvel: the prize draw's entry. The runtime application reads the embedded form data,
// loads the start-up window (the main window) and runs the message loop until the last
// window goes.
#include "app/handlers.h"
#include "forms/embedded.h"
#include "forms/runtime_app.h"

int main(int argc, char** argv) {
  zorvel::forms::RuntimeApp app(argc, argv);
  return app.Run(zorvel::forms::EmbeddedFormData(), zorvel::app::HandlerTable(), zorvel::app::kMainWindow);
}
