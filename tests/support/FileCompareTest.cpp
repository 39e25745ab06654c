#include "support/FileCompare.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using support::FileSizeOf;
using support::SameFileContents;

std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

class FileUtilities : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("deckshot-filecompare-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        return path.string();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(FileUtilities, FileSizeOfPlainHiddenMissingAndDirectories) {
    EXPECT_EQ(FileSizeOf(write("five.bin", "12345")), 5);
    EXPECT_EQ(FileSizeOf(write("empty.bin", "")), 0);
    EXPECT_EQ(FileSizeOf(write(".hidden", "123")), -1);
    EXPECT_EQ(FileSizeOf(path("missing.bin")), -1);
    EXPECT_EQ(FileSizeOf(dir_.string()), -1);
    EXPECT_EQ(FileSizeOf(""), -1);
}

std::string block(std::size_t size, char fill = 'x') {
    return std::string(size, fill);
}

TEST_F(FileUtilities, SameFileContentsAcrossBlockBoundaries) {
    struct Case {
        const char* what;
        std::string first, second;
        bool same;
    };
    std::string lastDiffers = block(8192);
    lastDiffers.back() = 'y';
    std::string firstDiffers = block(8192);
    firstDiffers.front() = 'y';
    std::string midSecondBlock = block(4097);
    midSecondBlock[4096] = 'y';
    const std::vector<Case> cases = {
        {"two empty files", "", "", true},
        {"empty and non-empty", "", "a", false},
        {"exactly one block", block(4096), block(4096), true},
        {"exactly two blocks", block(8192), block(8192), true},
        {"three blocks and a bit", block(12289), block(12289), true},
        {"last byte differs", block(8192), lastDiffers, false},
        {"first byte differs", block(8192), firstDiffers, false},
        {"differs just past a block", block(4097), midSecondBlock, false},
        {"sizes differ", block(10), block(11), false},
        {"short and equal", "hello", "hello", true},
    };
    for (const Case& c : cases) {
        const std::string a = write("a.bin", c.first);
        const std::string b = write("b.bin", c.second);
        EXPECT_EQ(SameFileContents(a, b), c.same) << c.what;
        EXPECT_EQ(SameFileContents(b, a), c.same) << c.what << " (swapped)";
    }
}

TEST_F(FileUtilities, MissingFilesAndDirectoriesAreNeverTheSame) {
    const std::string a = write("a.bin", "abc");
    EXPECT_FALSE(SameFileContents(a, path("missing")));
    EXPECT_FALSE(SameFileContents(path("missing"), a));
    EXPECT_FALSE(SameFileContents(path("missing"), path("missing")));
    EXPECT_FALSE(SameFileContents(dir_.string(), dir_.string()));
    EXPECT_TRUE(SameFileContents(a, a));
}

TEST_F(FileUtilities, HiddenFilesExistForTheComparison) {
    const std::string a = write(".a", "abc");
    const std::string b = write(".b", "abc");
    const std::string c = write(".c", "abd");
    EXPECT_TRUE(SameFileContents(a, b));
    EXPECT_FALSE(SameFileContents(a, c));
}

TEST_F(FileUtilities, NoFileStaysOpenOnAnyPath) {
    const std::string a = write("a.bin", block(5000));
    const std::string b = write("b.bin", block(5000, 'z'));
    const std::string unreadable = write("unreadable.bin", block(5000));
    fs::permissions(unreadable, fs::perms::none);
    const std::size_t before = openDescriptors();
    SameFileContents(a, a);
    SameFileContents(a, b);
    SameFileContents(a, unreadable);
    SameFileContents(unreadable, a);
    SameFileContents(a, path("missing"));
    EXPECT_EQ(openDescriptors(), before);
    if (::geteuid() != 0) {
        EXPECT_FALSE(SameFileContents(a, unreadable));
    }
}

}  // namespace
