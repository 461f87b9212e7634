// The animation stage's library commands. Each takes the stage (a unit argument) first;
// a stage that is not loaded, or a unit of another type, makes the command do nothing
// (CreateObject then gives 0, which is never an object's id).
#pragma once

#include "runtime/commands.h"

namespace zorvel::cmd {

// stage, [template], x, y, [visible = true], [tag text] -> integer: the new object's id.
ZORVEL_COMMAND(CreateObject);
// stage, object id, ... (integers, or integer arrays) -> none.
ZORVEL_COMMAND(DestroyObjects);
// stage, object id, angle in degrees -> none.
ZORVEL_COMMAND(RotateObject);

}  // namespace zorvel::cmd
