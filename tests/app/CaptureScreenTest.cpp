// Slide ranges captured for real: the office's slide show on the X server, Print Screen injected
// through XTest, the screen grabbed onto the program's own clipboard and written out, with the
// services the program itself chooses. Only the boxes are scripted and the fixed waits are not
// slept.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/RealPlatform.h"
#include "platform/images/ImageFiles.h"
#include "tests/decks/TestDecks.h"
#include "tests/fakes/FakeServices.h"
#include "tests/libreoffice/OfficeTestSupport.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

using officetest::head;

class CaptureOnScreen : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        officetest::useScratchRoot();
        decks() = officetest::scratchRoot() + "/decks";
        fs::create_directory(decks());
        testdecks::makePpt(decks(), "ten", {.slides = 10});
        testdecks::makePpt(decks(), "twins", {.slides = 4, .identicalNeighbours = true});
    }
    static void TearDownTestSuite() { officetest::removeScratchRoot(); }
    static std::string& decks() {
        static std::string directory;
        return directory;
    }

    void SetUp() override {
        real = std::make_unique<app::RealPlatform>(true);
        program = std::make_unique<app::Program>(dialogs, clock, real->shell(), real->events(),
                                                 real->runs());
        out = testdecks::makeTempDir("images");
    }
    void TearDown() override { officetest::expectNoOfficeLeft(); }

    // Converts slides first..last of a deck with the format word of the window's list and,
    // when given, the window's image name pattern.
    void convert(const std::string& deck, int first, int last,
                 const char* convertTo = "Convert to *.jpg", const char* pattern = nullptr,
                 const app::Options& options = {}) {
        app::TForm1 form(program->services(), options);
        form.BatchMode = true;
        form.FileName->setText(QString::fromStdString(decks() + "/" + deck + ".ppt"));
        if (pattern != nullptr)
            form.OfileName->setText(QString::fromUtf8(pattern));
        form.OutputDir->setText(QString::fromStdString(out));
        form.ConvertTo->setEditText(QString::fromUtf8(convertTo));
        form.SomeSlides->setChecked(true);
        form.Fslide->setCurrentIndex(first - 1);
        form.Tslide->setCurrentIndex(last - 1);
        form.ConvertClick();
        failed = form.runFailed;
        outputFiles = form.OutputFiles;
    }

    // Named as the deck's ten slides ask: two digits; four ask for one.
    std::string image(const std::string& deck, int slide, const std::string& extension) const {
        const bool twoDigits = deck == "ten" && slide < 10;
        return out + "/" + deck + "_" + (twoDigits ? "0" : "") + std::to_string(slide) + "." +
               extension;
    }

    // The file is a picture of the whole screen showing the slide's background.
    void expectShowsSlide(const std::string& file, int slide,
                          const testdecks::DeckOptions& options = {}) {
        SCOPED_TRACE(file);
        const platform::RgbImage picture = platform::readImage(file);
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        EXPECT_EQ(picture.width, screen.width());
        EXPECT_EQ(picture.height, screen.height());
        const testdecks::Point point = testdecks::pointInSlide(screen.width(), screen.height());
        EXPECT_TRUE(testdecks::near(picture.at(point.x, point.y),
                                    testdecks::slideColour(slide, options), 12));
    }

    fakes::FakeDialogs dialogs;
    fakes::FakeClock clock;
    std::unique_ptr<app::RealPlatform> real;
    std::unique_ptr<app::Program> program;
    std::string out;
    Texts outputFiles;
    bool failed = false;
};

TEST_F(CaptureOnScreen, RangeWritesEachSlideOfItAsItWasShown) {
    convert("ten", 3, 5);

    EXPECT_EQ(outputFiles,
              (Texts{image("ten", 3, "jpg"), image("ten", 4, "jpg"), image("ten", 5, "jpg")}));
    for (int slide = 3; slide <= 5; ++slide) {
        EXPECT_EQ(head(image("ten", slide, "jpg"), 3), "\xff\xd8\xff");
        expectShowsSlide(image("ten", slide, "jpg"), slide);
    }
    EXPECT_EQ(dialogs.texts().size(), 1U) << "only the information message";
    EXPECT_FALSE(failed);
}

