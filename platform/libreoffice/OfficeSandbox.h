#pragma once
// What an office may touch of the file system once it runs: the installation and the system's
// files to read, the fonts and font settings of the user, its own private profile to read and
// write, and sockets in /tmp. A deck comes from anyone: whatever it links to elsewhere (another
// document, a picture, a file of the user's) cannot be read. The kernel enforces it (Landlock);
// where the kernel has no Landlock the office runs as before.
#include <string>
#include <vector>

namespace platform::office {

// The user's own settings folder ($XDG_CONFIG_HOME, or ~/.config); empty when neither is known.
// The office gets one of its own, and reads the user's font settings from this one.
std::string UserConfigFolder();

class OfficeSandbox {
  public:
    // The rules for the office `program` whose profile is `profile`, from our environment
    // (HOME, XDG_*, XAUTHORITY). Made before fork.
    OfficeSandbox(const std::string& program, const std::string& profile);

    // In the child, after fork and before exec: only async-signal-safe calls. Returns false
    // when the kernel refused a sandbox it offers (the office must then not start).
    bool enter() const;

  private:
    struct Rule {
        std::string path;
        unsigned long long access;
    };
    std::vector<Rule> rules_;
};

}  // namespace platform::office
