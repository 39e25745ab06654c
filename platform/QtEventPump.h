#pragma once
#include "platform/EventPump.h"

namespace platform {

// Processes the Qt event queue of the user-interface thread.
class QtEventPump : public EventPump {
  public:
    void processPending() override;
    void processKeyboard() override;
};

}  // namespace platform
