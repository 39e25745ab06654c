#pragma once
// The directory chooser "Explore": the main window hands it a start directory through
// FindDirPath and takes the chosen directory back from the same variable.
#include <QDialog>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace support {

// On opening: the directory to start from; on closing: the chosen directory.
extern std::string FindDirPath;
// On opening: whether "Make New Folder" is offered; switched off once a folder was made.
extern bool AllowNewFolder;

// True when a directory of that name exists (the empty name never does).
bool DirectoryExists(const std::string& path);

class TFindDir : public QDialog {
  public:
    explicit TFindDir(QWidget* parent = nullptr);

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

    std::string current_;
};

// The one instance, created at start-up and kept hidden between uses.
extern TFindDir* FindDir;

}  // namespace support
