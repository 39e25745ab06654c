// libFuzzer target: any key string over the recording fakes. Besides crashes, hangs and
// sanitizer reports, it fails when a pause longer than the string asked for reaches the clock.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "keys/KeyEngine.h"
#include "support/Convert.h"
#include "support/LogFile.h"
#include "tests/fakes/FakeInput.h"
#include "tests/fakes/FakeServices.h"

namespace {

// The longest pause the string can ask for: 1000 ms (the start value of ClickWait and the
// default argument) or 1000 times the largest count written in braces.
std::int64_t longestAskedMs(const std::string& keys) {
    std::int64_t longest = 1000;
    for (std::size_t open = keys.find('{'); open != std::string::npos;
         open = keys.find('{', open + 1)) {
        const std::size_t close = keys.find('}', open + 1);
        if (close == std::string::npos)
            break;
        const std::string name = keys.substr(open + 1, close - open - 1);
        const std::size_t blank = name.find(' ');
        if (blank == std::string::npos)
            continue;
        try {
            longest = std::max<std::int64_t>(
                longest, std::int64_t{support::StrToInt(name.substr(blank + 1))} * 1000);
        } catch (const support::ConvertError&) {
        }
    }
    return std::min<std::int64_t>(longest, INT_MAX);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string keys(reinterpret_cast<const char*>(data), size);
    fakes::FakeInput input;
    // Keep memory flat when a count asks for 65535 presses.
    input.onEvent = [&input] {
        if (input.events.size() > 4096)
            input.events.clear();
    };
    fakes::FakeServices services;
    const std::int64_t allowed = longestAskedMs(keys.substr(0, keys.find('\0')));
    services.clock.onSleep = [&](int ms) {
        if (ms < 0 || ms > allowed) {
            std::fprintf(stderr, "sleep of %d ms; the string asked for at most %lld\n", ms,
                         static_cast<long long>(allowed));
            std::abort();
        }
    };
    support::LogFile log(services.events, services.clock);
    log.DebugTrace = size > 0 && (data[0] & 1) != 0;
    log.LogFileName = "/dev/null";
    keys::KeySettings settings;
    keys::KeyEngine engine(input, services.clock, services.dialogs, log, settings);
    try {
        engine.SendKeys(keys, (size & 1) != 0);
    } catch (const support::ConvertError&) {
        // A count that is no integer is reported to the caller: expected.
    }
    return 0;
}
