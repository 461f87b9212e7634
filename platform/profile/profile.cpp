#include "platform/profile/profile.h"
