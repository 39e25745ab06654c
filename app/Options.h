#pragma once
// Conventional options beside the slash flags: words that begin with "-" ("--help", "-h",
// "--slides=2-4", ...). Everything else, the presentation and the slash flags, is handed on in
// order. "--" ends the options, so a file whose name begins with "-" can follow it.
#include <optional>
#include <string>
#include <vector>

namespace app {

struct SlideRange {
    int first = 1;
    int last = 1;
};

struct Options {
    bool help = false;
    bool version = false;
    bool noDialogs = false;  // messages on the console, questions answered so the run goes on
    bool quiet = false;      // no notice before the conversion, no progress
    std::optional<SlideRange> slides;
    std::optional<std::string> directory;
    std::optional<std::string> format;
    std::optional<int> jobs;  // offices that export side by side
    // The words that are not options: the presentation and the slash flags.
    std::vector<std::string> parameters;
    // The parameters from this index on came after "--": none of them is a flag.
    std::size_t literalFrom = std::string::npos;
    // Why the command line cannot be used; empty when it can.
    std::string error;

    // Options that only make sense for a conversion were given.
    bool setsARun() const;
};

// Reads the words after the program's name.
Options ReadOptions(const std::vector<std::string>& words);

// The text of --help: the usage message, then the options.
std::string HelpText();
// Every option as it is written: "-h", "--help", "--version", ...
std::vector<std::string> OptionSpellings();
// The text of --version.
std::string VersionText();

}  // namespace app
