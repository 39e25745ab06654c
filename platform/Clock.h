#pragma once
// Blocking waits of the user-interface thread, so that tests never really wait.
namespace platform {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual void sleep(int milliseconds) = 0;
};

}  // namespace platform
