// The slide-range way over fakes: a fake slide show whose "screen" goes to a fake clipboard when
// the key string injects Print Screen, so the attempt loop, the waits, the entries and the
// files written can be followed exactly.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/ConsoleFrontEnd.h"
#include "app/Options.h"
#include "platform/VirtualKeys.h"
#include "platform/images/ImageFiles.h"
#include "tests/app/ConvertFixture.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeInput.h"

namespace {

using testapp::contents;
using testapp::Info;
using testapp::Texts;
using testapp::Warning;
namespace fs = std::filesystem;

using platform::KeyUpFlag;
constexpr std::uint8_t PrintScreenKey = platform::VkSnapshot;

// JPEG and the GIF palette move colours a little.
bool near(const std::array<std::uint8_t, 3>& a, const std::array<std::uint8_t, 3>& b) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > 8)
            return false;
    return true;
}

platform::RgbImage picture(int look) {
    platform::RgbImage image;
    image.width = 32;
    image.height = 24;
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
        image.pixels[i] = static_cast<std::uint8_t>(look * 20);
        image.pixels[i + 1] = static_cast<std::uint8_t>(255 - look * 20);
        image.pixels[i + 2] = 100;
    }
    return image;
}

// A screen showing slides; Print Screen puts it on the clipboard, as the desktop does.
class FakeScreen : public fakes::FakeInput {
  public:
    explicit FakeScreen(fakes::FakeClipboard& clipboard) : clipboard_(clipboard) {}

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override {
        FakeInput::keyEvent(virtualKey, scanCode, flags);
        if (virtualKey != PrintScreenKey || (flags & KeyUpFlag) == 0 || !putsImages)
            return;
        ++captures;
        int look = lookOf(shown);
        // A slide that is slow to appear still shows the slide before for its first captures.
        if (int& lag = slowCaptures[shown]; lag > 0) {
            --lag;
            look = lookOf(shown - 1);
        }
        platform::RgbImage shot = picture(look);
        if (blackOnScreen.count(shown) != 0)
            std::fill(shot.pixels.begin(), shot.pixels.end(), 0);
        clipboard_.setBitmap(shot);
    }

    int lookOf(int slide) const {
        const auto same = sameLook.find(slide);
        return same != sameLook.end() ? same->second : slide;
    }

    int shown = 0;
    int captures = 0;
    bool putsImages = true;
    std::map<int, int> sameLook;      // slide -> look, where a slide looks like another
    std::map<int, int> slowCaptures;  // slide -> captures that still show the slide before
    std::set<int> blackOnScreen;      // slides the screen shows all black

  private:
    fakes::FakeClipboard& clipboard_;
};

class CaptureRange : public testapp::ConvertFixture {
  protected:
    void SetUp() override {
        ConvertFixture::SetUp();
        runs.input = &screen;
        runs.clipboard = &clipboard;
        automation.script.slideCount = 10;
        automation.script.onSlideShown = [this](int slide) { screen.shown = slide; };
        form->BatchMode = true;
        form->OfileName->setText(QStringLiteral("_#"));
    }

    void range(int first, int last) {
        form->SomeSlides->setChecked(true);
        form->Fslide->setCurrentIndex(first - 1);
        form->Tslide->setCurrentIndex(last - 1);
    }

    std::vector<std::string> moves() const {
        std::vector<std::string> calls;
        for (const std::string& call : automation.log->calls)
            if (call.rfind("goToSlide", 0) == 0)
                calls.push_back(call);
        return calls;
    }
    std::vector<std::string> movesTo(std::initializer_list<int> slides) const {
        std::vector<std::string> calls;
        for (int slide : slides) calls.push_back("goToSlide(" + std::to_string(slide) + ")");
        return calls;
    }
    std::string image(int slide) const {
        return out + "/_" + (slide < 10 ? "0" : "") + std::to_string(slide) + ".jpg";
    }

    fakes::FakeClipboard clipboard;
    FakeScreen screen{clipboard};
};

