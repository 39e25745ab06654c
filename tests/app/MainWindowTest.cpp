// The main window's controls and handlers under Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "support/FindDirectory.h"
#include "tests/fakes/FakeAutomation.h"
#include "tests/fakes/FakeRunPlatforms.h"
#include "tests/fakes/FakeServices.h"

namespace {

using app::TForm1;

// The next widget Tab goes to, leaving out labels and the parts of this one (a combo box's edit).
QWidget* nextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (widget->isAncestorOf(next) || next->focusProxy() != nullptr ||
           !(next->focusPolicy() & Qt::TabFocus)) {
        next = next->nextInFocusChain();
    }
    return next;
}

class MainWindow : public testing::Test {
  protected:
    // Picks slide n in a box the way a user does: typing the number and pressing Enter.
    static void pick(QComboBox* box, int slide) {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), QString::number(slide));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    }

    fakes::FakeServices services;
    fakes::FakeAutomation automation;
    fakes::FakeRunPlatforms platforms{automation};
    app::Program program{services.dialogs, services.clock, services.shell, services.events,
                         platforms};
};

TEST_F(MainWindow, ControlsHaveTheirTextsHintsAndPlaces) {
    TForm1 form(program.services());
    EXPECT_EQ(form.windowTitle(), "Convert PowerPoint slides to JPEG or BMP files");
    struct Control {
        QWidget* widget;
        QRect place;
        QString hint;
        bool mayGrow;  // its text may need more room than drawn in the platform's font
    };
    const std::vector<Control> controls = {
        {form.Convert,
         {144, 216, 75, 25},
         "Convert slides in PowerPoint file . Press Esc to stop.",
         false},
        {form.FileName,
         {40, 16, 201, 21},
         "Enter name of PowerPoint file or click on Browse...",
         false},
        {form.Browse, {256, 16, 75, 25}, "Look for a PowerPoint file", false},
        {form.allslides, {40, 136, 113, 17}, "", true},
        {form.SomeSlides, {40, 160, 105, 17}, "", true},
        {form.Fslide, {152, 160, 49, 21}, "", true},
        {form.Tslide, {248, 160, 49, 21}, "", true},
        {form.OutputDir, {40, 64, 201, 21}, "Enter name of directory or click on Browse...", false},
        {form.BrowseDir,
         {256, 64, 75, 25},
         "Look for a directory into which the output files are to be written.",
         false},
        {form.OfileName,
         {40, 112, 201, 21},
         "Specify the format of the output file name - #  will be replaced  by the  slide "
         "number",
         false},
        {form.ConvertTo, {40, 184, 105, 21}, "", true},
    };
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& c = controls[i];
        const QRect at = c.widget->geometry();
        if (c.mayGrow) {
            EXPECT_EQ(at.top(), c.place.top()) << "control " << i;
            EXPECT_EQ(at.height(), c.place.height()) << "control " << i;
            EXPECT_GE(at.left(), c.place.left()) << "control " << i;
            EXPECT_GE(at.width(), std::max(c.place.width(), c.widget->sizeHint().width())) << i;
        } else {
            EXPECT_EQ(at, c.place) << "control " << i;
        }
        EXPECT_EQ(c.widget->toolTip(), c.hint) << "control " << i;
        // Tab order runs through the table in order.
        if (i > 0) {
            EXPECT_EQ(nextTabStop(controls[i - 1].widget), c.widget) << i;
        }
    }
    // The slide-range row stays in order without overlaps, inside the window.
    const QWidget* row[] = {form.SomeSlides, form.Fslide, form.Label2, form.Tslide};
    for (std::size_t i = 1; i < std::size(row); ++i) {
        EXPECT_LT(row[i - 1]->geometry().right(), row[i]->x()) << "row item " << i;
    }
    EXPECT_LE(form.Tslide->geometry().right(), form.width());
    EXPECT_EQ(form.Convert->text(), "Convert");
    EXPECT_EQ(form.Browse->text(), "Browse...");
    EXPECT_EQ(form.BrowseDir->text(), "Browse...");
    EXPECT_EQ(form.allslides->text(), "Convert all slides");
    EXPECT_EQ(form.SomeSlides->text(), "Convert from slide");
    EXPECT_EQ(form.Label1->text(), "PowerPoint file name:");
    EXPECT_EQ(form.Label2->text(), "to slide");
    EXPECT_EQ(form.Label3->text(), "Directory to contain output files:");
    EXPECT_EQ(form.OfileNameLabel->text(), "Format of output file names");
    // Labels start where they were drawn and are never narrower than the text they hold.
    for (QLabel* label : {form.Label1, form.Label2, form.Label3, form.OfileNameLabel}) {
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
        EXPECT_GE(label->height(), label->fontMetrics().height());
    }
    EXPECT_EQ(form.Label1->pos(), QPoint(40, 0));
    EXPECT_TRUE(form.FileName->text().isEmpty());
    EXPECT_TRUE(form.OutputDir->text().isEmpty());
    EXPECT_EQ(form.OfileName->text(), "_#");
    EXPECT_TRUE(form.OfileName->isHidden());
    EXPECT_TRUE(form.OfileNameLabel->isHidden());
    EXPECT_TRUE(form.allslides->isChecked());
    EXPECT_FALSE(form.SomeSlides->isChecked());
    EXPECT_EQ(form.ConvertTo->currentText(), "Convert to *.jpg");
    ASSERT_EQ(form.ConvertTo->count(), 4);
    EXPECT_EQ(form.ConvertTo->itemText(1), "Convert to *.bmp");
    EXPECT_EQ(form.ConvertTo->itemText(2), "Convert to *.gif");
    EXPECT_EQ(form.ConvertTo->itemText(3), "Convert to *.png");
    EXPECT_FALSE(form.BatchMode);
}

