// The fixture of the window tests: every test starts and ends with no windows and every
// test hook reset, with the recording handler table, the program's unit types and the
// tests' own, and the window services in place.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/test_hooks.h"
#include "tests/support/test_units.h"
#include "windows/register_units.h"
#include "windows/window_commands.h"

namespace zorvel::forms::testing {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindows();
    test::ResetTestHooks();
    Recorder::Reset();
    RegisterUnitTypes();
    RegisterTestUnitTypes();
    ProvideWindowServices();
    SetHandlerTable(Recorder::Table());
  }
  void TearDown() override {
    ResetWindows();
    test::ResetTestHooks();
    Recorder::Reset();
  }
};

}  // namespace zorvel::forms::testing
