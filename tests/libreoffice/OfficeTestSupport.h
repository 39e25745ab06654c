#pragma once
// What every LibreOffice test shares: a private TMPDIR per test program, so that each office
// profile of ours lands in it, and the check that no office of ours is left afterwards.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/decks/TestDecks.h"

namespace officetest {

inline std::string& scratchRoot() {
    static std::string root;
    return root;
}

// Call from SetUpTestSuite before any office starts.
inline void useScratchRoot() {
    if (scratchRoot().empty()) {
        scratchRoot() = testdecks::makeTempDir("deckshot-officetest");
        ::setenv("TMPDIR", scratchRoot().c_str(), 1);
    }
}

// Call from TearDownTestSuite.
inline void removeScratchRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchRoot(), ignored);
}

inline std::string officeProfileMark() {
    return scratchRoot() + "/deckshot-office-";
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
        "OSL_PIPE_" + std::to_string(::getuid()) + "_deckshot_" + std::to_string(::getpid()) + "_";
    for (const auto& entry : std::filesystem::directory_iterator("/tmp"))
        EXPECT_NE(entry.path().filename().string().rfind(pipes, 0), 0U)
            << "pipe left behind: " << entry.path();
}

}  // namespace officetest
