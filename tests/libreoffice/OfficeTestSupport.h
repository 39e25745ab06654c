#pragma once
// What every LibreOffice test shares: a private TMPDIR per test program, so that each office
// profile of ours lands in it, and the check that no office of ours is left afterwards.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/decks/TestDecks.h"

namespace officetest {

inline std::string& scratchRoot() {
    static std::string root;
    return root;
}

// The TMPDIR the test program was started with ("" for none).
inline std::string& startingTmpdir() {
    static std::string tmpdir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    return tmpdir;
}

// Call from SetUpTestSuite before any office starts.
inline void useScratchRoot() {
    if (scratchRoot().empty()) {
        startingTmpdir();
        scratchRoot() = testdecks::makeTempDir("deckshot-officetest");
        ::setenv("TMPDIR", scratchRoot().c_str(), 1);
    }
}

// Call from TearDownTestSuite.
inline void removeScratchRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchRoot(), ignored);
    scratchRoot().clear();  // the next suite makes its own
    if (startingTmpdir().empty())
        ::unsetenv("TMPDIR");
    else
        ::setenv("TMPDIR", startingTmpdir().c_str(), 1);
}

inline std::string officeProfileMark() {
    return scratchRoot() + "/deckshot-office-";
}

// The first `bytes` bytes of a file (fewer when it is shorter).
inline std::string head(const std::string& path, std::size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text(bytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(bytes));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// The names in a directory, sorted.
inline std::vector<std::string> filesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// No process runs with one of our profiles, and every profile directory is gone.
inline void expectNoOfficeLeft() {
    EXPECT_TRUE(testdecks::processesMentioning(officeProfileMark()).empty())
        << "an office with a profile under " << scratchRoot() << " is still running";
    for (const auto& entry : std::filesystem::directory_iterator(scratchRoot()))
        EXPECT_EQ(entry.path().filename().string().rfind("deckshot-office-", 0), std::string::npos)
            << "profile left behind: " << entry.path();
    // Nor the socket file of one of our offices' pipes.
    const std::string pipes =
        "OSL_PIPE_" + std::to_string(::getuid()) + "_deckshot_" + std::to_string(::getpid()) + ".";
    for (const auto& entry : std::filesystem::directory_iterator("/tmp"))
        EXPECT_NE(entry.path().filename().string().rfind(pipes, 0), 0U)
            << "pipe left behind: " << entry.path();
}

}  // namespace officetest
