// Whole presentations converted by the real office: in the window's process for every format,
// and as the command-line program a script would run, on a machine without a display.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/MainWindow.h"
#include "platform/images/ImageFiles.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "support/FileCompare.h"
#include "tests/app/ProgramRun.h"
#include "tests/decks/TestDecks.h"
#include "tests/fakes/FakeRunPlatforms.h"
#include "tests/fakes/FakeServices.h"
#include "tests/libreoffice/OfficeTestSupport.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

constexpr int Slides = 12;

using officetest::filesIn;
using officetest::head;
using testapp::ProgramRun;

Texts numberedNames(const std::string& stem, const std::string& extension, int slides = Slides) {
    Texts names;
    for (int n = 1; n <= slides; ++n) {
        const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
        names.push_back(stem + number + "." + extension);
    }
    return names;
}

// Every file is a valid image of the size, by default the slide's own, showing that slide's
// background.
void expectSlideImages(const std::string& directory, const Texts& names, const std::string& magic,
                       int tolerance, int width = 960, int height = 720) {
    for (int n = 1; n <= static_cast<int>(names.size()); ++n) {
        const std::string file = directory + "/" + names[n - 1];
        SCOPED_TRACE(file);
        EXPECT_EQ(head(file, magic.size()), magic);
        const platform::RgbImage image = platform::readImage(file);
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_TRUE(testdecks::near(image.at(20, 20), testdecks::slideColour(n), tolerance));
    }
}

// The program as a script starts it, from the scratch folder.
ProgramRun runProgram(const std::string& arguments) {
    return testapp::runProgram(arguments, officetest::scratchRoot());
}

// Scripted dialogs and the real office, for a batch run from the window.
struct OfficeServices : fakes::FakeServices {
    platform::LibreOfficeFactory office;
    fakes::FakeRunPlatforms runs{office};
    app::Program program{dialogs, clock, shell, events, runs};

    // A window for one batch run.
    std::unique_ptr<app::TForm1> window() {
        auto form = std::make_unique<app::TForm1>(program.services());
        form->BatchMode = true;
        return form;
    }
};

class ConvertWithOffice : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        officetest::useScratchRoot();
        decks() = officetest::scratchRoot() + "/decks";
        fs::create_directory(decks());
        testdecks::makePpt(decks(), "twelve", {.slides = Slides});
    }
    static void TearDownTestSuite() { officetest::removeScratchRoot(); }
    static std::string& decks() {
        static std::string directory;
        return directory;
    }

    void SetUp() override {
        out = testdecks::makeTempDir("out");
        deck = decks() + "/twelve.ppt";
    }
    void TearDown() override { officetest::expectNoOfficeLeft(); }

    std::string out, deck;
};

TEST_F(ConvertWithOffice, EveryFormatFromTheWindow) {
    const struct {
        const char* convertTo;
        const char* extension;
        std::string magic;
        int tolerance;
    } formats[] = {
        {"Convert to *.jpg", "jpg", "\xff\xd8\xff", 24},
        {"Convert to *.bmp", "bmp", "BM", 0},
        {"Convert to *.gif", "gif", "GIF8", 24},
        {"Convert to *.png", "png", "\x89PNG\r\n\x1a\n", 0},
    };
    OfficeServices services;

    for (const auto& f : formats) {
        SCOPED_TRACE(f.extension);
        const std::string directory = out + "/" + f.extension;
        fs::create_directory(directory);
        const std::unique_ptr<app::TForm1> window = services.window();
        app::TForm1& form = *window;
        form.FileName->setText(QString::fromStdString(deck));
        form.OutputDir->setText(QString::fromStdString(directory));
        form.ConvertTo->setEditText(QString::fromUtf8(f.convertTo));

        form.ConvertClick();

        const Texts names = numberedNames("twelve_", f.extension);
        Texts expected;
        for (const std::string& name : names) expected.push_back(directory + "/" + name);
        EXPECT_EQ(form.OutputFiles, expected);
        EXPECT_EQ(filesIn(directory), names);  // no "Slide" file left over
        expectSlideImages(directory, names, f.magic, f.tolerance);
        EXPECT_FALSE(form.runFailed);
        EXPECT_EQ(services.dialogs.texts().size(), 1U) << "only the information message";
        services.dialogs.shown.clear();
    }
}

