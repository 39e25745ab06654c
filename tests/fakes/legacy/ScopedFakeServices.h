#pragma once
// What the X11 and screen tests of the injection still use from the time when the key engine
// reached the machine through one set of services installed for the whole process: a guard that
// installs the fakes for one test, and platform::clipboard(). Test code only; it goes once those
// tests build a keys::KeyEngine themselves.
#include "platform/Clipboard.h"
#include "platform/Input.h"
#include "tests/fakes/FakeServices.h"

namespace fakes::legacy {

struct Services {
    platform::Dialogs* dialogs = nullptr;
    platform::Clock* clock = nullptr;
    platform::Shell* shell = nullptr;
    platform::EventPump* events = nullptr;
    platform::Input* input = nullptr;
    platform::Clipboard* clipboard = nullptr;
};

// The services in force.
inline Services& installed() {
    static Services services;
    return services;
}

}  // namespace fakes::legacy

namespace platform {

inline Clipboard& clipboard() {
    return *fakes::legacy::installed().clipboard;
}

}  // namespace platform

namespace fakes {

// Installs the fakes (and whatever the test adds to `services` before install()) for the
// lifetime of the guard.
class ScopedFakeServices {
  public:
    ScopedFakeServices() : previous_(legacy::installed()) {
        services.dialogs = &dialogs;
        services.clock = &clock;
        services.shell = &shell;
        services.events = &events;
        install();
    }
    ~ScopedFakeServices() { legacy::installed() = previous_; }
    ScopedFakeServices(const ScopedFakeServices&) = delete;
    ScopedFakeServices& operator=(const ScopedFakeServices&) = delete;

    // Re-installs after a test changed `services`.
    void install() { legacy::installed() = services; }

    FakeDialogs dialogs;
    FakeClock clock;
    FakeShell shell;
    FakeEventPump events;
    legacy::Services services;

  private:
    legacy::Services previous_;
};

}  // namespace fakes