TEST_F(MainWindow, TypingAFileNameRecomputesThePattern) {
    TForm1 form(program.services());
    QTest::keyClicks(form.FileName, "/decks/Talk.ppt");
    EXPECT_EQ(form.OfileName->text(), "Talk_#");
    EXPECT_FALSE(form.OfileName->isHidden());
    EXPECT_FALSE(form.OfileNameLabel->isHidden());

    form.OfileName->setText("mine_#");
    QTest::keyClick(form.FileName, Qt::Key_Backspace);
    EXPECT_EQ(form.OfileName->text(), "Talk_#");  // "/decks/Talk.pp": the extension goes

    form.FileName->clear();
    EXPECT_EQ(form.OfileName->text(), "_#");
    EXPECT_FALSE(form.OfileName->isHidden());  // stays visible once shown
}

TEST_F(MainWindow, NamesKeepTheirBytesAndADroppedFileIsItsPath) {
    // From the command line: bytes that are not UTF-8 reach the request as they were.
    const std::string latin1 = "/decks/Pr\xe4sentation.ppt";
    TForm1 given(program.services(), app::ReadOptions({latin1, "/d:/out\xff"}));
    EXPECT_EQ(given.request().fileName, latin1);
    EXPECT_EQ(given.request().outputDir, "/out\xff");
    EXPECT_EQ(given.request().pattern, "Pr\xe4sentation_#");

    // Dropped as a file manager drops it, on the field and on the window.
    TForm1 form(program.services());
    for (QWidget* target : {static_cast<QWidget*>(form.FileName), static_cast<QWidget*>(&form)}) {
        SCOPED_TRACE(target == &form ? "window" : "field");
        form.FileName->setText("typed before");
        QMimeData data;
        data.setUrls({QUrl::fromEncoded("file:///decks/My%20Talk%FF.ppt")});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        EXPECT_EQ(form.request().fileName, "/decks/My Talk\xff.ppt");
        EXPECT_EQ(form.request().pattern, "My Talk\xff_#");
    }
}

