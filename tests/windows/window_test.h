// The fixture of the window tests: every test starts and ends with no windows, the
// recording handler table, the program's unit types and the tests' own, and the window
// services in place.
#pragma once

#include <gtest/gtest.h>

#include "tests/windows/test_units.h"
#include "windows/register_units.h"
#include "windows/window_commands.h"

namespace zorvel::forms::testing {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindows();
    Recorder::Reset();
    RegisterUnitTypes();
    RegisterTestUnitTypes();
    ProvideWindowServices();
    SetHandlerTable(Recorder::Table());
  }
  void TearDown() override {
    ResetWindows();
    Recorder::Reset();
  }
};

}  // namespace zorvel::forms::testing
