#pragma once
// Recording stand-ins for the small platform services.
#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Shell.h"
#include "tests/fakes/FakeDialogs.h"

namespace fakes {

class FakeClock : public platform::Clock {
  public:
    void sleep(int milliseconds) override {
        sleeps.push_back(milliseconds);
        if (onSleep)
            onSleep(milliseconds);
    }
    int totalSleptMs() const {
        int total = 0;
        for (int ms : sleeps) total += ms;
        return total;
    }
    // The sleeps of at least `ms` milliseconds, in order (e.g. without zero-length yields).
    std::vector<int> sleepsOfAtLeast(int ms) const {
        std::vector<int> asked;
        for (int slept : sleeps)
            if (slept >= ms)
                asked.push_back(slept);
        return asked;
    }
    std::vector<int> sleeps;
    std::function<void(int)> onSleep;
};

struct OpenRequest {
    std::string file, parameters, directory;
    int showCommand;
};

class FakeShell : public platform::Shell {
  public:
    int open(const std::string& file, const std::string& parameters, const std::string& directory,
             int showCommand) override {
        opened.push_back({file, parameters, directory, showCommand});
        return result;
    }
    std::vector<OpenRequest> opened;
    int result = platform::ShellOk;
};

class FakeEventPump : public platform::EventPump {
  public:
    void processPending() override { ++pendingCalls; }
    void processKeyboard() override { ++keyboardCalls; }
    int pendingCalls = 0;
    int keyboardCalls = 0;
};

// The small services together, for the objects that take them by reference.
struct FakeServices {
    FakeDialogs dialogs;
    FakeClock clock;
    FakeShell shell;
    FakeEventPump events;
};

}  // namespace fakes
