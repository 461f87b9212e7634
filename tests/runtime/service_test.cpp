// The service entry and the binding of DLL commands.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "runtime/dll.h"
#include "runtime/memory.h"
#include "runtime/program.h"
#include "runtime/service.h"
#include "runtime/text.h"
#include "runtime/values.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;

TEST(ServiceRequest, CoreCodes) {
  const TypedValue d = TypedValue::Double(-7.9);
  EXPECT_EQ(ServiceRequest(service::kToInteger, reinterpret_cast<std::intptr_t>(&d), 0), -7);
  EXPECT_EQ(ServiceRequest(service::kNothing, 1, 2), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(ServiceRequest(service::kRunDirectory, 0, 0)), RunDirectory());
  EXPECT_STREQ(reinterpret_cast<const char*>(ServiceRequest(service::kProgramFileName, 0, 0)), "runtime_tests");
  EXPECT_EQ(ServiceRequest(service::kProgramKind, 0, 0), 3);
  EXPECT_EQ(ServiceRequest(service::kAllocate, std::intptr_t{1} << 62, 1), 0) << "unchecked allocation gives null";
  auto* block = reinterpret_cast<char*>(ServiceRequest(service::kAllocate, 4, 0));
  std::memcpy(block, "abc", 4);
  block = reinterpret_cast<char*>(ServiceRequest(service::kReallocate, reinterpret_cast<std::intptr_t>(block), 64));
  EXPECT_STREQ(block, "abc");
  ServiceRequest(service::kFree, reinterpret_cast<std::intptr_t>(block), 0);
  void* texts = MakeArray(type::kText, {1});
  static_cast<char**>(ArrayElements(texts))[0] = CopyText("x");
  ServiceRequest(service::kFreeArray, reinterpret_cast<std::intptr_t>(texts), type::kText);
}

TEST(ServiceRequest, LaterPartsServeTheirOwnCodes) {
  ProvideService(2032, [](std::intptr_t, std::intptr_t) -> std::intptr_t { return 6; });
  EXPECT_EQ(ServiceRequest(2032, 0, 0), 6);
  EXPECT_EQ(ServiceRequest(1999, 0, 0), 0);
}

TEST(ServiceRequestDeathTest, EndAndError) {
  EXPECT_EXIT(ServiceRequest(service::kEndProgram, 4, 0), testing::ExitedWithCode(4), "");
  EXPECT_EXIT(ServiceRequest(service::kRuntimeError, reinterpret_cast<std::intptr_t>("坏"_gbk), 0),
              testing::ExitedWithCode(255), "错误信息：坏");
}

int FromKernel() { return 1; }
int FromUser() { return 3; }
int FromAtl() { return 7; }

TEST(DllCommands, BindingOrder) {
  ProvideProcedure("USER32.DLL", "GetCursorPos", reinterpret_cast<void*>(&FromUser));
  ProvideProcedure("kernel32.dll", "GetCursorPos", reinterpret_cast<void*>(&FromKernel));
  ProvideProcedure("user32.dll", "SendMessageA", reinterpret_cast<void*>(&FromUser));
  ProvideProcedure("atl.dll", "#15", reinterpret_cast<void*>(&FromAtl));
  DeclareDllCommands({{"", "GetCursorPos"}, {"", "SendMessageA"}, {"ATL.dll", "#15"}, {"libm.so.6", "cos"}});
  EXPECT_EQ(CallDll<int>(0), 1) << "the system libraries are searched in their fixed order";
  EXPECT_EQ(CallDll<int>(1), 3);
  EXPECT_EQ(CallDll<int>(2), 7) << "library names match ignoring case; ordinals are names of the form #n";
  EXPECT_EQ(CallDll<double>(3, 0.0), 1.0) << "a real shared object by the system's search";
  EXPECT_EQ(ResolveDllCommand(3), ResolveDllCommand(3));
  ReleaseDllCommands();
}

TEST(DllCommandsDeathTest, MissingProcedures) {
  EXPECT_EXIT(
      {
        DeclareDllCommands({{"", "NoSuchProcedure"}});
        ResolveDllCommand(0);
      },
      testing::ExitedWithCode(255), "无法找到指定DLL库文件中的输出命令“NoSuchProcedure”");
  EXPECT_EXIT(
      {
        DeclareDllCommands({{"atl.dll", "AtlAxWinInit"}});
        ResolveDllCommand(0);
      },
      testing::ExitedWithCode(255), "无法找到指定DLL库文件“atl.dll”中的输出命令“AtlAxWinInit”");
  EXPECT_EXIT(
      {
        DeclareDllCommands({{"libm.so.6", "no_such_symbol"}});
        ResolveDllCommand(0);
      },
      testing::ExitedWithCode(255), "“libm.so.6”中的输出命令“no_such_symbol”");
}

}  // namespace
}  // namespace zorvel
