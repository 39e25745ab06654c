#pragma once
// The key engine over the recording fakes, and what it logged.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "keys/KeyEngine.h"
#include "support/LogFile.h"
#include "tests/fakes/FakeInput.h"
#include "tests/fakes/FakeServices.h"

namespace keystest {

class KeysFixture : public ::testing::Test {
  protected:
    KeysFixture() {
        std::string testName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : testName) {
            if (c == '/')
                c = '-';  // parameterised names hold slashes
        }
        logPath_ = std::filesystem::temp_directory_path() /
                   ("deckshot-keys-" + std::to_string(::getpid()) + "-" + testName + ".log");
        std::filesystem::remove(logPath_);
        log.LogFileName = logPath_.string();
    }
    ~KeysFixture() override { std::filesystem::remove(logPath_); }

    // The logged texts, without their time stamps.
    std::vector<std::string> logLines() const {
        std::ifstream file(logPath_, std::ios::binary);
        std::stringstream all;
        all << file.rdbuf();
        std::vector<std::string> lines;
        std::string text = all.str();
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find("\r\n", start);
            const std::string line = text.substr(start, end - start);
            lines.push_back(line.size() > 13 ? line.substr(13) : line);  // "hh:nn:ss:zzz "
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
        return lines;
    }

    fakes::FakeInput input;
    fakes::FakeServices fakes_;
    support::LogFile log{fakes_.events, fakes_.clock};
    keys::KeySettings settings;
    keys::KeyEngine engine{input, fakes_.clock, fakes_.dialogs, log, settings};

  private:
    std::filesystem::path logPath_;
};

// Expected event lines, with the US scan codes the fake answers.
inline std::string scan(std::uint8_t vk) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", fakes::usScanCode(vk) & 0xFF);
    return buffer;
}
inline std::string vkHex(std::uint8_t vk) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", vk);
    return buffer;
}
inline std::string down(std::uint8_t vk) {
    return "key " + vkHex(vk) + " " + scan(vk) + " 0";
}
inline std::string up(std::uint8_t vk) {
    return "key " + vkHex(vk) + " " + scan(vk) + " 2";
}
inline std::string xdown(std::uint8_t vk) {
    return "key " + vkHex(vk) + " " + scan(vk) + " 1";
}
inline std::string xup(std::uint8_t vk) {
    return "key " + vkHex(vk) + " " + scan(vk) + " 3";
}

}  // namespace keystest
