#include "support/OpenWithDesktop.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/FakeServices.h"

namespace {

TEST(ExecuteFile, HandsTheRequestToTheShell) {
    fakes::FakeShell shell;
    shell.result = 42;
    EXPECT_EQ(support::ExecuteFile(shell, "/tmp/out/_1.jpg", "/tmp/out/", "", 1), 42);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].file, "/tmp/out/_1.jpg");
    EXPECT_EQ(shell.opened[0].parameters, "/tmp/out/");
    EXPECT_EQ(shell.opened[0].showCommand, 1);
}

TEST(ExecuteFile, RefusesTextsLongerThan256Characters) {
    fakes::FakeShell shell;
    const std::string longest(256, 'a');
    EXPECT_GT(support::ExecuteFile(shell, longest, "", "", 1), 32);
    EXPECT_LE(support::ExecuteFile(shell, longest + "a", "", "", 1), 32);
    EXPECT_LE(support::ExecuteFile(shell, "f", longest + "a", "", 1), 32);
    EXPECT_LE(support::ExecuteFile(shell, "f", "", longest + "a", 1), 32);
    EXPECT_EQ(shell.opened.size(), 1u);
}

}  // namespace