TEST_F(CaptureRange, EachSlideOfTheRangeIsShownCapturedAndWritten) {
    range(3, 5);

    clickConvert();

    EXPECT_EQ(automation.log->calls,
              (Texts{"setVisible(1)", "openPresentation(" + deck + ",0,0,1)", "setAdvanceMode(1)",
                     "runSlideShow()", "slideCount()", "goToSlide(3)", "goToSlide(4)",
                     "goToSlide(5)", "quit()"}));
    EXPECT_EQ(automation.log->released, 1);
    EXPECT_TRUE(services.clock.sleepsOfAtLeast(1).empty());
    EXPECT_EQ(screen.captures, 3);
    EXPECT_EQ(form->OutputFiles, (Texts{image(3), image(4), image(5)}));
    for (int slide = 3; slide <= 5; ++slide) {
        const platform::RgbImage written = platform::readImage(image(slide));
        EXPECT_EQ(written.width, 32);
        EXPECT_EQ(written.height, 24);
        EXPECT_TRUE(near(written.at(16, 12), picture(slide).at(0, 0))) << image(slide);
    }
    EXPECT_EQ(services.dialogs.texts(), Texts{Info});
    EXPECT_FALSE(form->runFailed);
}

TEST_F(CaptureRange, JpegIsBaselineQuality90WithThreeComponents) {
    range(1, 1);

    clickConvert();

    const std::string jpeg = contents(image(1));
    ASSERT_GT(jpeg.size(), 4U);
    EXPECT_EQ(jpeg.substr(0, 2), "\xff\xd8");
    const std::size_t frame = jpeg.find("\xff\xc0");  // baseline start of frame
    ASSERT_NE(frame, std::string::npos) << "not baseline";
    EXPECT_EQ(jpeg.find("\xff\xc2"), std::string::npos) << "progressive";
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(jpeg.at(i)); };
    EXPECT_EQ(byte(frame + 5) << 8 | byte(frame + 6), 24);  // height
    EXPECT_EQ(byte(frame + 7) << 8 | byte(frame + 8), 32);  // width
    EXPECT_EQ(byte(frame + 9), 3);                          // components
    // Quality 90 scales the standard luminance table's first entry, 16, to 3.
    const std::size_t table = jpeg.find("\xff\xdb");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(byte(table + 4) & 0x0F, 0);  // table 0, 8-bit entries
    EXPECT_EQ(byte(table + 5), 3);
}

// Every file says what it holds, in both ways: its extension, its signature and the message
// before the run all follow the format word; a word that names no format is refused before the
// office starts.
TEST_F(CaptureRange, FormatWordsWriteTheirOwnFilesInBothWays) {
    const std::map<std::string, std::string> signatures = {
        {"jpg", "\xff\xd8\xff"}, {"bmp", "BM"}, {"gif", "GIF8"}, {"png", "\x89PNG\r\n\x1a\n"}};
    // The office's exports, as a real one writes them: the signature of the format it was asked
    // for.
    automation.script.exportedContent = [&](int slide, const std::string& extension) {
        return signatures.at(extension) + "slide " + std::to_string(slide);
    };
    const struct {
        const char* convertTo;
        const char* formatOverride;
        const char* extension;  // "" when the word is refused
        const char* refusedWord;
    } cases[] = {
        {"Convert to *.jpg", "", "jpg", ""},
        {"Convert to *.BMP", "", "bmp", ""},
        {"Convert to *.gif", "", "gif", ""},
        {"Convert to *.png", "", "png", ""},
        {"Convert to *.Png", "", "png", ""},
        {"Convert to *.png", "bmp", "bmp", ""},
        {"Convert to *.tif", "", "", "tif"},
        {"Convert to *.jpeg", "", "", "peg"},
        {"x", "", "", "  x"},
    };
    for (const auto& c : cases) {
        for (const bool allSlides : {true, false}) {
            SCOPED_TRACE(std::string(c.convertTo) + " / " + c.formatOverride +
                         (allSlides ? " all slides" : " range"));
            const std::string extension = c.extension;
            for (const auto& entry : fs::directory_iterator(out)) fs::remove(entry.path());
            services.dialogs.shown.clear();
            automation.requestedIds.clear();
            form->FormatOverride = c.formatOverride;
            form->runFailed = false;
            form->ConvertTo->setEditText(QString::fromUtf8(c.convertTo));
            range(2, 3);
            if (allSlides)
                form->allslides->setChecked(true);
            // A refused word is refused before the output directory is even asked about.
            form->OutputDir->setText(
                QString::fromStdString(extension.empty() ? out + "/new" : out));

            clickConvert();

            if (extension.empty()) {
                EXPECT_EQ(services.dialogs.texts(), Texts{"Error: Unknown image format \"" +
                                                          std::string(c.refusedWord) + "\""});
                EXPECT_TRUE(automation.requestedIds.empty());
                EXPECT_TRUE(form->OutputFiles.empty());
                EXPECT_TRUE(form->runFailed);
                EXPECT_FALSE(fs::exists(out + "/new"));
                continue;
            }
            EXPECT_EQ(services.dialogs.texts(),
                      Texts{"Powerpoint will save your presentation as *." + extension +
                            " files.\n\rPlease wait for it to finish converting your "
                            "presentation."});
            const std::vector<int> slides = allSlides
                                                ? std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
                                                : std::vector<int>{2, 3};
            ASSERT_EQ(form->OutputFiles.size(), slides.size());
            for (std::size_t i = 0; i < slides.size(); ++i) {
                const int slide = slides[i];
                const std::string file =
                    out + "/_" + (slide < 10 ? "0" : "") + std::to_string(slide) + "." + extension;
                EXPECT_EQ(form->OutputFiles[i], file);
                EXPECT_EQ(contents(file).substr(0, signatures.at(extension).size()),
                          signatures.at(extension))
                    << file;
                if (allSlides)
                    continue;
                const platform::RgbImage written = platform::readImage(file);
                EXPECT_EQ(written.width, 32);
                EXPECT_TRUE(near(written.at(3, 3), picture(slide).at(0, 0)));
                if (extension == "png") {
                    EXPECT_EQ(written.pixels, picture(slide).pixels) << "PNG is lossless";
                }
            }
            EXPECT_FALSE(form->runFailed);
        }
    }
}

