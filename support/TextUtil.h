#pragma once
// Small text routines shared by the whole program. Texts are byte strings, positions 1-based,
// position 0 meaning "no position".
#include <string>
#include <vector>

namespace support {

// Next token of text at or after position, tokens separated by runs of delimiter. On return the
// position stands on the delimiter that ended the token, or is 0 when the text is used up.
void NextToken(const std::string& text, char delimiter, int& position, std::string& token);

// The rightmost width characters of text, padded on the left with blanks to exactly width.
std::string RightJustify(const std::string& text, int width);

std::string ReverseText(const std::string& text);

// Every occurrence of oldPart in text replaced by newPart, left to right, never overlapping and
// never searching inserted text again. Note the order: the replacement comes before the pattern.
std::string ChangeStr(const std::string& text, const std::string& newPart,
                      const std::string& oldPart);

// The texts one after another, separated by a comma and a blank: "a, b, c".
std::string CommaList(const std::vector<std::string>& texts);

}  // namespace support