TEST_F(ConvertWithOffice, CommandLineBitmapsReplaceAStaleImage) {
    std::ofstream(out + "/twelve_03.bmp") << "an image of an earlier run";

    const ProgramRun run = runProgram("\"" + deck + "\" /d:" + out + " /bmp");

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const Texts names = numberedNames("twelve_", "bmp");
    EXPECT_EQ(filesIn(out), names);
    expectSlideImages(out, names, "BM", 0);
}

TEST_F(ConvertWithOffice, ProgressOnATerminal) {
    const ProgramRun run =
        testapp::runOnTerminal({deck, "--dir=" + out}, officetest::scratchRoot());

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(filesIn(out), numberedNames("twelve_", "jpg"));
    // One line, rewritten slide by slide, ended before the program ends.
    const std::string erase = "\x1b[K";
    EXPECT_NE(run.errors.find("\rLoading " + deck + "..." + erase), std::string::npos);
    std::size_t last = 0;
    for (int n = 1; n <= Slides; ++n) {
        const std::string line =
            "\rExported slide " + std::to_string(n) + " of " + std::to_string(Slides) + erase;
        const std::size_t at = run.errors.find(line);
        EXPECT_NE(at, std::string::npos) << line << " missing from " << run.errors;
        EXPECT_TRUE(at == std::string::npos || at >= last) << "out of order: " << line;
        last = at == std::string::npos ? last : at;
    }
    EXPECT_NE(run.errors.find("of 12" + erase + "\r\n"), std::string::npos) << run.errors;
}

TEST_F(ConvertWithOffice, TheOfficeDrawsAtTheAskedSize) {
    // A box wider than the 4:3 slides: the images fit inside it, drawn at that size.
    const ProgramRun run =
        runProgram("--width=2000 --height=1200 --format=bmp \"" + deck + "\" /d:" + out);

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const Texts names = numberedNames("twelve_", "bmp");
    EXPECT_EQ(filesIn(out), names);
    expectSlideImages(out, names, "BM", 0, 1600, 1200);
}

TEST_F(ConvertWithOffice, ASlideListGivesTheImagesOfTheWholeExportOfThoseSlides) {
    const std::string all = out + "/all", some = out + "/some";
    fs::create_directory(all);
    fs::create_directory(some);

    const ProgramRun whole = runProgram("\"" + deck + "\" /d:" + all);
    const ProgramRun listed = runProgram("--export-slides=2,11-12 \"" + deck + "\" /d:" + some);

    EXPECT_EQ(whole.exitCode, 0) << whole.errors;
    EXPECT_EQ(listed.exitCode, 0) << listed.errors;
    const Texts names{"twelve_02.jpg", "twelve_11.jpg", "twelve_12.jpg"};
    EXPECT_EQ(filesIn(some), names);
    for (const std::string& name : names)
        EXPECT_TRUE(support::SameFileContents(some + "/" + name, all + "/" + name)) << name;
}

TEST_F(ConvertWithOffice, CommandLineWithoutDirectoryWritesBesideThePresentation) {
    const std::string copy = out + "/twelve.ppt";
    fs::copy_file(deck, copy);

    const ProgramRun run = runProgram("\"" + copy + "\"");

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    Texts expected = numberedNames("twelve_", "jpg");
    expected.push_back("twelve.ppt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesIn(out), expected);
    expectSlideImages(out, numberedNames("twelve_", "jpg"), "\xff\xd8\xff", 24);
}

// Several offices export a deck at once, from both ends: every image must still show its own
// slide, under its own name.
TEST_F(ConvertWithOffice, BigDeckEveryImageShowsItsSlide) {
    const int slides = 50;
    const std::string big = testdecks::makePpt(out, "big", {.slides = slides});
    const std::string images = out + "/images";
    fs::create_directory(images);

    const ProgramRun run = runProgram("--jobs=3 \"" + big + "\" /d:" + images);

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const Texts names = numberedNames("big_", "jpg", slides);
    EXPECT_EQ(filesIn(images), names);
    expectSlideImages(images, names, "\xff\xd8\xff", 24);
}

TEST_F(ConvertWithOffice, BrokenPresentationFailsWithAMessageAndLeavesNothing) {
    const std::string broken = out + "/broken.ppt";
    {
        const std::string bytes = head(deck, 4096);
        std::ofstream(broken, std::ios::binary) << bytes;
    }
    const std::string images = out + "/images";
    fs::create_directory(images);

    const ProgramRun run = runProgram("\"" + broken + "\" /d:" + images);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find(broken), std::string::npos) << run.errors;
    EXPECT_TRUE(fs::is_empty(images));
}

