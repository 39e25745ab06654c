#pragma once
// The standard text-to-integer conversion used for repeat counts and slide numbers.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace support {

class ConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Leading blanks are skipped, one sign may follow, "$" (or "0x") marks hexadecimal digits; the
// rest must be digits and the value must fit 32 bits. Anything else, the empty text included,
// throws ConvertError with the text "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);

}  // namespace support
