#pragma once
// A private X server (Xvfb) for a slide show that must not, or cannot, use the user's screen.
// It ends with this object, and also when our process dies in any way: the server is told by
// the kernel (parent-death signal) and removes its socket and lock file itself. Those of a
// server that was killed outright are removed when this object ends.
#include <sys/types.h>

#include <string>

namespace platform {

struct ScreenSize {
    int width = 1024;
    int height = 768;
};

// Whether the show of a range needs a private screen: without an X display, in a Wayland
// session (X grabs cannot see its windows), or when the user asks (DECKSHOT_SCREEN=private).
// The arguments are the values of DISPLAY, XDG_SESSION_TYPE and DECKSHOT_SCREEN (nullptr when
// unset); a Wayland session without DISPLAY has none.
bool needsPrivateScreen(const char* display, const char* sessionType, const char* screenChoice);

// The private screen's size: DECKSHOT_SCREEN_SIZE ("WxH") when it is well formed, otherwise
// the user's screen when known, otherwise 1024x768.
ScreenSize privateScreenSize(const char* sizeText, const ScreenSize* userScreen);

struct PrivateScreenOptions {
    int depth = 24;  // bits per pixel of the screen
    // Only our own user gets in: a one-time key opens the server, which then admits the local
    // user alone. Off, the server lets in any local client (a test's window manager, say).
    bool ownerOnly = true;
};

class PrivateScreen {
  public:
    // Starts Xvfb on a free display. Must run on the main thread: the parent-death signal
    // follows the thread that forks. Throws std::runtime_error when the server does not start.
    explicit PrivateScreen(ScreenSize size, PrivateScreenOptions options = {});
    ~PrivateScreen();
    PrivateScreen(const PrivateScreen&) = delete;
    PrivateScreen& operator=(const PrivateScreen&) = delete;

    const std::string& displayName() const { return name_; }

  private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace platform