TEST_F(CaptureRange, SlowSlideIsCapturedAgainAfterGrowingWaits) {
    range(1, 3);
    screen.slowCaptures[2] = 2;  // slide 2 still shows slide 1 twice

    clickConvert();

    EXPECT_EQ(moves(), movesTo({1, 2, 2, 2, 3}));
    EXPECT_EQ(services.clock.sleepsOfAtLeast(1), (std::vector<int>{1000, 2000}));
    EXPECT_EQ(services.dialogs.progressTexts,
              (Texts{"Loading " + deck + "...", "Capturing slide 1 (1 of 3)",
                     "Capturing slide 2 (2 of 3)",
                     "Capturing slide 2 (2 of 3): same as slide 1, again after 1 s (retry 1 of 5)",
                     "Capturing slide 2 (2 of 3): same as slide 1, again after 2 s (retry 2 of 5)",
                     "Capturing slide 3 (3 of 3)", ""}));
    EXPECT_EQ(form->OutputFiles, (Texts{image(1), image(2), image(3)}));
    EXPECT_NE(contents(image(1)), contents(image(2)));
    EXPECT_EQ(services.dialogs.texts(), Texts{Info});
}

TEST_F(CaptureRange, IdenticalNeighboursEndAfterFiveRepeats) {
    range(1, 4);
    screen.sameLook[3] = 2;  // slide 3 looks exactly like slide 2

    clickConvert();

    EXPECT_EQ(moves(), movesTo({1, 2, 3, 3, 3, 3, 3, 3, 4}));
    EXPECT_EQ(services.clock.sleepsOfAtLeast(1), (std::vector<int>{1000, 2000, 3000, 4000, 5000}));
    EXPECT_EQ(form->OutputFiles, (Texts{image(1), image(2), image(3), image(4)}));
    EXPECT_EQ(services.dialogs.texts(),
              (Texts{Info, image(2) + " is the same as " + image(3), Warning}));
}

