#pragma once
// Lets the single user-interface thread handle what is pending while it is otherwise busy.
namespace platform {

class EventPump {
  public:
    virtual ~EventPump() = default;
    // Everything that is pending (used while the log writer waits for its busy flag).
    virtual void processPending() = 0;
    // Only keyboard input that is pending for this program's windows.
    virtual void processKeyboard() = 0;
};

}  // namespace platform
