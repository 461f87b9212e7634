#include "runtime/commands.h"
