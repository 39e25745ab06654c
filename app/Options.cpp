#include "app/Options.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "app/CommandLine.h"
#include "app/OutputNames.h"

#ifndef DECKSHOT_VERSION
#define DECKSHOT_VERSION "unknown"
#endif

namespace app {
namespace {

// A whole positive number, nothing around it.
std::optional<int> slideNumber(const std::string& text) {
    int number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, number);
    if (failure != std::errc() || stop != end || number < 1)
        return std::nullopt;
    return number;
}

// More offices than this would each take memory (about 200 MB) for no gain on any machine the
// program is meant for.
constexpr int MostJobs = 64;

void readJobs(Options& options, const std::string& value) {
    const std::optional<int> jobs = slideNumber(value);
    if (!jobs || *jobs > MostJobs) {
        options.error = "--jobs wants a whole number of offices from 1 to " +
                        std::to_string(MostJobs) + ", not \"" + value + "\"";
        return;
    }
    options.jobs = jobs;
}

// Sides of an image: a thumbnail's at the least, a poster's at the most.
constexpr int FewestPixels = 16;
constexpr int MostPixels = 10000;

std::optional<int> readPixels(Options& options, const char* name, const std::string& value) {
    const std::optional<int> pixels = slideNumber(value);
    if (!pixels || *pixels < FewestPixels || *pixels > MostPixels) {
        options.error = std::string("--") + name + " wants a whole number of pixels from " +
                        std::to_string(FewestPixels) + " to " + std::to_string(MostPixels) +
                        ", not \"" + value + "\"";
        return std::nullopt;
    }
    return pixels;
}

void readSlides(Options& options, const std::string& value) {
    const std::size_t dash = value.find('-');
    const std::optional<int> first = slideNumber(value.substr(0, dash));
    const std::optional<int> last =
        dash == std::string::npos ? first : slideNumber(value.substr(dash + 1));
    if (!first || !last) {
        options.error =
            "--slides wants a slide number or a range such as 2-4, not \"" + value + "\"";
        return;
    }
    options.slides = SlideRange{*first, *last};
}

// In order, overlapping and touching ranges made one.
std::vector<SlideRange> merged(std::vector<SlideRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const SlideRange& a, const SlideRange& b) { return a.first < b.first; });
    std::vector<SlideRange> joined;
    for (const SlideRange& range : ranges) {
        if (!joined.empty() && range.first <= static_cast<long>(joined.back().last) + 1)
            joined.back().last = std::max(joined.back().last, range.last);
        else
            joined.push_back(range);
    }
    return joined;
}

// "2,4-5": slide numbers and ranges, separated by commas.
void readSlideList(Options& options, const std::string& value) {
    std::vector<SlideRange> ranges;
    for (std::size_t start = 0; start <= value.size();) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        const std::string item = value.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        const std::optional<int> first = slideNumber(item.substr(0, dash));
        const std::optional<int> last =
            dash == std::string::npos ? first : slideNumber(item.substr(dash + 1));
        if (!first || !last || *last < *first) {
            options.error = "--export-slides wants slide numbers and ranges such as 2,4-5, not \"" +
                            value + "\"";
            return;
        }
        ranges.push_back({*first, *last});
        start = comma + 1;
    }
    options.exportSlides = merged(ranges);
}

// Refused here rather than when the run begins: a word no image can be written as is a wrong
// command line.
void readFormat(Options& options, const std::string& value) {
    if (!FindExportFormat(value)) {
        options.error = "--format wants jpg, bmp, gif or png, not \"" + value + "\"";
        return;
    }
    options.format = value;
}

// A pattern names files in the output directory, never in another one.
void readName(Options& options, const std::string& value) {
    if (value.find('/') != std::string::npos) {
        options.error = "--name wants a file name pattern without \"/\", not \"" + value + "\"";
        return;
    }
    options.name = value;
}

struct OptionRule {
    const char* name;       // without the leading "--"
    char shortName;         // the one-letter spelling after "-", or 0
    const char* valueName;  // how --help names the value; nullptr: the option takes none
    const char* help;       // its line in --help; "\n" continues it on the next line
    void (*apply)(Options&, const std::string& value);
};

// In the order --help lists them.
const OptionRule Table[] = {
    {"help", 'h', nullptr, "this text", [](Options& o, const std::string&) { o.help = true; }},
    {"version", 0, nullptr, "the program's version",
     [](Options& o, const std::string&) { o.version = true; }},
    {"slides", 0, "N1-N2", "like /s:n1-n2; --slides=N converts slide N alone", readSlides},
    {"dir", 0, "DIR", "like /d:Directory",
     [](Options& o, const std::string& value) { o.directory = value; }},
    {"format", 0, "WORD", "jpg, bmp, gif or png", readFormat},
    {"no-dialogs", 0, nullptr,
     "messages on the console, questions answered so that the\nrun goes on, even under a "
     "display",
     [](Options& o, const std::string&) { o.noDialogs = true; }},
    {"quiet", 0, nullptr, "no notice before the conversion, no progress",
     [](Options& o, const std::string&) { o.quiet = true; }},
    {"jobs", 0, "N",
     "offices that export the slides side by side (1: one office);\nby "
     "default as many as the cores and the free memory allow",
     readJobs},
    {"width", 0, "PX",
     "the images' width in pixels (16 to 10000); without --height the\nheight follows the "
     "slide's aspect: --width=1920 gives 1920x1440\nfor a 4:3 deck",
     [](Options& o, const std::string& value) { o.width = readPixels(o, "width", value); }},
    {"height", 0, "PX",
     "the images' height in pixels (16 to 10000); with --width too, the\nimage fits inside "
     "both: --width=1000 --height=1000 gives\n1000x750 for a 4:3 deck",
     [](Options& o, const std::string& value) { o.height = readPixels(o, "height", value); }},
    {"export-slides", 0, "LIST",
     "only these slides, such as 2,4-5, exported like all slides:\nno slide show, names as "
     "wide as the deck's slide count;\n--export-slides=1,3 writes talk_01.jpg and talk_03.jpg "
     "of a\n12-slide talk.ppt",
     readSlideList},
    {"name", 0, "PATTERN",
     "the images' names, \"#\" standing for the slide number, as in\nthe window's output-name "
     "field (by default the presentation's\nname followed by \"_#\"); --name=page-# gives "
     "page-01.jpg ...",
     readName},
    // A script reads the list: no message box may wait for an OK meanwhile.
    {"print-files", 0, nullptr,
     "after the run, the full path of each image written, one a line,\nin slide order, on "
     "standard output; implies --no-dialogs:\ndeckshot --print-files --format=png talk.ppt | "
     "xargs -d '\\n'\noptipng",
     [](Options& o, const std::string&) { o.printFiles = o.noDialogs = true; }},
    {"null", 0, nullptr,
     "each path of --print-files (which it implies) followed by a NUL\nbyte instead of a "
     "newline, as xargs -0 reads them: deckshot\n--print-files --null --format=png talk.ppt | "
     "xargs -0\noptipng",
     [](Options& o, const std::string&) { o.nullTerminated = o.printFiles = o.noDialogs = true; }},
};

