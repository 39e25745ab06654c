// LibreOffice for real, without a display: opening, slide count, SaveAs in every format, bad
// inputs, bounds, and the office's end on every way out.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/images/ImageFiles.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "tests/libreoffice/OfficeTestSupport.h"

namespace fs = std::filesystem;
using platform::AutomationError;
using testdecks::DeckOptions;

namespace {

struct Decks {
    std::string four, identical, empty, transition;
    DeckOptions fourOptions{4, false, false}, identicalOptions{3, true, false};
};

class OfficeExportTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        officetest::useScratchRoot();
        // The server case: no display, so the office runs headless.
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        decksDir = testdecks::makeTempDir("decks");
        const std::string dir = decksDir;
        testdecks::writeFodp(dir + "/four.fodp", decks.fourOptions);
        testdecks::writeFodp(dir + "/identical.fodp", decks.identicalOptions);
        testdecks::writeFodp(dir + "/empty.fodp", DeckOptions{0, false, false});
        const auto ppts = testdecks::convertToPpt(
            {dir + "/four.fodp", dir + "/identical.fodp", dir + "/empty.fodp"}, dir);
        decks.four = ppts[0];
        decks.identical = ppts[1];
        decks.empty = ppts[2];
    }
    static void TearDownTestSuite() {
        fs::remove_all(decksDir);
        officetest::removeScratchRoot();
    }

    void SetUp() override { out = testdecks::makeTempDir("out"); }
    void TearDown() override {
        fs::remove_all(out);
        officetest::expectNoOfficeLeft();
    }

    static std::unique_ptr<platform::PresentationApp> create() {
        return platform::LibreOfficeFactory().create(platform::PresentationProgId);
    }
    // The calls of an export run up to the slide count, as the engine makes them.
    static int openAsEngineDoes(platform::PresentationApp& app, const std::string& path) {
        app.setVisible(true);
        app.openPresentation(path, false, false, true);
        app.setAdvanceMode(1);
        app.runSlideShow();
        return app.slideCount();
    }
    static inline Decks decks;
    static inline std::string decksDir;
    std::string out;
};

using officetest::head;

// Share of the middle of the image that is not background: the slide's big number.
double numberInk(const platform::RgbImage& image, const testdecks::Rgb& background) {
    int ink = 0, all = 0;
    for (int y = image.height / 4; y < 3 * image.height / 4; y += 4)
        for (int x = image.width / 4; x < 3 * image.width / 4; x += 4, ++all)
            if (!testdecks::near(image.at(x, y), background, 40))
                ++ink;
    return all ? double(ink) / all : 0;
}

struct FormatCase {
    int number;
    const char* extension;
    std::string magic;
    int tolerance;
};

TEST_F(OfficeExportTest, SaveAsLeavesOneImageOfTheSlideSizePerSlideInEveryFormat) {
    const FormatCase formats[] = {
        {platform::SaveAsJpeg, "jpg", "\xff\xd8\xff", 24},
        {platform::SaveAsBmp, "bmp", "BM", 0},
        {platform::SaveAsGif, "gif", "GIF8", 24},
    };
    auto app = platform::LibreOfficeFactory().create("powerpoint.application");
    ASSERT_EQ(openAsEngineDoes(*app, decks.four), 4);
    for (const auto& f : formats) {
        SCOPED_TRACE(f.extension);
        const std::string dir = out + "/" + f.extension;
        fs::create_directory(dir);
        int number = f.number;
        app->saveAs(dir, number, true);
        EXPECT_EQ(number, f.number);
        std::vector<std::string> expected;
        for (int n = 1; n <= 4; ++n)
            expected.push_back("Slide" + std::to_string(n) + "." + f.extension);
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(officetest::filesIn(dir), expected);
        for (int n = 1; n <= 4; ++n) {
            const std::string file = dir + "/Slide" + std::to_string(n) + "." + f.extension;
            EXPECT_EQ(head(file, f.magic.size()), f.magic) << file;
            const platform::RgbImage image = platform::readImage(file);
            EXPECT_EQ(image.width, 960) << file;
            EXPECT_EQ(image.height, 720) << file;
            // A corner shows the slide's own background; the middle holds its number.
            EXPECT_TRUE(testdecks::near(image.at(20, 20), testdecks::slideColour(n), f.tolerance))
                << file;
            EXPECT_GT(numberInk(image, testdecks::slideColour(n)), 0.05)
                << file << ": no slide number in the middle";
        }
    }
    // The BMP header must describe the file, unlike LibreOffice's own BMP export.
    const std::string bmp = head(out + "/bmp/Slide1.bmp", 6);
    const auto sizeField = static_cast<std::uintmax_t>(
        static_cast<unsigned char>(bmp[2]) | static_cast<unsigned char>(bmp[3]) << 8 |
        static_cast<unsigned char>(bmp[4]) << 16 | static_cast<unsigned char>(bmp[5]) << 24);
    EXPECT_EQ(sizeField, fs::file_size(out + "/bmp/Slide1.bmp"));
    app->quit();
}

