#pragma once
#include "platform/Clock.h"

namespace platform {

class RealClock : public Clock {
  public:
    void sleep(int milliseconds) override;
};

}  // namespace platform