TEST_F(CaptureOnScreen, SingleSlide) {
    convert("ten", 4, 4);

    EXPECT_EQ(outputFiles, Texts{image("ten", 4, "jpg")});
    expectShowsSlide(image("ten", 4, "jpg"), 4);
}

TEST_F(CaptureOnScreen, RangePastTheLastSlideRepeatsIt) {
    convert("ten", 9, 12);

    const std::string last = image("ten", 10, "jpg");
    EXPECT_EQ(outputFiles, (Texts{image("ten", 9, "jpg"), last, last, last}));
    expectShowsSlide(image("ten", 9, "jpg"), 9);
    expectShowsSlide(last, 10);
    EXPECT_FALSE(fs::exists(image("ten", 11, "jpg")));
    EXPECT_TRUE(failed) << "slides 11 and 12 were asked for and not captured";
}

TEST_F(CaptureOnScreen, PatternWithoutNumberKeepsEverySlide) {
    convert("ten", 2, 4, "Convert to *.jpg", "shot");

    const Texts kept{out + "/shot.jpg", out + "/Slide3.jpg", out + "/Slide4.jpg"};
    EXPECT_EQ(outputFiles, kept);
    for (int slide = 2; slide <= 4; ++slide) expectShowsSlide(kept[slide - 2], slide);
    EXPECT_EQ(dialogs.texts().back(), "Error: " + out +
                                          "/shot.jpg would have held more than one slide: the "
                                          "others are kept in " +
                                          out + " as Slide3.jpg, Slide4.jpg");
    EXPECT_TRUE(failed);
}

TEST_F(CaptureOnScreen, BitmapGifAndPngWords) {
    const struct {
        const char* convertTo;
        const char* extension;
        std::string magic;
    } cases[] = {
        {"Convert to *.bmp", "bmp", "BM"},
        {"Convert to *.gif", "gif", "GIF8"},
        {"Convert to *.png", "png", "\x89PNG\r\n\x1a\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        convert("ten", 6, 7, c.convertTo);

        EXPECT_EQ(outputFiles, (Texts{image("ten", 6, c.extension), image("ten", 7, c.extension)}));
        for (int slide = 6; slide <= 7; ++slide) {
            EXPECT_EQ(head(image("ten", slide, c.extension), c.magic.size()), c.magic);
            expectShowsSlide(image("ten", slide, c.extension), slide);
        }
    }
}

TEST_F(CaptureOnScreen, CaptureScaledToTheAskedWidth) {
    app::Options options;
    options.width = 512;
    convert("ten", 2, 3, "Convert to *.png", nullptr, options);

    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int height = (512 * screen.height() + screen.width() / 2) / screen.width();
    for (int slide = 2; slide <= 3; ++slide) {
        SCOPED_TRACE(slide);
        const platform::RgbImage picture = platform::readImage(image("ten", slide, "png"));
        EXPECT_EQ(picture.width, 512);
        EXPECT_EQ(picture.height, height);
        const testdecks::Point point = testdecks::pointInSlide(512, height);
        EXPECT_TRUE(
            testdecks::near(picture.at(point.x, point.y), testdecks::slideColour(slide), 12));
    }
    EXPECT_FALSE(failed);
}

TEST_F(CaptureOnScreen, IdenticalNeighboursEndAfterTheBoundedRepeats) {
    convert("twins", 1, 4);

    // Slide 3 repeats slide 2: captured again after 1 to 5 s, then kept.
    EXPECT_EQ(clock.sleepsOfAtLeast(1000), (std::vector<int>{1000, 2000, 3000, 4000, 5000}));
    EXPECT_EQ(outputFiles, (Texts{image("twins", 1, "jpg"), image("twins", 2, "jpg"),
                                  image("twins", 3, "jpg"), image("twins", 4, "jpg")}));
    const testdecks::DeckOptions twins{.slides = 4, .identicalNeighbours = true};
    for (int slide = 1; slide <= 4; ++slide)
        expectShowsSlide(image("twins", slide, "jpg"), slide, twins);
    EXPECT_EQ(dialogs.texts().size(), 3U);
    EXPECT_EQ(dialogs.texts().at(1),
              image("twins", 2, "jpg") + " is the same as " + image("twins", 3, "jpg"));
}

}  // namespace

int main(int argc, char** argv) {
    // The real platform of the test server: the clipboard and the screen are X's. Without a
    // server the cases can still be listed.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
