#pragma once
// How a slide looks when the office draws it on its own, small: for telling a slide that is black
// from a screen that showed nothing.
#include "platform/libreoffice/OfficeSession.h"

namespace platform::office {

// Whether slide `n` of the open presentation is black all over.
bool slideDrawsBlack(OfficeSession& office, int n);

}  // namespace platform::office
