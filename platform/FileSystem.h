#pragma once
// What the engine asks of the file system beyond what the standard library says the same way on
// every system: a name's length limit, a rename that never replaces, appends whose every step
// is checked, and the local time of day. Each system has its implementation in its own folder.
#include <cstddef>
#include <optional>
#include <string>
#include <system_error>

namespace platform {

// The longest name, in bytes, that the file system of `directory` allows; 0 when it is not known.
std::size_t NameLimit(const std::string& directory);

// Gives the file `from` the name `to`, unless a file of that name exists (then the error is
// std::errc::file_exists): a name never loses what it held.
std::error_code MoveWithoutReplacing(const std::string& from, const std::string& to);

// Why an append failed: the step ("cannot open", "cannot write", "cannot close") and the system's
// error.
struct AppendFailure {
    const char* step;
    std::error_code error;
};
// Appends `data` at the end of `fileName`, making the file when it is missing, and closes it.
std::optional<AppendFailure> AppendToFile(const std::string& fileName, const std::string& data);

struct TimeOfDay {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
TimeOfDay LocalTimeOfDay();

}  // namespace platform
