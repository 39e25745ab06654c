// Whole presentations converted by the real office: in the window's process for every format,
// and as the command-line program a script would run, on a machine without a display.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/pptprocs.h"
#include "platform/images/ImageFiles.h"
#include "platform/libreoffice/LibreOfficeFactory.h"
#include "support/Files.h"
#include "tests/app/ProgramRun.h"
#include "tests/decks/TestDecks.h"
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

// Every file is a valid image of the slide's size, showing that slide's background.
void expectSlideImages(const std::string& directory, const Texts& names, const std::string& magic,
                       int tolerance) {
    for (int n = 1; n <= static_cast<int>(names.size()); ++n) {
        const std::string file = directory + "/" + names[n - 1];
        SCOPED_TRACE(file);
        EXPECT_EQ(head(file, magic.size()), magic);
        const platform::RgbImage image = platform::readImage(file);
        EXPECT_EQ(image.width, 960);
        EXPECT_EQ(image.height, 720);
        EXPECT_TRUE(testdecks::near(image.at(20, 20), testdecks::slideColour(n), tolerance));
    }
}

// The program as a script starts it, from the scratch folder.
ProgramRun runProgram(const std::string& arguments) {
    return testapp::runProgram(arguments, officetest::scratchRoot());
}

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
    fakes::ScopedFakeServices services;
    platform::LibreOfficeFactory office;
    services.services.automation = &office;
    services.install();
    support::SetCommandLineParameters({});
    pptprocs::BatchMode = true;
    pptprocs::FormatOverride.clear();

    for (const auto& f : formats) {
        SCOPED_TRACE(f.extension);
        const std::string directory = out + "/" + f.extension;
        fs::create_directory(directory);
        pptprocs::TForm1 form;
        form.FileName->setText(QString::fromStdString(deck));
        form.OutputDir->setText(QString::fromStdString(directory));
        form.ConvertTo->setEditText(QString::fromUtf8(f.convertTo));

        form.ConvertClick();

        const Texts names = numberedNames("twelve_", f.extension);
        Texts expected;
        for (const std::string& name : names) expected.push_back(directory + "/" + name);
        EXPECT_EQ(pptprocs::OutputFiles, expected);
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

// Big decks are exported by two offices at once, from both ends: every image must still show
// its own slide, under its own name.
TEST_F(ConvertWithOffice, BigDeckEveryImageShowsItsSlide) {
    const int slides = 50;
    const std::string big = testdecks::makePpt(out, "big", {.slides = slides});
    const std::string images = out + "/images";
    fs::create_directory(images);

    const ProgramRun run = runProgram("\"" + big + "\" /d:" + images);

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

}  // namespace
