// Delay, ProcessEvents, the screen size and the runtime-error box.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "runtime/error.h"
#include "runtime/program.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/system.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;

TEST(Delay, HandlersRunWhileItWaits) {
  bool ran = false;
  QTimer::singleShot(5, [&] { ran = true; });
  const std::uint32_t start = TickCount();
  Call(cmd::Delay, 60);
  EXPECT_TRUE(ran) << "a timer that fired during the delay was handled";
  EXPECT_GT(TickCount() - start, 60u) << "the delay ends only when the tick count has passed start + ms";

  bool later = false;
  QTimer::singleShot(0, [&] { later = true; });
  Call(cmd::Delay, 0);
  Call(cmd::Delay, -5);
  EXPECT_FALSE(later) << "no delay, no event handling";
}

std::uint32_t g_ticks = 0;
std::uint32_t SteppingTicks() { return g_ticks += 10; }

TEST(Delay, FollowsTheTickCountItIsGiven) {
  // A clock that moves 10 ms per reading: the delay ends after a few readings,
  // whatever the real time.
  SetTickSource(SteppingTicks);
  g_ticks = 0;
  Call(cmd::Delay, 25);
  EXPECT_LE(g_ticks, 60u);
  SetTickSource(nullptr);
}

TEST(ProcessEvents, HandlesWaitingEvents) {
  int handled = 0;
  QTimer::singleShot(0, [&] { ++handled; });
  QTimer::singleShot(0, [&] { ++handled; });
  Call(cmd::ProcessEvents);
  EXPECT_EQ(handled, 2);
}

TEST(ScreenSize, IsThePrimaryScreens) {
  const QSize size = QGuiApplication::primaryScreen()->size();
  EXPECT_GT(size.width(), 0);
  EXPECT_EQ(Call(cmd::ScreenWidth).integer(), size.width());
  EXPECT_EQ(Call(cmd::ScreenHeight).integer(), size.height());
}

TEST(RuntimeErrorBoxDeathTest, ShownAsAnErrorBoxThenTheProgramEnds) {
  EXPECT_EXIT(
      {
        ui::QueueMessageBoxAnswer(ui::kAnswerOk);
        ui::InstallRuntimeErrorBox();
        AddShutdownStep(ShutdownPhase::kResources, [](int code) {
          const ui::MessageBoxRequest& box = ui::LastMessageBoxRequest();
          std::fprintf(stderr, "%d|%s|%u|%s", code, box.caption.c_str(), box.flags, box.text.c_str());
        });
        RuntimeError("坏数据"_gbk, 3);
      },
      testing::ExitedWithCode(255), "^-1\\|错误\\|8208\\|运行时出错!\r\n\r\n错误代码：3\r\n\r\n错误信息：坏数据\r\n$");
}

}  // namespace
}  // namespace zorvel
