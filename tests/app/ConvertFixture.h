#pragma once
// A main window over the recording presentation application and fake services, with a scratch
// folder holding a presentation file and an output directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "tests/fakes/FakeAutomation.h"
#include "tests/fakes/FakeRunPlatforms.h"
#include "tests/fakes/FakeServices.h"

namespace testapp {

using app::TForm1;
using Texts = std::vector<std::string>;

namespace fs = std::filesystem;

inline const std::string Info =
    "Powerpoint will save your presentation as *.jpg files.\n\rPlease wait for it to finish "
    "converting your presentation.";
inline const std::string Warning =
    "It appears that not all the slides have been converted.\n\rYou should increase the pause "
    "between slides.";

inline std::string question(std::size_t count) {
    return std::to_string(count) + " output file(s) have been created. Do you want to see them?";
}

inline std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ConvertFixture : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/deckshot-convert-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        deck = root + "/talk.ppt";
        out = root + "/out";
        writeFile(deck, "not read by the fake");
        fs::create_directory(out);

        automation.script.slideCount = 3;
        form = std::make_unique<TForm1>(program.services());
        form->setWindowTitle(QStringLiteral("before"));
        form->FileName->setText(QString::fromStdString(deck));
        form->OutputDir->setText(QString::fromStdString(out));
    }
    void TearDown() override {
        form.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Through the button, as a user does: errors that escape reach the general error display.
    void clickConvert() { form->Convert->click(); }

    std::string inOut(const std::string& name) const { return out + "/" + name; }
    std::vector<std::string> outputNames(int count, const std::string& pattern) const {
        std::vector<std::string> names;
        for (int n = 1; n <= count; ++n) {
            std::string number = std::to_string(n);
            if (count >= 10 && n < 10)
                number = "0" + number;
            names.push_back(out + "/" + pattern + number + ".jpg");
        }
        return names;
    }

    std::string root, deck, out;
    fakes::FakeServices services;
    fakes::FakeAutomation automation;
    fakes::FakeRunPlatforms runs{automation};
    app::Program program{services.dialogs, services.clock, services.shell, services.events, runs};
    std::unique_ptr<TForm1> form;
};

}  // namespace testapp
