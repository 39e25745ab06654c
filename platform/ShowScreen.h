#pragma once
// The X screen the slide show of a range runs on: the user's own in an X11 session, otherwise
// a private one that the program starts for the run and always ends.
#include <string>

namespace platform {

class ShowScreen {
  public:
    virtual ~ShowScreen() = default;
    // Makes the screen ready for a slide show, with key injection and screen capture on it, and
    // returns its X display name. Throws std::runtime_error saying why there is none.
    virtual std::string open() = 0;
    // The name open() gave, or empty when no screen is open.
    virtual std::string openedDisplay() const = 0;
    // Ends a private screen; the user's own stays as it is.
    virtual void close() = 0;
};

}  // namespace platform
