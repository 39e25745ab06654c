#include "support/LogFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/fakes/FakeServices.h"

namespace fs = std::filesystem;

namespace {

TEST(TimeStamp, HasTheShapeHoursMinutesSecondsMilliseconds) {
    const std::string stamp = support::TimeStamp();
    ASSERT_TRUE(std::regex_match(stamp, std::regex(R"(\d\d:\d\d:\d\d:\d\d\d)"))) << stamp;
    EXPECT_LT(std::stoi(stamp.substr(0, 2)), 24);
    EXPECT_LT(std::stoi(stamp.substr(3, 2)), 60);
}

class LogWriter : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("deckshot-log-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        log.LogFileName = (dir_ / "debug.log").string();
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }
    std::string logContents() const {
        std::ifstream in(log.LogFileName, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    fakes::FakeEventPump events_;
    fakes::FakeClock clock_;
    support::LogFile log{events_, clock_};
};

TEST_F(LogWriter, LinesAreStampedAndTextIsCleaned) {
    struct Case {
        std::string text, loggedText;
    };
    const std::vector<Case> cases = {
        {"x", "x"},        {"", "??????NULL"},
        {"a\n\rb", "a b"}, {"a\r\nb", "a\r\nb"},  // CR LF is not the pair that is folded
        {"\n\r", " "},
    };
    std::string expectedFile;
    for (const Case& c : cases) {
        const std::string line = log.WriteLog(c.text);
        ASSERT_GE(line.size(), 13u);
        EXPECT_TRUE(std::regex_match(line.substr(0, 13), std::regex(R"(\d\d:\d\d:\d\d:\d\d\d )")))
            << line;
        EXPECT_EQ(line.substr(13), c.loggedText);
        expectedFile += line + "\r\n";
    }
    EXPECT_EQ(logContents(), expectedFile);
}

TEST_F(LogWriter, AppendsToAnExistingFile) {
    {
        std::ofstream earlier(log.LogFileName, std::ios::binary);
        earlier << "from an earlier run\r\n";
    }
    const std::string line = log.WriteLog("next");
    EXPECT_EQ(logContents(), "from an earlier run\r\n" + line + "\r\n");
}

TEST_F(LogWriter, AFailedWriteStillReturnsTheLineAndThrowsNothing) {
    log.LogFileName = (dir_ / "missing-dir" / "debug.log").string();
    std::string line;
    EXPECT_NO_THROW(line = log.WriteLog("lost"));
    EXPECT_EQ(line.substr(13), "lost");
    EXPECT_FALSE(fs::exists(log.LogFileName));
    // The busy flag was cleared: the next write works.
    log.LogFileName = (dir_ / "debug.log").string();
    log.WriteLog("kept");
    EXPECT_NE(logContents().find("kept\r\n"), std::string::npos);
}

TEST_F(LogWriter, AppendLineReportsWhyItFailed) {
    EXPECT_THROW(support::AppendLine((dir_ / "no" / "such" / "file").string(), "x"),
                 support::LogWriteError);
    if (::geteuid() != 0) {  // root writes through permissions
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(support::AppendLine((dir_ / "ro.log").string(), "x"), support::LogWriteError);
    }
}

TEST_F(LogWriter, RelativeNameFollowsTheCurrentDirectory) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir_);
    log.LogFileName = "debug.log";
    log.WriteLog("here");
    fs::current_path(previous);
    std::ifstream in(dir_ / "debug.log");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(" here\r\n"), std::string::npos);
}

}  // namespace
