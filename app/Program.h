#pragma once
// What lasts for the whole process: the platform services chosen at start, the log writer and the
// key engine's settings. The main window and the conversion get their services from here, by
// reference.
#include "keys/KeyEngine.h"
#include "support/LogFile.h"

namespace platform {
class Clock;
class Dialogs;
class EventPump;
class RunPlatformFactory;
class Shell;
}  // namespace platform

namespace app {

// The services a conversion and the main window reach the machine through.
struct ProgramServices {
    platform::Dialogs& dialogs;
    platform::Clock& clock;
    platform::Shell& shell;
    platform::RunPlatformFactory& runs;
    support::LogFile& log;
    keys::KeySettings& keySettings;
};

class Program {
  public:
    Program(platform::Dialogs& dialogs, platform::Clock& clock, platform::Shell& shell,
            platform::EventPump& events, platform::RunPlatformFactory& runs)
        : log(events, clock), dialogs_(dialogs), clock_(clock), shell_(shell), runs_(runs) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    ProgramServices services() { return {dialogs_, clock_, shell_, runs_, log, keySettings}; }

    support::LogFile log;
    keys::KeySettings keySettings;

  private:
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    platform::Shell& shell_;
    platform::RunPlatformFactory& runs_;
};

}  // namespace app