TEST_F(MainWindow, SlideBoxRules) {
    struct Case {
        const char* name;
        int firstBefore, lastBefore;  // item positions set by the program, -1: none
        bool pickFirst;               // which box the user changes
        int slide;
        int firstAfter, lastAfter;
    };
    const std::vector<Case> cases = {
        {"FirstAboveLast", 0, 2, true, 5, 4, 4},  {"FirstWhenLastEmpty", -1, -1, true, 5, 4, 4},
        {"FirstBelowLast", 0, 7, true, 3, 2, 7},  {"LastBelowFirst", 4, 6, false, 2, 4, 4},
        {"LastAboveFirst", 4, 6, false, 9, 4, 8},
    };
    for (const Case& c : cases) {
        TForm1 form(program.services());
        form.Fslide->setCurrentIndex(c.firstBefore);
        form.Tslide->setCurrentIndex(c.lastBefore);
        EXPECT_TRUE(form.allslides->isChecked()) << c.name << ": program changes fire nothing";
        pick(c.pickFirst ? form.Fslide : form.Tslide, c.slide);
        EXPECT_EQ(form.Fslide->currentIndex(), c.firstAfter) << c.name;
        EXPECT_EQ(form.Tslide->currentIndex(), c.lastAfter) << c.name;
        EXPECT_TRUE(form.SomeSlides->isChecked()) << c.name;
        EXPECT_FALSE(form.allslides->isChecked()) << c.name;
    }
}

TEST_F(MainWindow, BrowseTakesTheChosenFileOnly) {
    TForm1 form(program.services());
    services.dialogs.openAnswers = {std::string("/decks/Q3 Review.ppt"), std::nullopt};
    QTest::mouseClick(form.Browse, Qt::LeftButton);
    EXPECT_EQ(services.dialogs.lastOpenFilters,
              (std::vector<std::string>{"PowerPoint|*.ppt *.pptx *.pps *.ppsx",
                                        "OpenDocument presentation|*.odp", "All files|*"}));
    EXPECT_EQ(form.FileName->text(), "/decks/Q3 Review.ppt");
    EXPECT_EQ(form.OfileName->text(), "Q3 Review_#");
    QTest::mouseClick(form.Browse, Qt::LeftButton);  // cancelled
    EXPECT_EQ(form.FileName->text(), "/decks/Q3 Review.ppt");
}

TEST_F(MainWindow, BrowseDirStartsFromTheFilesDirectory) {
    struct Case {
        std::string fileName, startDirectory, answer, outputDir;
    };
    const std::vector<Case> cases = {
        {"/home/ana/Talk.ppt", "/home/ana", "/home/ana/out", "/home/ana/out"},
        {"/Talk.ppt", "/", "/", "/"},
        {"Talk.ppt", "", "", ""},
        {"", "", "/tmp", "/tmp"},
        {"decks/Talk.ppt", "decks", "decks", "decks"},  // closed without a choice
    };
    for (const Case& c : cases) {
        TForm1 form(program.services());
        form.FileName->setText(QString::fromStdString(c.fileName));
        support::TFindDir chooser(services.dialogs);
        form.setDirectoryChooser(chooser);
        std::string seenStart;
        bool seenAllow = false;
        chooser.AllowNewFolder = false;
        form.showDirectoryChooser = [&] {
            seenStart = chooser.FindDirPath;
            seenAllow = chooser.AllowNewFolder;
            chooser.FindDirPath = c.answer;
        };
        QTest::mouseClick(form.BrowseDir, Qt::LeftButton);
        EXPECT_EQ(seenStart, c.startDirectory) << c.fileName;
        EXPECT_TRUE(seenAllow) << c.fileName;
        EXPECT_EQ(form.OutputDir->text().toStdString(), c.outputDir) << c.fileName;
    }
}

TEST_F(MainWindow, ConvertButtonRunsTheConvertCommand) {
    int runs = 0;
    TForm1 form(program.services(), [&](TForm1&) { ++runs; });
    QTest::mouseClick(form.Convert, Qt::LeftButton);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(form.quitRequested());
}

}  // namespace
