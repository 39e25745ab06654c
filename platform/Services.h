#pragma once
// The one place where the program's platform services are chosen: start-up installs the real
// ones, tests install fakes. Nothing else in the program decides which implementation runs.
namespace platform {

class Dialogs;
class Clock;
class Shell;
class EventPump;
class Input;
class Clipboard;
class AutomationFactory;
class ShowScreen;

struct Services {
    Dialogs* dialogs = nullptr;
    Clock* clock = nullptr;
    Shell* shell = nullptr;
    EventPump* events = nullptr;
    Input* input = nullptr;
    Clipboard* clipboard = nullptr;
    AutomationFactory* automation = nullptr;
    ShowScreen* showScreen = nullptr;  // optional: none means the show needs no preparing
};

// The services in force. A service that was never installed is a programming error: the
// accessors below throw std::logic_error naming it.
const Services& services();
void installServices(const Services& chosen);

Dialogs& dialogs();
Clock& clock();
Shell& shell();
EventPump& events();
Input& input();
Clipboard& clipboard();
AutomationFactory& automation();

}  // namespace platform
