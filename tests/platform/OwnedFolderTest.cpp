// Folders owned by a lock: what an ended run left is reclaimed, only what we write in it goes,
// and a live run's folder or a user's look-alike is never touched.
#include "platform/OwnedFolder.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

Texts namesIn(const std::string& directory) {
    Texts names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void makeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    ::close(fd);
}

// Another run, in a child process: it makes a folder of ours, lets `fill` write into it, and
// either ends at once without cleaning up (as after SIGKILL) or lives until end() is called.
class OtherRun {
  public:
    OtherRun(const std::string& directory, const std::string& prefix, bool staysAlive,
             const std::function<void(platform::OwnedFolder&)>& fill) {
        int made[2], told[2];
        if (::pipe(made) != 0 || ::pipe(told) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(told[1]);
            auto* folder = new platform::OwnedFolder(directory, prefix);  // never destroyed
            fill(*folder);
            const std::string path = folder->path() + "\n";
            [[maybe_unused]] ssize_t ignored = ::write(made[1], path.data(), path.size());
            char byte;
            if (staysAlive)
                ignored = ::read(told[0], &byte, 1);
            ::_exit(0);
        }
        ::close(made[1]);
        ::close(told[0]);
        tell_ = told[1];
        char c;
        while (::read(made[0], &c, 1) == 1 && c != '\n') path_ += c;
        ::close(made[0]);
        if (!staysAlive)
            end();
    }
    ~OtherRun() { end(); }

    void end() {
        if (tell_ >= 0) {
            ::close(tell_);  // the child's read returns
            tell_ = -1;
        }
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    const std::string& path() const { return path_; }

  private:
    pid_t pid_ = -1;
    int tell_ = -1;
    std::string path_;
};

class OwnedFolderTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/deckshot-owned-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string dir;
};

const auto writesSlides = [](platform::OwnedFolder& folder) {
    for (const char* name : {"Slide1.jpg", ".Slide2.png.part-main", "image.tmp", "lu12ab.tmp"})
        std::ofstream(folder.path() + "/" + name) << "an image";
};

TEST_F(OwnedFolderTest, OnlyWhatAnEndedRunWroteIsReclaimed) {
    const std::string prefix = platform::StagingPrefix;
    const std::string sockets = dir + "/sockets";
    fs::create_directory(sockets);
    const OtherRun ended(dir, prefix, false, [&](platform::OwnedFolder& folder) {
        writesSlides(folder);
        makeSocket(sockets + "/pipe");
        folder.recordSocket(sockets + "/pipe");
        std::ofstream(sockets + "/notes") << "not a socket";
        folder.recordSocket(sockets + "/notes");
    });
    const OtherRun endedWithAUsersFile(dir, prefix, false, [](platform::OwnedFolder& folder) {
        writesSlides(folder);
        std::ofstream(folder.path() + "/my.txt") << "the user's";
    });
    OtherRun live(dir, prefix, true, writesSlides);
    // Look-alikes: our shape without our marker, names near ours, a file, a link to an ended
    // run's folder elsewhere.
    const std::string elsewhere = dir + "/elsewhere";
    fs::create_directory(elsewhere);
    const OtherRun endedElsewhere(elsewhere, prefix, false, writesSlides);
    for (const std::string& name : {prefix + "abc123", prefix + "1.2-x"}) {
        fs::create_directory(dir + "/" + name);
        std::ofstream(dir + "/" + name + "/Slide1.jpg") << "the user's";
    }
    std::ofstream(dir + "/" + prefix + "file01") << "the user's";
    fs::create_directory_symlink(endedElsewhere.path(), dir + "/" + prefix + "link01");

    platform::reclaimStagingLeftovers(dir);

    EXPECT_FALSE(fs::exists(ended.path()));
    EXPECT_EQ(namesIn(sockets), Texts{"notes"});
    EXPECT_EQ(namesIn(endedWithAUsersFile.path()), Texts{"my.txt"});
    EXPECT_EQ(namesIn(live.path()), (Texts{".Slide2.png.part-main", ".deckshot-owner", "Slide1.jpg",
                                           "image.tmp", "lu12ab.tmp"}));
    for (const std::string& name : {prefix + "abc123", prefix + "1.2-x"})
        EXPECT_EQ(namesIn(dir + "/" + name), Texts{"Slide1.jpg"}) << name;
    EXPECT_TRUE(fs::is_regular_file(dir + "/" + prefix + "file01"));
    EXPECT_EQ(namesIn(endedElsewhere.path()).size(), 5U);

    // Once the live run has ended, its folder is a leftover like any other.
    live.end();
    platform::reclaimStagingLeftovers(dir);
    EXPECT_FALSE(fs::exists(live.path()));
}

TEST_F(OwnedFolderTest, AFolderWhoseWholeTreeIsOursGoesWhole) {
    const OtherRun ended(dir, "profile-", false, [](platform::OwnedFolder& folder) {
        fs::create_directories(folder.path() + "/user/cache");
        std::ofstream(folder.path() + "/user/cache/any") << "the office's";
    });
    OtherRun live(dir, "profile-", true, [](platform::OwnedFolder&) {});

    platform::reclaimOwnedLeftovers(dir, "profile-", {});

    EXPECT_FALSE(fs::exists(ended.path()));
    EXPECT_TRUE(fs::exists(live.path()));
}

TEST_F(OwnedFolderTest, AFolderOfThisRunGoesWithItsObject) {
    std::string path;
    {
        const platform::OwnedFolder folder(dir, platform::StagingPrefix);
        path = folder.path();
        EXPECT_TRUE(platform::OwnedFolder::holdsOurMarker(path));
        std::ofstream(path + "/Slide1.jpg") << "an image";
        // Held by this run: not a leftover for a run that looks meanwhile.
        platform::reclaimStagingLeftovers(dir);
        EXPECT_TRUE(fs::exists(path + "/Slide1.jpg"));
    }
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
