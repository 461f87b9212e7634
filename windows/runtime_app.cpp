#include "windows/runtime_app.h"

#include "forms/form_data.h"
#include "runtime/error.h"
#include "runtime/program.h"
#include "runtime/ui/message_box.h"
#include "text/gbk_literal.h"
#include "windows/platform_procedures.h"
#include "windows/register_units.h"
#include "windows/window_commands.h"
#include "windows/windows.h"

namespace zorvel::forms {

using namespace zorvel::literals;

RuntimeApp::RuntimeApp(int& argc, char** argv) {
  if (QCoreApplication::instance() == nullptr) ownApplication_ = std::make_unique<QApplication>(argc, argv);
  // The program ends when the runtime says so (the last loaded window destroyed), not
  // when Qt sees its last window close.
  QApplication::setQuitOnLastWindowClosed(false);
}

RuntimeApp::~RuntimeApp() = default;

int RuntimeApp::Run(std::span<const std::uint8_t> formData, std::span<const HandlerEntry> handlers,
                    std::uint32_t startupWindow, std::vector<DllCommand> dllCommands) {
  InitializeRuntime();
  ui::InstallRuntimeErrorBox();
  ProvideWindowServices();
  ProvidePlatformProcedures();
  DeclareDllCommands(std::move(dllCommands));
  RegisterUnitTypes();
  SetHandlerTable(handlers);
  SetTemplates(ReadFormData(formData));
  if (!LoadAndShowWindow(startupWindow, nullptr, false)) RuntimeError("载入启动窗口失败"_gbk);
  loop::RunMain();
  Shutdown(0);
  return 0;
}

}  // namespace zorvel::forms
