#pragma once
// Reading the command-line text: the presentation's name, then flags introduced by "/".
#include <string>

namespace app {

// The usage message, its nine lines joined by CR LF.
extern const char* const UsageMessage;

// Like support::NextToken with the delimiter "/", except that a "/" separates tokens only where
// it begins a word (right after a blank): paths keep their slashes, and a "/" at the very start
// of the text belongs to the first token. A run of slashes at a flag's start counts as one.
// Tokens keep their blanks as they stand. On return the position stands on the "/" that ended
// the token, or is 0 when the text is used up.
void NextFlagToken(const std::string& text, int& position, std::string& token);

// Blanks and control characters removed from both ends.
std::string Trim(const std::string& text);

// The directory part of a file name: up to, without, its last "/"; the root itself for a name
// directly under it; empty when the name holds no directory.
std::string DirectoryPart(const std::string& fileName);

}  // namespace app
