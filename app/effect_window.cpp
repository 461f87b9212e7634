#include "app/effect_window.h"

#include "app/facade.h"
#include "app/flash_host.h"
#include "resources/movies.h"
#include "runtime/command.h"
#include "runtime/commands.h"
#include "runtime/ui/system.h"
#include "windows/window_commands.h"

namespace zorvel::app::effect_window {

namespace {

namespace effect = ids::effect;

constexpr std::uint32_t kBlack = 0x000000;
int g_lastMovie = 0;

}  // namespace

void Created() {
  // 1
  auto* host = new FlashHost;
  // 2
  SetLeft(effect::kWindow, 0);
  SetTop(effect::kWindow, 0);
  SetWidth(effect::kWindow, Call(cmd::ScreenWidth).integer());
  SetHeight(effect::kWindow, Call(cmd::ScreenHeight).integer());
  // 3: 4, 5 and 6 are the movies 1, 2 and 3.
  Call(cmd::SeedRandom);
  g_lastMovie = Call(cmd::RandomNumber, 4, 6).integer() - 3;
  // 4
  const auto handle = static_cast<std::uint32_t>(Call(cmd::UnitHandle, UnitArgument(effect::kWindow)).integer());
  host->methods->PlayMovie(host, handle, resources::CelebrationMovie(g_lastMovie), kBlack, false);
  // 5
  host->methods->Destroy(host);
  delete host;
}

int LastMovie() { return g_lastMovie; }

}  // namespace zorvel::app::effect_window
