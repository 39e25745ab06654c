// Writes a generated presentation for the benchmarks: <dir>/<name>.ppt with <slides> slides,
// each with its own background colour and big number. Prints the path.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "tests/decks/TestDecks.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <dir> <name> <slides>\n", argv[0]);
        return 2;
    }
    try {
        std::filesystem::create_directories(argv[1]);
        const std::string ppt = testdecks::makePpt(argv[1], argv[2], {std::atoi(argv[3])});
        std::printf("%s\n", ppt.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_deck: %s\n", error.what());
        return 1;
    }
    return 0;
}