// A command started in the background with the file-creation mask `mask`, as a user's script
// would start it, to be signalled.
pid_t startCommand(const std::vector<std::string>& command, mode_t mask = 022) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::umask(mask);
        std::freopen("/dev/null", "r", stdin);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

pid_t startProgram(const std::string& deck, const std::string& directory,
                   const char* option = "--quiet", mode_t mask = 022) {
    return startCommand({DECKSHOT_EXE, option, deck, "/d:" + directory}, mask);
}

// The names in `directory` that begin with `prefix`.
Texts namesStartingWith(const std::string& directory, const std::string& prefix) {
    Texts found;
    for (const std::string& name : filesIn(directory))
        if (name.rfind(prefix, 0) == 0)
            found.push_back(name);
    return found;
}

// Waits (up to a minute) until the run has exported a slide into its staging folder.
bool waitForStaging(const std::string& directory) {
    for (int i = 0; i < 600; ++i) {
        for (const std::string& name : namesStartingWith(directory, ".deckshot-staging-"))
            if (!namesStartingWith(directory + "/" + name, "Slide").empty())
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int exitCodeOf(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The socket files that the offices of the runs started here listen on: their profiles lie in
// the scratch folder.
std::set<std::string> officeSockets() {
    const std::vector<std::string> files =
        testdecks::socketFilesOf(testdecks::processesMentioning(officetest::officeProfileMark()));
    return {files.begin(), files.end()};
}

std::size_t singleInstanceSockets(const std::set<std::string>& sockets) {
    return std::count_if(sockets.begin(), sockets.end(), [](const std::string& socket) {
        return socket.find("SingleOfficeIPC_") != std::string::npos;
    });
}

// Tries to connect to `socket` as the user nobody: 0 connected, EACCES refused, or why not.
int connectAsAnotherUser(const std::string& socket) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(255);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socket.copy(address.sun_path, sizeof address.sun_path - 1);
        const bool connected =
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::_exit(connected ? 0 : errno);
    }
    return exitCodeOf(child);
}

TEST_F(ConvertWithOffice, AUsersSlideFilesAndADeckNamedLikeOneSurvive) {
    std::ofstream(out + "/Slide1.jpg") << "the user's own picture";
    std::ofstream(out + "/Slide1.bmp") << "the user's own bitmap";
    const std::string named = out + "/Slide2.jpg";  // a presentation, whatever its name says
    fs::copy_file(deck, named);

    const ProgramRun run = runProgram("\"" + named + "\" /d:" + out);

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    Texts expected = numberedNames("Slide2_", "jpg");
    expected.insert(expected.end(), {"Slide1.bmp", "Slide1.jpg", "Slide2.jpg"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesIn(out), expected);
    EXPECT_EQ(head(out + "/Slide1.jpg", 100), "the user's own picture");
    EXPECT_EQ(head(out + "/Slide1.bmp", 100), "the user's own bitmap");
    EXPECT_EQ(fs::file_size(named), fs::file_size(deck));
}

TEST_F(ConvertWithOffice, APatternWithoutNumberKeepsEverySlideAndSaysSo) {
    // The window's pattern box set to a name without "#": every slide would take that name.
    OfficeServices services;
    const std::string small = testdecks::makePpt(out, "three", {.slides = 3});
    const std::string images = out + "/images";
    fs::create_directory(images);
    std::ofstream(images + "/Slide2.jpg") << "the user's own picture";
    const std::unique_ptr<app::TForm1> window = services.window();
    app::TForm1& form = *window;
    form.FileName->setText(QString::fromStdString(small));
    form.OutputDir->setText(QString::fromStdString(images));
    form.OfileName->setText(QStringLiteral("cover"));

    form.ConvertClick();

    EXPECT_EQ(filesIn(images), (Texts{"Slide2 (2).jpg", "Slide2.jpg", "Slide3.jpg", "cover.jpg"}));
    EXPECT_EQ(head(images + "/Slide2.jpg", 100), "the user's own picture");
    expectSlideImages(images, {"cover.jpg", "Slide2 (2).jpg", "Slide3.jpg"}, "\xff\xd8\xff", 24);
    EXPECT_TRUE(form.runFailed);
    EXPECT_EQ(services.dialogs.texts().back(),
              "Error: " + images +
                  "/cover.jpg would have held more than one slide: the others are kept in " +
                  images + " as Slide2 (2).jpg, Slide3.jpg");
}

TEST_F(ConvertWithOffice, PrintedFilesAreTheImagesWrittenUnderTheNamesTheyGot) {
    // One name for every slide: the first takes it, the others are kept under their own.
    const ProgramRun run = runProgram("--name=cover --print-files \"" + deck + "\" /d:" + out);

    EXPECT_EQ(run.exitCode, 1) << run.errors;
    Texts names{"cover.jpg"};
    for (int n = 2; n <= Slides; ++n) names.push_back("Slide" + std::to_string(n) + ".jpg");
    std::string printed;
    for (const std::string& name : names) printed += out + "/" + name + "\n";
    EXPECT_EQ(run.output, printed);
    expectSlideImages(out, names, "\xff\xd8\xff", 24);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(filesIn(out), names);
}

TEST_F(ConvertWithOffice, TwoDecksIntoOneFolderAtOnceEachGetTheirOwnSlides) {
    const std::string first = testdecks::makePpt(out, "first", {.slides = 12});
    const std::string second = testdecks::makePpt(out, "second", {.slides = 12, .firstLook = 5});
    const std::string images = out + "/images";
    fs::create_directory(images);

    const pid_t one = startProgram(first, images);
    const pid_t two = startProgram(second, images);

    EXPECT_EQ(exitCodeOf(one), 0);
    EXPECT_EQ(exitCodeOf(two), 0);
    Texts expected = numberedNames("first_", "jpg");
    const Texts others = numberedNames("second_", "jpg");
    expected.insert(expected.end(), others.begin(), others.end());
    EXPECT_EQ(filesIn(images), expected);
    for (int n = 1; n <= 12; ++n) {
        SCOPED_TRACE(n);
        const auto look = [&](const std::string& name) {
            return platform::readImage(images + "/" + name).at(20, 20);
        };
        EXPECT_TRUE(testdecks::near(look(expected[n - 1]), testdecks::slideColour(n), 24));
        EXPECT_TRUE(testdecks::near(look(others[n - 1]),
                                    testdecks::slideColour(n, {.slides = 12, .firstLook = 5}), 24));
    }
}

TEST_F(ConvertWithOffice, ASignalMidRunStopsItAndLeavesNothing) {
    const std::string big = testdecks::makePpt(out, "big", {.slides = 60});
    const std::string images = out + "/images";
    fs::create_directory(images);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // Several offices export side by side: none of them may outlive the run.
        const pid_t run = startProgram(big, images, "--jobs=3");
        ASSERT_TRUE(waitForStaging(images));
        const std::set<std::string> sockets = officeSockets();
        const auto sent = std::chrono::steady_clock::now();
        ::kill(run, signal);

        EXPECT_EQ(exitCodeOf(run), 128 + signal);
        EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(3));
        EXPECT_TRUE(fs::is_empty(images)) << filesIn(images).front();
        officetest::expectNoOfficeLeft();
        EXPECT_GE(singleInstanceSockets(sockets), 1U);
        for (const std::string& socket : sockets) EXPECT_FALSE(fs::exists(socket)) << socket;
    }
}

