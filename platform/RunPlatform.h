#pragma once
// What one conversion runs on. A factory chosen once at start builds it for each run: the office,
// and for a slide range the screen its show runs on, with key injection and screen capture on
// that screen. Nothing of it changes while the run lasts.
#include <memory>

namespace platform {

class AutomationFactory;
class Clipboard;
class Input;

class RunPlatform {
  public:
    // Ends what was started for the run (a private screen); the office it made must be gone by
    // then.
    virtual ~RunPlatform() = default;

    virtual AutomationFactory& office() = 0;
    // Key injection into the show's screen; its Print Screen puts that screen on clipboard().
    // A run of all slides has none: asking for it throws std::logic_error.
    virtual Input& input() = 0;
    virtual Clipboard& clipboard() = 0;
    // Whether the screen the show runs on has ended: a private X server that was stopped or
    // killed from outside.
    virtual bool screenLost() { return false; }
};

class RunPlatformFactory {
  public:
    virtual ~RunPlatformFactory() = default;
    // The platform of one run. For a slide range the show's screen is made ready first; throws
    // std::runtime_error saying why when there is none. An export of all slides needs no
    // screen: its offices are headless, `offices` of them (0: as many as pay) sharing the slides.
    virtual std::unique_ptr<RunPlatform> open(bool slideRange, int offices) = 0;
};

}  // namespace platform