TEST_F(OfficeExportTest, IdenticalNeighboursAndAnEmptyDeckExportWhatTheCountSays) {
    auto app = create();
    ASSERT_EQ(openAsEngineDoes(*app, decks.identical), 3);
    int jpeg = platform::SaveAsJpeg;
    app->saveAs(out, jpeg, true);
    const auto two = platform::readImage(out + "/Slide2.jpg");
    const auto three = platform::readImage(out + "/Slide3.jpg");
    EXPECT_EQ(two.pixels, three.pixels);
    EXPECT_NE(platform::readImage(out + "/Slide1.jpg").pixels, two.pixels);

    // A second presentation in the same office replaces the first.
    const std::string emptyOut = out + "/empty";
    fs::create_directory(emptyOut);
    const int count = openAsEngineDoes(*app, decks.empty);
    app->saveAs(emptyOut, jpeg, true);
    EXPECT_EQ(officetest::filesIn(emptyOut).size(), static_cast<std::size_t>(count));
    app->quit();
}

// A title in Arial that just fits its frame: drawn with a font of Arial's metrics it stays on one
// line; with any other font (DejaVu Sans is wider) it breaks onto a second one.
TEST_F(OfficeExportTest, AnArialTitleThatJustFitsStaysOnOneLine) {
    const std::string fodp = out + "/title.fodp";
    std::ofstream(fodp) << testdecks::FodpPrologue
                        << R"(  <style:style style:name="frame" style:family="graphic">
   <style:graphic-properties draw:stroke="none" draw:fill="none" fo:padding="0cm"
    draw:auto-grow-height="true" draw:textarea-vertical-align="top"/>
  </style:style>
  <style:style style:name="title" style:family="paragraph">
   <style:text-properties fo:font-family="Arial" fo:font-size="40pt" fo:color="#000000"/>
  </style:style>
)" << testdecks::FodpBodyStart
                        << R"(   <draw:page draw:name="slide1" draw:master-page-name="Default">
    <draw:frame draw:style-name="frame" svg:x="3cm" svg:y="3cm" svg:width="18cm" svg:height="2cm">
     <draw:text-box><text:p text:style-name="title">HHHH HHHH HHHH HHHH</text:p></draw:text-box>
    </draw:frame>
   </draw:page>
  </office:presentation>
 </office:body>
</office:document>
)";
    // In Arial the title is 17.5 cm wide, in DejaVu Sans 18.3 cm: the frame is 18 cm.
    const std::string ppt = testdecks::convertToPpt({fodp}, out).front();
    auto app = create();
    ASSERT_EQ(openAsEngineDoes(*app, ppt), 1);
    int jpeg = platform::SaveAsJpeg;
    app->saveAs(out, jpeg, true);
    app->quit();

    const platform::RgbImage image = platform::readImage(out + "/Slide1.jpg");
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.at(x, y)[0] < 100) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
    // One line of 40-point capitals is about 38 pixels high; a second line adds about 60.
    ASSERT_GE(top, 0) << "no title drawn";
    EXPECT_LT(bottom - top, 60) << "the title broke onto a second line";
}

