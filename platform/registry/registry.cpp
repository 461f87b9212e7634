#include "platform/registry/registry.h"
