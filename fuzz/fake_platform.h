// The world the platform double runs Vorlix in, one fuzz input at a time.
#pragma once

#include "fake_world.h"

extern World WORLD;