TEST_F(OfficeExportTest, BadPresentationsGiveAClearErrorNamingTheFile) {
    const std::string dir = out;
    // Truncated: the first half of a real .ppt.
    {
        std::ifstream in(decks.four, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        std::ofstream(dir + "/truncated.ppt", std::ios::binary)
            << bytes.substr(0, bytes.size() / 2);
    }
    {
        std::ofstream garbage(dir + "/corrupt.ppt", std::ios::binary);
        for (int i = 0; i < 40000; ++i) garbage.put(static_cast<char>((i * 7919 + 13) % 251));
    }
    std::ofstream(dir + "/letter.ppt") << "Dear reader,\nthis is a plain text file.\n";
    const std::string source = std::getenv("DECKSHOT_SOURCE_DIR")
                                   ? std::getenv("DECKSHOT_SOURCE_DIR")
                                   : DECKSHOT_SOURCE_DIR_FALLBACK;
    const struct {
        std::string path;
        std::string reason;  // how the message ends, where it says more than that it failed
    } cases[] = {
        {dir + "/missing.ppt", "the file does not exist"},
        {dir + "/truncated.ppt", ""},
        {dir + "/corrupt.ppt", ""},
        {dir + "/letter.ppt", ""},
        {source + "/tests/libreoffice/data/password-protected.ppt",
         "it is protected by a password"},
    };
    auto app = create();
    app->setVisible(true);
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        const auto started = std::chrono::steady_clock::now();
        try {
            app->openPresentation(path, false, false, true);
            ADD_FAILURE() << "opened";
        } catch (const AutomationError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("Cannot open \"" + path + "\": ", 0), 0u) << message;
            EXPECT_TRUE(message.ends_with(reason)) << message;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
        EXPECT_THROW(app->slideCount(), AutomationError) << "no presentation is open";
    }
    // The office is still there for a good file.
    EXPECT_EQ(openAsEngineDoes(*app, decks.four), 4);
    app->quit();
}

