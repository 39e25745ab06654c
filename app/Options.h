#pragma once
// Conventional options beside the slash flags: words that begin with "-" ("--help", "-h",
// "--slides=2-4", ...). Everything else, the presentation and the slash flags, is handed on in
// order. "--" ends the options, so a file whose name begins with "-" can follow it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct SlideRange {
    int first = 1;
    int last = 1;
    bool operator==(const SlideRange&) const = default;
};

struct CommandLineReading;

struct Options {
    bool help = false;
    bool version = false;
    bool noDialogs = false;  // messages on the console, questions answered so the run goes on
    bool quiet = false;      // no notice before the conversion, no progress
    std::optional<SlideRange> slides;
    std::optional<std::string> directory;
    std::optional<std::string> format;
    std::optional<int> jobs;  // offices that export side by side
    // The images' size in pixels; the side not given follows the slide's aspect.
    std::optional<int> width;
    std::optional<int> height;
    // The slides to export without a slide show, in order, as ranges that neither overlap nor
    // touch; empty: none listed.
    std::vector<SlideRange> exportSlides;
    // The image names' pattern, as the window's output-name field holds it ("#": the number).
    std::optional<std::string> name;
    bool printFiles = false;      // the paths of the images written, on standard output
    bool nullTerminated = false;  // those paths each end with a NUL byte, not a newline
    // The words that are not options: the presentation and the slash flags.
    std::vector<std::string> parameters;
    // The parameters from this index on came after "--": none of them is a flag.
    std::size_t literalFrom = std::string::npos;
    // Why the command line cannot be used; empty when it can.
    std::string error;
    // The parameters and the options as the command line reads them, read once by ReadOptions;
    // none in Options made by hand, which are read when they are used.
    std::shared_ptr<const CommandLineReading> reading;

    // Options that only make sense for a conversion were given.
    bool setsARun() const;
};

// How many slides the ranges hold.
long SlideCountOf(const std::vector<SlideRange>& ranges);

// Reads the words after the program's name.
Options ReadOptions(const std::vector<std::string>& words);

// The text of --help: the usage message, then the options.
std::string HelpText();
// Every option as it is written: "-h", "--help", "--version", ...
std::vector<std::string> OptionSpellings();
// The text of --version.
std::string VersionText();

}  // namespace app
