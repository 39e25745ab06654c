#include "support/Convert.h"

#include <cctype>

namespace support {

std::int32_t StrToInt(const std::string& text) {
    const auto fail = [&text]() -> std::int32_t {
        throw ConvertError("'" + text + "' is not a valid integer value");
    };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return fail();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int digit;
        if (std::isdigit(c)) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(c)) {
            digit = std::tolower(c) - 'a' + 10;
        } else {
            return fail();
        }
        value = value * base + digit;
        if (value > (std::int64_t{1} << 32))
            return fail();
    }
    if (negative)
        value = -value;
    // Hexadecimal may spell the whole 32-bit pattern ($FFFFFFFF is -1), decimal may not.
    if (base == 16 && value > INT32_MAX && value <= UINT32_MAX) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    if (value < INT32_MIN || value > INT32_MAX)
        return fail();
    return static_cast<std::int32_t>(value);
}

}  // namespace support
