// The real Qt boxes, answered by a timer as a user would.
#include "platform/qt/QtDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace {

// Calls act on the first modal box once it is up.
void whenBoxOpens(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr) {
            whenBoxOpens(act);
            return;
        }
        act(box);
    });
}

TEST(QtDialogs, MessageCarriesTheApplicationTitleAndPlainLines) {
    platform::QtDialogs dialogs;
    QString title, text;
    whenBoxOpens([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.message("first.\n\rsecond\r\nthird");
    EXPECT_EQ(title, "Convert PPT to jpg, bmp or gif files ");
    EXPECT_EQ(text, "first.\nsecond\nthird");
}

TEST(QtDialogs, YesNoReturnsTheButtonPressed) {
    platform::QtDialogs dialogs;
    for (auto [button, expected] : {std::pair{QMessageBox::Yes, true}, {QMessageBox::No, false}}) {
        whenBoxOpens([button](QWidget* widget) {
            qobject_cast<QMessageBox*>(widget)->button(button)->click();
        });
        EXPECT_EQ(dialogs.askYesNo("Go on?"), expected);
    }
}

TEST(QtDialogs, InputBoxAnswersTypedTextOrNothingOnCancel) {
    platform::QtDialogs dialogs;
    whenBoxOpens([](QWidget* widget) {
        auto* input = qobject_cast<QInputDialog*>(widget);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->windowTitle(), "Make New Folder");
        EXPECT_EQ(input->textValue(), "/tmp/New Folder");
        input->setTextValue("/tmp/Slides");
        input->accept();
    });
    EXPECT_EQ(dialogs.inputBox("Make New Folder", "Name?", "/tmp/New Folder"), "/tmp/Slides");
    whenBoxOpens([](QWidget* widget) {
        auto* input = qobject_cast<QInputDialog*>(widget);
        input->setTextValue("typed then cancelled");
        input->reject();
    });
    EXPECT_EQ(dialogs.inputBox("Make New Folder", "Name?", "/tmp/New Folder"), std::nullopt);
}

TEST(QtDialogs, OpenFileListsEveryFilterTheFirstChosen) {
    platform::QtDialogs dialogs;
    QStringList filters;
    QString chosen;
    whenBoxOpens([&](QWidget* widget) {
        auto* box = qobject_cast<QFileDialog*>(widget);
        ASSERT_NE(box, nullptr);
        filters = box->nameFilters();
        chosen = box->selectedNameFilter();
        box->reject();
    });
    EXPECT_EQ(dialogs.openFile({{"PowerPoint", {"*.ppt", "*.pptx"}}, {"All files", {"*"}}}),
              std::nullopt);
    EXPECT_EQ(filters, (QStringList{"PowerPoint (*.ppt *.pptx)", "All files (*)"}));
    EXPECT_EQ(chosen, "PowerPoint (*.ppt *.pptx)");
}

}  // namespace
