// The runtime application: owns the QApplication and runs the program from the form
// data: initialise the runtime, read the form data into window templates, load the
// start-up window, run the main loop, clean up.
#pragma once

#include <QApplication>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "runtime/dll.h"

#include "windows/events.h"

namespace zorvel::forms {

class RuntimeApp {
 public:
  // Makes the QApplication unless the process has one already.
  RuntimeApp(int& argc, char** argv);
  ~RuntimeApp();
  RuntimeApp(const RuntimeApp&) = delete;
  RuntimeApp& operator=(const RuntimeApp&) = delete;

  // The start-up: broken form data is the runtime error "载入窗口模板数据段出错!", a
  // start-up window that does not load "载入启动窗口失败" (both end the program with
  // code -1). Returns the exit code (0) once the last window has gone and the clean-up
  // has run. The program's numbered DLL commands are declared before anything loads.
  int Run(std::span<const std::uint8_t> formData, std::span<const HandlerEntry> handlers,
          std::uint32_t startupWindow, std::vector<DllCommand> dllCommands = {});

 private:
  std::unique_ptr<QApplication> ownApplication_;
};

}  // namespace zorvel::forms