TEST_F(CaptureRange, PatternWithoutNumberKeepsEverySlideBesideTheFirst) {
    range(1, 3);
    form->OfileName->setText(QStringLiteral("shot"));
    testapp::writeFile(out + "/Slide3.jpg", "the user's own picture");

    clickConvert();

    // Each slide is captured once: none is compared with a file of its own.
    EXPECT_EQ(moves(), movesTo({1, 2, 3}));
    EXPECT_EQ(form->OutputFiles,
              (Texts{out + "/shot.jpg", out + "/Slide2.jpg", out + "/Slide3 (2).jpg"}));
    for (int slide = 1; slide <= 3; ++slide) {
        const platform::RgbImage written = platform::readImage(form->OutputFiles[slide - 1]);
        EXPECT_TRUE(near(written.at(16, 12), picture(slide).at(0, 0))) << slide;
    }
    EXPECT_EQ(contents(out + "/Slide3.jpg"), "the user's own picture");
    EXPECT_EQ(services.dialogs.texts(),
              (Texts{Info, "Error: " + out +
                               "/shot.jpg would have held more than one slide: the others are "
                               "kept in " +
                               out + " as Slide2.jpg, Slide3 (2).jpg"}));
    EXPECT_TRUE(form->runFailed);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator{}), 4)
        << "no staging folder left";
}

