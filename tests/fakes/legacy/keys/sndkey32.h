#pragma once
// The key engine under its former name, for the X11 and screen tests that still call it so.
#include "keys/KeyEngine.h"

namespace sndkey32 = keys;
