#include "app/Options.h"

#include <charconv>
#include <iterator>

#include "app/CommandLine.h"

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

struct OptionRule {
    const char* name;  // without the leading "--"
    bool takesValue;
    void (*apply)(Options&, const std::string& value);
};

const OptionRule Table[] = {
    {"help", false, [](Options& o, const std::string&) { o.help = true; }},
    {"version", false, [](Options& o, const std::string&) { o.version = true; }},
    {"no-dialogs", false, [](Options& o, const std::string&) { o.noDialogs = true; }},
    {"quiet", false, [](Options& o, const std::string&) { o.quiet = true; }},
    {"slides", true, readSlides},
    {"dir", true, [](Options& o, const std::string& value) { o.directory = value; }},
    {"format", true, [](Options& o, const std::string& value) { o.format = value; }},
};

const OptionRule* findOption(const std::string& name) {
    for (const OptionRule& rule : Table) {
        if (name == rule.name)
            return &rule;
    }
    return nullptr;
}

// Reads the option at words[i]; a value given as the next word moves i past it.
void readOption(const std::vector<std::string>& words, std::size_t& i, Options& options) {
    const std::string& word = words[i];
    if (word == "-h") {
        options.help = true;
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
    if (!rule->takesValue) {
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
    return noDialogs || quiet || slides || directory || format;
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
        } else {
            readOption(words, i, options);
        }
    }
    if (options.error.empty() && options.parameters.empty() && options.setsARun() &&
        !options.help && !options.version)
        options.error = "no presentation given";
    return options;
}

std::string HelpText() {
    std::string usage;
    for (const char* c = UsageMessage; *c != '\0'; ++c) {
        if (*c != '\r')
            usage += *c;
    }
    return usage +
           "\n"
           "\n"
           "Options (words that begin with \"-\"; \"--\" ends them):\n"
           "  -h, --help            this text\n"
           "      --version         the program's version\n"
           "      --slides=N1-N2    like /s:n1-n2; --slides=N converts slide N alone\n"
           "      --dir=DIR         like /d:Directory\n"
           "      --format=WORD     jpg, bmp, gif or png\n"
           "      --no-dialogs      messages on the console, questions answered so that the\n"
           "                        run goes on, even under a display\n"
           "      --quiet           no notice before the conversion, no progress\n"
           "\n"
           "Exit status: 0 after a conversion, 1 when an error stopped it, 2 for a wrong\n"
           "command line. \"man deckshot\" tells more.\n";
}

std::string VersionText() {
    return std::string("deckshot ") + DECKSHOT_VERSION + "\n";
}

}  // namespace app
