// Commands that keep the screen alive or ask about it: Delay, ProcessEvents and the
// screen size.
#pragma once

#include "runtime/commands.h"

namespace zorvel::cmd {

ZORVEL_COMMAND(Delay);          // milliseconds: waits while events keep being handled
ZORVEL_COMMAND(ProcessEvents);  // handles every waiting event, then returns
ZORVEL_COMMAND(ScreenWidth);    // -> integer: the primary screen's width in pixels
ZORVEL_COMMAND(ScreenHeight);   // -> integer

}  // namespace zorvel::cmd
