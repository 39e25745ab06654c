#pragma once
// The directory chooser "Explore": the main window hands it a start directory through
// FindDirPath and takes the chosen directory back from the same member.
#include <QDialog>
#include <map>
#include <string>

#include "support/Files.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace platform {
class Dialogs;
}

namespace support {

class TFindDir : public QDialog {
  public:
    explicit TFindDir(platform::Dialogs& dialogs, QWidget* parent = nullptr);

    // On opening: the directory to start from; on closing: the chosen directory.
    std::string FindDirPath = "/";
    // On opening: whether "Make New Folder" is offered; switched off once a folder was made.
    bool AllowNewFolder = false;

    // Handlers.
    void FormActivate();
    void OKBtnClick();
    void AddNewClick();
    void DrivesChange();

    // The directory list's current directory; setting it moves the drive box to the file system
    // that holds it. The process's working directory is left alone.
    std::string currentDirectory() const { return current_; }
    void setCurrentDirectory(const std::string& path);
    // The root of the file system the drive box shows.
    std::string currentDrive() const;

    QLabel* Label1;
    QComboBox* Drives;
    QListWidget* Directories;
    QPushButton* AddNew;
    QPushButton* OKBtn;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fillDrives();
    void fillDirectories();
    void enterItem(QListWidgetItem* item);
    void closeDialog();
    // A name typed into the dialog, taken inside the listed directory unless it is absolute.
    std::string resolved(const std::string& name) const;

    platform::Dialogs& dialogs_;
    std::string current_;
    // Each file system's directory as the list last showed it, as a drive keeps its own current
    // directory.
    std::map<std::string, std::string> driveDirectories_;
};

}  // namespace support