TEST_F(CaptureRange, SlidesThatCannotBeShownRepeatTheLastEntry) {
    const struct {
        const char* name;
        int first, last;
        int showEndsAfterMoves;
        Texts entries;  // "" stands for the empty entry
        std::string report;
    } cases[] = {
        {"pastTheEnd",
         9,
         12,
         -1,
         {"9", "10", "10", "10"},
         "Slides 11, 12 could not be shown (GoToSlide: there is no slide 11); each repeats the "
         "slide before it."},
        {"showEndedByUser",
         1,
         4,
         2,
         {"1", "2", "2", "2"},
         "Slides 3, 4 could not be shown (GoToSlide: the slide show has ended); each repeats the "
         "slide before it."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.dialogs.shown.clear();
        automation.script.showEndsAfterMoves = c.showEndsAfterMoves;
        range(c.first, c.last);

        clickConvert();

        Texts expected;
        for (const std::string& slide : c.entries) expected.push_back(image(std::stoi(slide)));
        EXPECT_EQ(form->OutputFiles, expected);
        EXPECT_EQ(automation.log->calls.back(), "quit()");
        // Reported once, and never as a duplicate of itself.
        EXPECT_EQ(services.dialogs.texts(), (Texts{Info, c.report}));
        EXPECT_TRUE(form->runFailed);
    }
}

TEST_F(CaptureRange, ApplicationLostInTheMiddleEndsTheRunNamingTheSlide) {
    automation.script.applicationLostAfterMoves = 2;
    range(3, 6);

    clickConvert();

    EXPECT_EQ(services.dialogs.texts(),
              (Texts{Info,
                     "Error: Slide 5 could not be captured: LibreOffice ended unexpectedly "
                     "while moving the slide show to slide 5"}));
    EXPECT_EQ(automation.log->calls.back(), "quit()");
    EXPECT_TRUE(form->runFailed);
}

// A command-line range ends with exit code 1 whenever a slide it asked for was not captured;
// what was captured stays. Numbers are used as given, also where the boxes have no item.
TEST_F(CaptureRange, CommandLineExitCodeTellsWhetherEverySlideWasCaptured) {
    automation.script.slideCount = 6;
    const struct {
        const char* name;
        const char* slides;
        int showEndsAfterMoves;
        int exitCode;
        Texts messages;
        std::vector<int> images;
    } cases[] = {
        {"allThere", "/s:2-3", -1, 0, {Info}, {2, 3}},
        {"pastTheEnd",
         "/s:5-8",
         -1,
         1,
         {Info,
          "Slides 7, 8 could not be shown (GoToSlide: there is no slide 7); each repeats "
          "the slide before it."},
         {5, 6}},
        {"showEndedByEsc",
         "/s:1-4",
         2,
         1,
         {Info,
          "Slides 3, 4 could not be shown (GoToSlide: the slide show has ended); each "
          "repeats the slide before it."},
         {1, 2}},
        {"slideZero",
         "/s:0",
         -1,
         1,
         {"Error: Slide 0 does not exist: slides are numbered from 1."},
         {}},
        {"firstBeyondTheDeck",
         "--slides=1001",
         -1,
         1,
         {Info, "Error: Slide 1001 does not exist: the presentation has 6 slides."},
         {}},
        {"lastBeyondTheBoxes",
         "--slides=2-1500",
         -1,
         1,
         {Info,
          "Slides 7 to 1500 could not be shown (GoToSlide: there is no slide 7); each "
          "repeats the slide before it."},
         {2, 3, 4, 5, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.dialogs.shown.clear();
        automation.script.showEndsAfterMoves = c.showEndsAfterMoves;
        const app::Options options = app::ReadOptions({deck, "/d:" + out, c.slides});

        EXPECT_EQ(app::RunWithoutWindow(program.services(), options), c.exitCode);

        EXPECT_EQ(services.dialogs.texts(), c.messages);
        std::vector<int> written;
        for (const auto& entry : fs::directory_iterator(out)) {
            written.push_back(std::stoi(entry.path().stem().string().substr(5)));  // talk_<n>
            fs::remove(entry.path());
        }
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.images);
    }
}

// A capture that is all black is a screen that showed nothing, unless the slide itself is black.
TEST_F(CaptureRange, AllBlackCaptureOfASlideThatIsNotBlackEndsTheRun) {
    screen.blackOnScreen = {2};
    const struct {
        const char* name;
        std::set<int> blackSlides;
        int exitCode;
        Texts messages;
        std::vector<std::string> images;
    } cases[] = {
        {"screenShowedNothing",
         {},
         1,
         {Info, "Error: Slide 2 was captured all black, but the slide is not black"},
         {"talk_01.jpg"}},
        {"slideIsBlack", {2}, 0, {Info}, {"talk_01.jpg", "talk_02.jpg", "talk_03.jpg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.dialogs.shown.clear();
        automation.script.blackSlides = c.blackSlides;

        EXPECT_EQ(app::RunWithoutWindow(program.services(),
                                        app::ReadOptions({deck, "/d:" + out, "/s:1-3"})),
                  c.exitCode);

        EXPECT_EQ(services.dialogs.texts(), c.messages);
        std::vector<std::string> written;
        for (const auto& entry : fs::directory_iterator(out))
            written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.images);
        fs::remove_all(out);
        fs::create_directory(out);
    }
}

// The window reads the same command line into its boxes, which end at 1000: the number itself
// still decides, not the box left empty.
TEST_F(CaptureRange, WindowCommandLineKeepsNumbersTheBoxesCannotShow) {
    automation.script.slideCount = 6;

    const app::TForm1 window(program.services(), app::ReadOptions({deck, "/s:1001"}));

    EXPECT_EQ(services.dialogs.texts(),
              (Texts{Info, "Error: Slide 1001 does not exist: the presentation has 6 slides."}));
    EXPECT_EQ(screen.captures, 0);
    EXPECT_TRUE(window.runFailed);
}

TEST_F(CaptureRange, LastBelowFirstCapturesNothingAndQuits) {
    // The Convert command refuses such a range; the engine on its own must still end cleanly.
    range(5, 3);

    form->ConvertPPT();

    EXPECT_EQ(automation.log->calls.back(), "quit()");
    EXPECT_TRUE(moves().empty());
    EXPECT_TRUE(form->OutputFiles.empty());
    EXPECT_EQ(services.dialogs.texts(), Texts{Info});
}

TEST_F(CaptureRange, NoSelectedSlideMeansSlideOne) {
    form->SomeSlides->setChecked(true);
    form->Fslide->setCurrentIndex(-1);
    form->Tslide->setCurrentIndex(-1);

    clickConvert();

    EXPECT_EQ(moves(), movesTo({1}));
    EXPECT_EQ(form->OutputFiles, Texts{out + "/_01.jpg"});
}

TEST_F(CaptureRange, ClipboardWithoutBitmapEndsTheRunWithItsMessage) {
    range(1, 3);
    screen.putsImages = false;

    clickConvert();

    EXPECT_EQ(services.dialogs.texts(), (Texts{Info, "Unsupported clipboard format"}));
    EXPECT_EQ(automation.log->calls.back(), "quit()");
    EXPECT_EQ(automation.log->released, 1);
    EXPECT_TRUE(form->OutputFiles.empty());
    EXPECT_TRUE(form->runFailed);
    EXPECT_EQ(form->windowTitle().toStdString(), "before");
}

}  // namespace
