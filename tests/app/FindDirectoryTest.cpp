// The directory chooser against a real temporary directory tree.
#include "support/FindDirectory.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fakes/FakeServices.h"

namespace {

using support::TFindDir;

std::string cwd() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

class FindDirectory : public testing::Test {
  protected:
    void SetUp() override {
        previousCwd_ = cwd();
        char pattern[] = "/tmp/deckshot-finddir-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        // Compare against the resolved name: /tmp may itself be a link.
        root = std::filesystem::canonical(pattern).string();
        std::filesystem::create_directories(root + "/a/sub1");
        std::filesystem::create_directories(root + "/a/sub2");
        std::filesystem::create_directories(root + "/a/.hidden");
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override {
        if (chdir(previousCwd_.c_str()) != 0)
            ADD_FAILURE() << "cannot go back to " << previousCwd_;
        std::error_code ignored;
        std::filesystem::permissions(root + "/locked", std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root, ignored);
    }

    std::vector<QString> rows(const TFindDir& dialog) const {
        std::vector<QString> texts;
        for (int i = 0; i < dialog.Directories->count(); ++i) {
            texts.push_back(dialog.Directories->item(i)->text().trimmed());
        }
        return texts;
    }

    // Runs the dialog modally; a dialog still open after the given time is a failure.
    void runModal(TFindDir& dialog, std::function<void()> whileOpen = {}) {
        bool timedOut = false;
        QTimer::singleShot(0, &dialog, [&] {
            if (whileOpen && dialog.isVisible())
                whileOpen();
        });
        QTimer::singleShot(3000, &dialog, [&] {
            if (dialog.isVisible()) {
                timedOut = true;
                dialog.reject();
            }
        });
        dialog.exec();
        EXPECT_FALSE(timedOut) << "the dialog did not close";
    }

    std::string root;
    fakes::FakeServices services;

  private:
    std::string previousCwd_;
};

TEST_F(FindDirectory, FormActivateWalksUpToAnExistingDirectory) {
    struct Case {
        std::string start, handedBack, listed, message;
    };
    const std::vector<Case> cases = {
        {root + "/a/b/c", root + "/a", root + "/a", ""},
        {root + "/a", root + "/a", root + "/a", ""},
        {root + "/a/", root + "/a/", root + "/a", ""},
        {"/deckshot-missing-top/out", "/", "/", ""},
        {"a/x/y", "a", root + "/a", ""},
        {"missing/x", "missing", "", "Unable to locate a directory called missing"},
        {"", "", "", "Unable to locate a directory called "},
    };
    for (const Case& c : cases) {
        TFindDir dialog(services.dialogs);
        services.dialogs.shown.clear();
        ASSERT_EQ(chdir(root.c_str()), 0);
        dialog.FindDirPath = c.start;
        dialog.FormActivate();
        EXPECT_EQ(dialog.FindDirPath, c.handedBack) << c.start;
        if (c.message.empty()) {
            EXPECT_TRUE(services.dialogs.shown.empty()) << c.start;
            EXPECT_EQ(dialog.currentDirectory(), c.listed) << c.start;
            EXPECT_EQ(cwd(), root) << c.start << ": the process's directory stays";
        } else {
            EXPECT_EQ(services.dialogs.texts(), std::vector<std::string>{c.message}) << c.start;
        }
    }
}

TEST_F(FindDirectory, ListShowsThePathDownAndTheVisibleSubdirectories) {
    TFindDir dialog(services.dialogs);
    dialog.setCurrentDirectory(root + "/a");
    std::vector<QString> expected{"/"};
    for (const auto& part : std::filesystem::path(root + "/a").relative_path()) {
        expected.push_back(QString::fromStdString(part.string()));
    }
    expected.push_back("sub1");
    expected.push_back("sub2");
    EXPECT_EQ(rows(dialog), expected);

    // Enter on a subdirectory's row enters it.
    dialog.Directories->setCurrentRow(dialog.Directories->count() - 1);
    QTest::keyClick(dialog.Directories, Qt::Key_Return);
    EXPECT_EQ(dialog.currentDirectory(), root + "/a/sub2");
    EXPECT_EQ(cwd(), root);
    EXPECT_EQ(dialog.currentDrive().front(), '/');
}

TEST_F(FindDirectory, MakeNewFolderShownOnlyWhenAllowed) {
    TFindDir dialog(services.dialogs);
    for (bool allow : {true, false}) {
        dialog.AllowNewFolder = allow;
        dialog.FindDirPath = root;
        dialog.FormActivate();
        EXPECT_EQ(!dialog.AddNew->isHidden(), allow);
    }
}

TEST_F(FindDirectory, ClosingWithoutAChoiceHandsBackTheStart) {
    TFindDir dialog(services.dialogs);
    dialog.FindDirPath = root + "/a/gone/deeper";
    runModal(dialog, [&] { dialog.close(); });
    EXPECT_EQ(dialog.FindDirPath, root + "/a");
}

TEST_F(FindDirectory, MissingStartClosesTheDialogByItself) {
    TFindDir dialog(services.dialogs);
    dialog.FindDirPath = "";
    runModal(dialog);
    EXPECT_EQ(services.dialogs.texts(),
              std::vector<std::string>{"Unable to locate a directory called "});
    EXPECT_EQ(dialog.FindDirPath, "");
}

TEST_F(FindDirectory, OkHandsBackTheListedDirectory) {
    TFindDir dialog(services.dialogs);
    for (const std::string& dir : {std::string("/"), root + "/a/sub1"}) {
        dialog.FindDirPath = dir;
        runModal(dialog, [&] { QTest::mouseClick(dialog.OKBtn, Qt::LeftButton); });
        EXPECT_EQ(dialog.FindDirPath, dir);
    }
}

TEST_F(FindDirectory, MakeNewFolder) {
    struct Case {
        const char* name;
        std::string listed;
        std::vector<std::optional<std::string>> answers;  // nullopt: cancel
        std::string handedBack;
        std::vector<std::string> prefills;
        int errors;
    };
    const std::string bad = root + "/no/such/parent";
    const std::vector<Case> cases = {
        {"OfferedNameAccepted",
         root,
         {root + "/New Folder"},
         root + "/New Folder",
         {root + "/New Folder"},
         0},
        {"ExistingIsAccepted", root, {root + "/a"}, root + "/a", {root + "/New Folder"}, 0},
        // Taken inside the listed folder, and handed back so that it means that folder.
        {"BareNameInListedDirectory",
         root + "/a",
         {"fresh"},
         root + "/a/fresh",
         {root + "/a/New Folder"},
         0},
        {"RejectedUntilCorrected",
         root,
         {bad, bad, root + "/fixed"},
         root + "/fixed",
         {root + "/New Folder", bad, bad},
         2},
        {"RootOffersDoubleSlash",
         "/",
         {root + "/fromroot"},
         root + "/fromroot",
         {"//New Folder"},
         0},
    };
    for (const Case& c : cases) {
        TFindDir dialog(services.dialogs);
        services.dialogs.shown.clear();
        services.dialogs.inputPrefills.clear();
        services.dialogs.inputAnswers.assign(c.answers.begin(), c.answers.end());
        dialog.AllowNewFolder = true;
        dialog.setCurrentDirectory(c.listed);
        dialog.AddNewClick();
        EXPECT_EQ(dialog.FindDirPath, c.handedBack) << c.name;
        EXPECT_TRUE(support::DirectoryExists(dialog.FindDirPath)) << c.name;
        EXPECT_FALSE(dialog.AllowNewFolder) << c.name;
        EXPECT_EQ(services.dialogs.inputPrefills, c.prefills) << c.name;
        int errors = 0;
        for (const fakes::ShownBox& box : services.dialogs.shown) {
            if (box.kind == "input") {
                EXPECT_EQ(box.caption, "Make New Folder");
                EXPECT_EQ(box.text, "What is the name of the new folder?");
            } else {
                ++errors;
                EXPECT_EQ(box.text, "Unable to create a folder called \"" + bad +
                                        "\".\n\rPlease correct the name.");
            }
        }
        EXPECT_EQ(errors, c.errors) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(root + "/a/fresh"));
}

// Root may write anywhere; without CAP_DAC_OVERRIDE in its effective set the thread obeys the
// mode bits like anybody else. Capabilities belong to the thread, and the dialog runs on this one.
class WithoutWriteOverride {
  public:
    WithoutWriteOverride() {
        saved_.header = {_LINUX_CAPABILITY_VERSION_3, 0};
        if (syscall(SYS_capget, &saved_.header, saved_.data) != 0)
            return;
        Capabilities lowered = saved_;
        lowered.data[CAP_DAC_OVERRIDE / 32].effective &= ~(1U << (CAP_DAC_OVERRIDE % 32));
        changed_ = syscall(SYS_capset, &lowered.header, lowered.data) == 0;
    }
    ~WithoutWriteOverride() {
        if (changed_)
            syscall(SYS_capset, &saved_.header, saved_.data);
    }
    WithoutWriteOverride(const WithoutWriteOverride&) = delete;
    WithoutWriteOverride& operator=(const WithoutWriteOverride&) = delete;

