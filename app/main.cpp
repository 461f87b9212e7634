// Zorvel: the prize draw's entry. The runtime is initialised, then the start-up window
// (the main window) is loaded and the message loop runs until the last window goes.
#include "runtime/error.h"
#include "runtime/gbk_literal.h"
#include "runtime/program.h"

using namespace zorvel::literals;

int main() {
  zorvel::InitializeRuntime();
  // No window can be made from form data yet, so loading the start-up window fails
  // the way a missing window template does.
  zorvel::RuntimeError("载入启动窗口失败"_gbk);
}
