#include "platform/ConsoleDialogs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// A console without a terminal behind it must never wait for an answer.
struct Captured {
    Captured() : out(std::tmpfile()), in(std::tmpfile()) {}
    ~Captured() {
        std::fclose(out);
        std::fclose(in);
    }
    std::string written() {
        std::fflush(out);
        std::rewind(out);
        std::string text;
        for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
        return text;
    }
    std::FILE* out;
    std::FILE* in;
};

TEST(ConsoleDialogs, WithoutATerminalQuestionsLetTheRunGoOn) {
    Captured io;
    platform::ConsoleDialogs dialogs(io.in, io.out);
    EXPECT_TRUE(dialogs.askYesNo("The directory \"x\" does not exist.  Do you want it created?"));
    EXPECT_FALSE(dialogs.inputBox("Make New Folder", "What?", "/tmp/New Folder").has_value());
    EXPECT_FALSE(dialogs.openFile({{"PowerPoint", {"*.ppt"}}}).has_value());
    EXPECT_NE(io.written().find("Do you want it created? [answered: Yes]"), std::string::npos);
}

TEST(ConsoleDialogs, MessagesGoOutWithTerminalLineBreaks) {
    Captured io;
    platform::ConsoleDialogs dialogs(io.in, io.out);
    dialogs.message("first line\n\rsecond line");
    dialogs.messageWithCaption("SendKeys", "No Close");
    EXPECT_EQ(io.written(), "first line\nsecond line\nSendKeys: No Close\n");
}

}  // namespace