const OptionRule* findOption(const std::string& name) {
    for (const OptionRule& rule : Table) {
        if (name == rule.name)
            return &rule;
    }
    return nullptr;
}

const OptionRule* findShortOption(char letter) {
    for (const OptionRule& rule : Table) {
        if (rule.shortName != 0 && rule.shortName == letter)
            return &rule;
    }
    return nullptr;
}

// "  -h, --help            this text": the spellings in one column, the help beside them.
std::string helpLine(const OptionRule& rule) {
    constexpr std::size_t HelpColumn = 24;
    std::string line = rule.shortName != 0 ? std::string("  -") + rule.shortName + ", " : "      ";
    line += std::string("--") + rule.name;
    if (rule.valueName != nullptr)
        line += std::string("=") + rule.valueName;
    line.resize(std::max(line.size() + 1, HelpColumn), ' ');
    for (const char* c = rule.help; *c != '\0'; ++c)
        line += *c == '\n' ? "\n" + std::string(HelpColumn, ' ') : std::string(1, *c);
    return line + "\n";
}

// Reads the option at words[i]; a value given as the next word moves i past it.
void readOption(const std::vector<std::string>& words, std::size_t& i, Options& options) {
    const std::string& word = words[i];
    const OptionRule* letter = word.size() == 2 ? findShortOption(word[1]) : nullptr;
    if (letter != nullptr && letter->valueName == nullptr) {
        letter->apply(options, std::string());
        return;
    }
    if (word.rfind("--", 0) != 0) {
        options.error = "unknown option \"" + word + "\"";
        return;
    }
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
    const OptionRule* rule = findOption(name);
    if (rule == nullptr) {
        options.error = "unknown option \"--" + name + "\"";
        return;
    }
    if (rule->valueName == nullptr) {
        if (equals != std::string::npos)
            options.error = "--" + name + " takes no value";
        else
            rule->apply(options, std::string());
        return;
    }
    std::string value;
    if (equals != std::string::npos) {
        value = word.substr(equals + 1);
    } else if (i + 1 < words.size()) {
        value = words[++i];
    }
    if (value.empty()) {
        options.error = "--" + name + " needs a value";
        return;
    }
    rule->apply(options, value);
}

}  // namespace

bool Options::setsARun() const {
    return noDialogs || quiet || slides || directory || format || jobs || width || height ||
           !exportSlides.empty() || name || printFiles;
}

long SlideCountOf(const std::vector<SlideRange>& ranges) {
    long count = 0;
    for (const SlideRange& range : ranges) count += static_cast<long>(range.last) - range.first + 1;
    return count;
}

Options ReadOptions(const std::vector<std::string>& words) {
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size() && options.error.empty(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            options.parameters.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
            options.literalFrom = options.parameters.size();
        } else {
            readOption(words, i, options);
        }
    }
    if (options.error.empty() && options.parameters.empty() && options.setsARun() &&
        !options.help && !options.version)
        options.error = "no presentation given";
    // Read once, for every part of the program: a slide number that is no number stops the
    // reading there, and what was read before it still counts.
    options.reading = std::make_shared<const CommandLineReading>(ReadCommandLineOnce(options));
    if (options.error.empty() && !options.exportSlides.empty() &&
        options.reading->request.someSlides)
        options.error =
            "--export-slides exports without a slide show: it cannot go with /s or "
            "--slides";
    return options;
}

std::string HelpText() {
    std::string usage;
    for (const char* c = UsageMessage; *c != '\0'; ++c) {
        if (*c != '\r')
            usage += *c;
    }
    std::string options;
    for (const OptionRule& rule : Table) options += helpLine(rule);
    return usage + "\n\nOptions (words that begin with \"-\"; \"--\" ends them):\n" + options +
           "\n"
           "Exit status: 0 after a conversion, 1 when an error stopped it, 2 for a wrong\n"
           "command line. \"man deckshot\" tells more.\n";
}

std::vector<std::string> OptionSpellings() {
    std::vector<std::string> spellings;
    for (const OptionRule& rule : Table) {
        if (rule.shortName != 0)
            spellings.push_back(std::string("-") + rule.shortName);
        spellings.push_back(std::string("--") + rule.name);
    }
    return spellings;
}

std::string VersionText() {
    return std::string("deckshot ") + DECKSHOT_VERSION + "\n";
}

}  // namespace app