  private:
    struct Capabilities {
        __user_cap_header_struct header;
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3];
    };
    Capabilities saved_{};
    bool changed_ = false;
};

TEST_F(FindDirectory, NewFolderPromptInAnUnwritableFolderCanBeCancelled) {
    const std::string locked = root + "/locked";
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(
        locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const WithoutWriteOverride asAnyUser;
    if (::mkdir((locked + "/probe").c_str(), 0777) == 0)
        GTEST_SKIP() << locked << " cannot be made unwritable here";

    TFindDir dialog(services.dialogs);
    dialog.FindDirPath = locked;
    dialog.AllowNewFolder = true;
    // OK on the offered name fails, then Cancel.
    services.dialogs.inputAnswers = {locked + "/New Folder", std::nullopt};
    bool openAfterCancel = false;
    runModal(dialog, [&] {
        QTest::mouseClick(dialog.AddNew, Qt::LeftButton);
        QCoreApplication::processEvents();  // a queued close would happen here
        openAfterCancel = dialog.isVisible();
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    });

    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(services.dialogs.texts(),
              (std::vector<std::string>{"What is the name of the new folder?",
                                        "Unable to create a folder called \"" + locked +
                                            "/New Folder\".\n\rPlease correct the name.",
                                        "What is the name of the new folder?"}));
    EXPECT_EQ(dialog.FindDirPath, locked);  // OK hands back the listed folder
    EXPECT_TRUE(dialog.AllowNewFolder);
    EXPECT_TRUE(std::filesystem::is_empty(locked));
}

// Browsing and making a folder with a bare name leave every relative name meaning what it
// meant before.
TEST_F(FindDirectory, RelativeNamesStillResolveAfterBrowsing) {
    std::ofstream(root + "/talk.ppt") << "deck";
    TFindDir dialog(services.dialogs);
    dialog.FindDirPath = "a";
    dialog.AllowNewFolder = true;
    services.dialogs.inputAnswers = {"fresh"};
    runModal(dialog, [&] {
        dialog.Directories->setCurrentRow(dialog.Directories->count() - 2);  // sub1
        QTest::keyClick(dialog.Directories, Qt::Key_Return);
        QTest::mouseClick(dialog.AddNew, Qt::LeftButton);
    });

    EXPECT_EQ(dialog.FindDirPath, root + "/a/sub1/fresh");
    EXPECT_TRUE(support::DirectoryExists(root + "/a/sub1/fresh"));
    EXPECT_EQ(cwd(), root);
    EXPECT_TRUE(std::filesystem::is_regular_file("talk.ppt"));
    EXPECT_FALSE(std::filesystem::exists("fresh"));
}

}  // namespace
