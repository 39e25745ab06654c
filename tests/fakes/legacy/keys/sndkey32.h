#pragma once
// The key engine as free functions under its former name, for the X11 and screen tests that still
// call it so: each call plays the string through a KeyEngine over the installed services, with
// settings that last from call to call.
#include <string>

#include "keys/KeyEngine.h"
#include "support/DebugVar.h"
#include "support/LogFile.h"
#include "tests/fakes/FakeServices.h"

namespace sndkey32 {

inline keys::KeySettings& settings() {
    static keys::KeySettings kept;
    return kept;
}

// The window that "MIN", "MAX" and "RESTORE" address.
inline platform::WindowHandle& TargetWindow = settings().TargetWindow;

inline void ResetKeySettings() {
    settings() = keys::KeySettings{};
}

inline bool SendKeys(const std::string& keyString, bool wait) {
    const fakes::legacy::Services& services = fakes::legacy::installed();
    support::LogFile log(*services.events, *services.clock);
    log.DebugTrace = support::DebugTrace;
    keys::KeyEngine engine(*services.input, *services.clock, *services.dialogs, log, settings());
    const bool played = engine.SendKeys(keyString, wait);
    support::DebugTrace = log.DebugTrace;
    return played;
}

}  // namespace sndkey32