TEST_F(OfficeExportTest, TheFactoryFailsCleanly) {
    const std::string dir = out;
    std::ofstream(dir + "/quits-at-once") << "#!/bin/sh\nexit 3\n";
    fs::permissions(dir + "/quits-at-once", fs::perms::owner_all);
    struct Case {
        std::string program, progId, message;
    } cases[] = {
        {platform::LibreOfficeFactory::DefaultProgram, "Excel.Application", "Excel.Application"},
        {dir + "/no-such-office", platform::PresentationProgId, "not installed"},
        {dir + "/quits-at-once", platform::PresentationProgId, "did not start (exit status 3)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program + " " + c.progId);
        try {
            platform::LibreOfficeFactory(c.program).create(c.progId);
            ADD_FAILURE() << "created";
        } catch (const AutomationError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST_F(OfficeExportTest, ACallPastItsBoundStopsTheOfficeAndSaysWhatTimedOut) {
    const std::string program = platform::LibreOfficeFactory::DefaultProgram;
    try {
        platform::LibreOfficeFactory(program, {0.01}).create(platform::PresentationProgId);
        ADD_FAILURE() << "started within 10 ms";
    } catch (const AutomationError& e) {
        EXPECT_NE(std::string(e.what()).find("Timed out after 0.01 s while starting LibreOffice"),
                  std::string::npos)
            << e.what();
    }
    officetest::expectNoOfficeLeft();

    auto app = platform::LibreOfficeFactory(program, {.call = 0.01, .start = 60})
                   .create(platform::PresentationProgId);
    try {
        app->openPresentation(decks.four, false, false, true);
        ADD_FAILURE() << "opened within 10 ms";
    } catch (const AutomationError& e) {
        EXPECT_EQ(std::string(e.what()), "Timed out after 0.01 s while opening \"" + decks.four +
                                             "\"; LibreOffice was stopped");
    }
    EXPECT_TRUE(testdecks::processesMentioning(officetest::officeProfileMark()).empty());
    try {
        app->slideCount();
        ADD_FAILURE() << "a stopped office answered";
    } catch (const AutomationError& e) {
        EXPECT_NE(std::string(e.what()).find("no longer running"), std::string::npos) << e.what();
    }
    app->quit();
}

TEST_F(OfficeExportTest, AnOfficeKilledFromOutsideFailsCallsButNotUs) {
    auto app = create();
    openAsEngineDoes(*app, decks.four);
    for (pid_t office : testdecks::processesMentioning(officetest::officeProfileMark()))
        ::kill(office, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // A call to the dead office is an error the caller can show; ending it then is quiet.
    EXPECT_THROW(app->slideCount(), AutomationError);
    app->quit();
    app.reset();
}

TEST_F(OfficeExportTest, ReleasingWithoutQuitEndsTheOffice) {
    auto app = create();
    openAsEngineDoes(*app, decks.four);
    EXPECT_FALSE(testdecks::processesMentioning(officetest::officeProfileMark()).empty());
    app.reset();  // TearDown checks that nothing is left
}

TEST_F(OfficeExportTest, WithoutADisplayTheShowCannotMove) {
    auto app = create();
    openAsEngineDoes(*app, decks.four);
    try {
        app->goToSlide(1);
        ADD_FAILURE() << "moved";
    } catch (const AutomationError& e) {
        EXPECT_NE(std::string(e.what()).find("no display"), std::string::npos) << e.what();
    }
    app->quit();
    EXPECT_THROW(app->slideCount(), AutomationError);
}

TEST_F(OfficeExportTest, AUsersOwnOfficeWithTheDefaultProfileIsLeftAlone) {
    // The user's office: default profile under a private HOME, listening on its own pipe.
    const std::string home = out + "/home";
    fs::create_directory(home);
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);
    pid_t user = -1;
    int status = 0;
    std::string history;
    const std::string accept =
        "--accept=pipe,name=deckshot_users_own_" + std::to_string(getpid()) + ";urp;";
    // A new default profile makes the first start end with 81: start it again, as a user would.
    for (int attempt = 0; attempt < 3; ++attempt) {
        user = fork();
        if (user == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            execl(platform::LibreOfficeFactory::DefaultProgram,
                  platform::LibreOfficeFactory::DefaultProgram, "--headless", "--norestore",
                  accept.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(user, 0);
        pid_t ended = 0;
        for (int i = 0; i < 60 && (ended = waitpid(user, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (ended == 0)
            break;
        history += WIFEXITED(status) ? " exit " + std::to_string(WEXITSTATUS(status))
                                     : " signal " + std::to_string(WTERMSIG(status));
        user = -1;
    }
    ASSERT_GT(user, 0) << "the user's office did not stay up:" << history;
    ASSERT_TRUE(fs::exists(home + "/.config/libreoffice/4/user")) << "not the default profile";

    auto app = create();
    EXPECT_EQ(openAsEngineDoes(*app, decks.four), 4);
    int jpeg = platform::SaveAsJpeg;
    app->saveAs(out, jpeg, true);
    app->quit();
    app.reset();

    EXPECT_EQ(waitpid(user, &status, WNOHANG), 0) << "the user's office ended";
    EXPECT_TRUE(fs::exists(out + "/Slide4.jpg"));
    kill(user, SIGKILL);
    waitpid(user, &status, 0);
    // A killed office leaves its pipe's socket file behind.
    fs::remove("/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_deckshot_users_own_" +
               std::to_string(getpid()));
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