TEST_F(ConvertWithOffice, WhatAKilledRunLeftIsReclaimedByTheNextRunAndLookAlikesStay) {
    const std::string big = testdecks::makePpt(out, "big", {.slides = 60});
    const std::string images = out + "/images";
    fs::create_directory(images);
    const pid_t killed = startProgram(big, images);
    ASSERT_TRUE(waitForStaging(images));
    const std::set<std::string> sockets = officeSockets();
    ::kill(killed, SIGKILL);
    exitCodeOf(killed);
    ASSERT_EQ(namesStartingWith(images, ".deckshot-staging-").size(), 1U);
    ASSERT_FALSE(namesStartingWith(officetest::scratchRoot(), "deckshot-office-").empty());
    // A user's own files and folders under names like the ones a run leaves.
    const std::string userFolder = ".deckshot-staging-1.2-x";
    fs::create_directory(images + "/" + userFolder);
    std::ofstream(images + "/" + userFolder + "/my.txt") << "the user's";
    std::ofstream(images + "/.deckshot-staging-99999.123-file") << "the user's";
    const std::string userNotes = officetest::scratchRoot() + "/deckshot-office-77777.1-notes";
    std::ofstream(userNotes) << "the user's";

    const ProgramRun run = runProgram("\"" + deck + "\" /d:" + images);

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    Texts expected = numberedNames("twelve_", "jpg");
    expected.insert(expected.begin(), {userFolder, ".deckshot-staging-99999.123-file"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesIn(images), expected);
    EXPECT_EQ(filesIn(images + "/" + userFolder), Texts{"my.txt"});
    EXPECT_EQ(namesStartingWith(officetest::scratchRoot(), "deckshot-office-"),
              Texts{"deckshot-office-77777.1-notes"});
    fs::remove(userNotes);
    EXPECT_GE(singleInstanceSockets(sockets), 1U);
    for (const std::string& socket : sockets) EXPECT_FALSE(fs::exists(socket)) << socket;
}

// A run in a container, or on another host, that shares the output folder: this machine's
// process table does not show it, yet it lives.
TEST_F(ConvertWithOffice, ALiveRunInAnotherPidNamespaceKeepsItsFolders) {
    if (std::system("unshare -pf --mount-proc true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "a new pid namespace is not allowed here";
    const std::string big = testdecks::makePpt(out, "big", {.slides = 60});
    const std::string images = out + "/images";
    fs::create_directory(images);
    const pid_t elsewhere =
        startCommand({"unshare", "-pf", "--mount-proc", DECKSHOT_EXE, big, "/d:" + images});
    ASSERT_TRUE(waitForStaging(images));

    const ProgramRun run = runProgram("\"" + deck + "\" /d:" + images);

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(exitCodeOf(elsewhere), 0);
    Texts expected = numberedNames("big_", "jpg", 60);
    const Texts twelve = numberedNames("twelve_", "jpg");
    expected.insert(expected.end(), twelve.begin(), twelve.end());
    EXPECT_EQ(filesIn(images), expected);
}

// The office's remote protocol has no login: whoever can connect drives it as us. Its sockets
// must be ours alone whatever our file-creation mask, and none may outlive the run, the helper
// office's included.
TEST_F(ConvertWithOffice, OfficeSocketsAreOursAloneAndNoneOutlivesTheRun) {
    const std::string big = testdecks::makePpt(out, "big", {.slides = 50});
    const std::string images = out + "/images";
    fs::create_directory(images);
    const bool canBeAnotherUser = ::geteuid() == 0;
    const pid_t run = startProgram(big, images, "--jobs=2", 0);
    std::set<std::string> seen;
    int refused = 0, status = 0;
    while (::waitpid(run, &status, WNOHANG) == 0) {
        for (const std::string& socket : officeSockets()) {
            if (!seen.insert(socket).second || !canBeAnotherUser)
                continue;
            const int why = connectAsAnotherUser(socket);
            EXPECT_NE(why, 0) << "another user connected to " << socket;
            refused += why == EACCES;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GE(singleInstanceSockets(seen), 2U) << "the main office's and the helper's";
    for (const std::string& socket : seen) EXPECT_FALSE(fs::exists(socket)) << socket;
    if (canBeAnotherUser) {
        EXPECT_GT(refused, 0);
    }
    // The images themselves are as open as the mask says.
    EXPECT_EQ(fs::status(images + "/big_01.jpg").permissions() & fs::perms::all, fs::perms(0666));
}

// A nearly full file system of `size` at `path` for as long as this object lives, where this
// machine lets us mount one.
class SmallDisk {
  public:
    SmallDisk(const std::string& path, const std::string& size) : path_(path) {
        fs::create_directory(path);
        mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(path_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

  private:
    std::string path_;
    bool mounted_ = false;
};

TEST_F(ConvertWithOffice, AFullDiskEndsWithTheReasonAndOnlyWholeImages) {
    const std::string small = out + "/small";
    const SmallDisk disk(small, "40k");
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";

    const ProgramRun run = runProgram("\"" + deck + "\" /d:" + small);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("No space left on device"), std::string::npos) << run.errors;
    for (const std::string& name : filesIn(small)) {
        EXPECT_EQ(name.rfind("twelve_", 0), 0U) << name;
        EXPECT_NO_THROW(platform::readImage(small + "/" + name)) << name;
    }
}

TEST_F(ConvertWithOffice, AFullTemporaryFolderIsSaidAtOnceInBothWays) {
    const std::string small = out + "/tmp";
    const SmallDisk disk(small, "64k");
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";

    for (const std::string way : {"", " /s:1-2"}) {
        SCOPED_TRACE(way);
        const auto started = std::chrono::steady_clock::now();
        const ProgramRun run = testapp::runProgram("\"" + deck + "\" /d:" + out + way,
                                                   officetest::scratchRoot(), "TMPDIR=" + small);

        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.errors.find("Error: There is no space left in the temporary folder \"" +
                                  small + "\""),
                  std::string::npos)
            << run.errors;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_TRUE(filesIn(out) == Texts{"tmp"}) << filesIn(out).size();
    }
}

TEST_F(ConvertWithOffice, AnEmptyPresentationIsAnErrorNotABlankSlide) {
    const std::string empty = out + "/empty.ppt";
    std::ofstream{empty};
    const std::string images = out + "/images";
    fs::create_directory(images);

    const ProgramRun run = runProgram("\"" + empty + "\" /d:" + images);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("Cannot open \"" + empty + "\": the file is empty"),
              std::string::npos)
        << run.errors;
    EXPECT_TRUE(fs::is_empty(images));
}

}  // namespace

TEST_F(ConvertWithOffice, NamesThatAreNotUtf8ReachExactlyTheirOwnFiles) {
    // A name's bytes that are not UTF-8 must neither be lost on the way to the office nor lead
    // it to a look-alike: a file named like the part before them, in the folder or beside it.
    const std::string other = testdecks::makePpt(out, "other", {.slides = 3, .firstLook = 5});
    const struct {
        std::string deck;       // the presentation's name, made from the deck of this test
        std::string folder;     // the output folder (empty: beside the deck)
        std::string lookAlike;  // the other deck copied here, or a user's file
    } cases[] = {
        {"deck.ppt", "u\xffv", "u"},
        {"tok\xff.ppt", "", "tok"},
        {"\xff\xfe.ppt", "", ""},
        {"Pr\xe4sentation.ppt", "Pr\xe4sentationen", "Pr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.deck + " " + c.folder));
        const std::string dir = testdecks::makeTempDir("names");
        const std::string path = dir + "/" + c.deck;
        fs::copy_file(decks() + "/twelve.ppt", path);
        if (!c.lookAlike.empty())
            fs::copy_file(other, dir + "/" + c.lookAlike);
        // Beside the deck, the output folder is the deck's folder as its name gives it, "/"
        // included.
        const std::string images = c.folder.empty() ? dir + "/" : dir + "/" + c.folder;
        fs::create_directories(images);
        const Texts before = filesIn(dir);

        const ProgramRun run = testapp::runProgram(
            "--print-files '" + path + "'" + (c.folder.empty() ? "" : " '/d:" + images + "'"));

        EXPECT_EQ(run.exitCode, 0) << run.errors;
        const std::string stem = fs::path(c.deck).stem().string() + "_";
        const Texts names = numberedNames(stem, "jpg");
        std::string printed;
        for (const std::string& name : names) printed += images + "/" + name + "\n";
        EXPECT_EQ(run.output, printed);
        expectSlideImages(images, names, "\xff\xd8\xff", 24);
        if (!c.folder.empty()) {
            EXPECT_EQ(filesIn(dir), before) << "a file beside the output folder changed";
        }
        if (!c.lookAlike.empty()) {
            EXPECT_TRUE(support::SameFileContents(dir + "/" + c.lookAlike, other));
        }
        fs::remove_all(dir);
    }
}

TEST_F(ConvertWithOffice, ARunNeverClaimsAnImageAnotherReplacedBeforeItEnded) {
    // Another program (a second run of a deck of the same name) replaces the first image while
    // a range is still capturing the others: the run must not list it as its own.
    const std::string small = testdecks::makePpt(out, "deck", {.slides = 3});
    const std::string images = out + "/images";
    fs::create_directory(images);
    const std::string theirs = out + "/theirs.jpg";
    std::ofstream(theirs) << "another program's image";

    std::thread replacer([&] {
        for (int i = 0; i < 600 && !fs::exists(images + "/deck_1.jpg"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fs::rename(theirs, images + "/deck_1.jpg");
    });
    const ProgramRun run = runProgram("--print-files \"" + small + "\" /d:" + images + " /s:1-3");
    replacer.join();

    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_NE(run.errors.find("Error: Another program replaced these images before this run "
                              "ended: " +
                              images + "/deck_1.jpg"),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(run.output, images + "/deck_2.jpg\n" + images + "/deck_3.jpg\n");
    EXPECT_EQ(head(images + "/deck_1.jpg", 100), "another program's image");
}
