#pragma once
// The main window: its controls hold every parameter of a conversion, and its creation handler
// reads the command line into them.
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Conversion.h"
#include "app/Options.h"
#include "app/Program.h"
#include "platform/Dialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace support {
class TFindDir;
}

namespace app {

// The file-open dialog's type list: the presentations LibreOffice opens, PowerPoint's first.
struct OpenDialogSettings {
    std::vector<platform::FileFilter> filters = {
        {"PowerPoint", {"*.ppt", "*.pptx", "*.pps", "*.ppsx"}},
        {"OpenDocument presentation", {"*.odp"}},
        {"All files", {"*"}},
    };
};

class TForm1 : public QWidget, public ConversionObserver {
  public:
    // What the Convert command does; empty until the conversion exists.
    using ConvertAction = std::function<void(TForm1&)>;

    // Builds the controls, then runs FormCreate under the window-creation guard: an error that
    // escapes it is shown like any unhandled error and the window opens for the user.
    explicit TForm1(ProgramServices services, ConvertAction convert = {}, QWidget* parent = nullptr)
        : TForm1(services, Options{}, std::move(convert), parent) {}
    // The same, with the command line: its words (options.parameters) and the conventional
    // options read beside its slash flags; they are applied after the flags, so an option wins
    // over a flag that sets the same thing.
    TForm1(ProgramServices services, const Options& options, ConvertAction convert = {},
           QWidget* parent = nullptr);

    // The directory chooser that BrowseDirClick shows.
    void setDirectoryChooser(support::TFindDir& chooser) { findDir_ = &chooser; }

    // Handlers.
    void FormCreate();
    void ConvertClick();
    void FileNameChange();
    void FslideChange();
    void BrowseClick();
    void BrowseDirClick();

    // The slide export engine with the window's request: converts the presentation named in
    // FileName into images and appends their paths to OutputFiles.
    void ConvertPPT();

    // What the controls hold, as a conversion takes it.
    ConversionRequest request() const;

    // The window's side of a run.
    void beginRun(const ConversionRequest& request) override;
    void showCaption(const std::string& text) override;
    void showBusy() override;
    void endRun() override;
    // Minimising and restoring "the application": the main window, when it is on the screen.
    void minimizeApplication() override;
    void restoreApplication() override;

    // Shows an error that escaped a command, as the application's general error display does.
    void showUnhandledError(const std::exception& error);

    // The start-up asked the application to end (after a command-line run or the usage text).
    bool quitRequested() const { return quitRequested_; }
    void requestQuit() { quitRequested_ = true; }
    // An error was shown to the user during a run started from the command line.
    bool runFailed = false;

    // Full paths of the images the current run produced, in slide order.
    std::vector<std::string> OutputFiles;
    // Set once a command line has been read; the Convert command then asks no final question.
    bool BatchMode = false;
    // "bmp" after the flag /bmp; preferred to the window's format choice.
    std::string FormatOverride;
    // The key string that captures the screen.
    std::string CaptureKeys = "{PRTSC}";

    // Shows the directory chooser modally; tests replace it.
    std::function<void()> showDirectoryChooser;

    // Controls, in declaration order.
    QPushButton* Convert;
    QLineEdit* FileName;
    OpenDialogSettings OpenDialog1;
    QPushButton* Browse;
    QLabel* Label1;
    QRadioButton* allslides;
    QRadioButton* SomeSlides;
    QComboBox* Fslide;
    QLabel* Label2;
    QComboBox* Tslide;
    QLineEdit* OutputDir;
    QLabel* Label3;
    QPushButton* BrowseDir;
    QLineEdit* OfileName;
    QLabel* OfileNameLabel;
    QComboBox* ConvertTo;

  protected:
    void showEvent(QShowEvent* event) override;
    // A file dropped on the window or its file field (a file:// URI) names the presentation.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fitToText();
    // What the command line asked for, as a user would have typed it.
    void showInControls(const CommandLineRequest& read);
    // The options that fill a control: the name pattern.
    void showOptionsInControls();
    // What a conversion wrote, into OutputFiles; a failure into runFailed.
    void takeResult(const ConversionResult& result, bool replacesOutputFiles);

    ProgramServices services_;
    Options options_;
    ConvertAction convert_;
    support::TFindDir* findDir_ = nullptr;
    // The slide numbers the command line asked for, and the box positions that show them: used
    // while the boxes still show them, so that numbers the boxes have no item for still count.
    struct AskedSlides {
        int first, last;
        int firstPosition, lastPosition;
    };
    std::optional<AskedSlides> askedSlides_;
    // The presentation's base name as FileNameChange put it into the pattern.
    std::string deckNameInPattern_;
    // The caption from before the running conversion.
    QString captionBeforeRun_;
    bool quitRequested_ = false;
    bool centred_ = false;
};

}  // namespace app
