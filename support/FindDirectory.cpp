#include "support/FindDirectory.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/Dialogs.h"
#include "support/LocalText.h"
#include "support/TextUtil.h"

namespace support {

namespace {

constexpr int RowHeight = 16;
constexpr int ListRightMargin = 204 - (16 + 177);

// Absolute, without "." or ".." steps and without a trailing slash (except the root itself).
std::string normalised(const std::string& path) {
    std::error_code ignored;
    std::string out = std::filesystem::absolute(path, ignored).lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out.empty() ? "/" : out;
}

bool under(const std::string& path, const std::string& root) {
    if (root == "/")
        return true;
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == '/');
}

}  // namespace

TFindDir::TFindDir(platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Explore"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(204, 268);

    Label1 = new QLabel(QStringLiteral("Select directory"), this);
    Label1->setGeometry(0, 0, 100, 13);
    Drives = new QComboBox(this);
    Drives->setGeometry(0, 13, 204, 19);
    Directories = new QListWidget(this);
    Directories->setGeometry(16, 39, 177, 148);
    Directories->setUniformItemSizes(true);
    AddNew = new QPushButton(QStringLiteral("Make New Folder"), this);
    AddNew->setGeometry(27, 193, 153, 25);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(73, 224, 60, 20);
    OKBtn->setAutoDefault(false);
    AddNew->setAutoDefault(false);

    // Tab order: the list, the drive box, OK, Make New Folder.
    setTabOrder(Directories, Drives);
    setTabOrder(Drives, OKBtn);
    setTabOrder(OKBtn, AddNew);

    fillDrives();
    connect(Drives, &QComboBox::activated, this, [this](int index) {
        const std::string root = local(Drives->itemText(index));
        const auto known = driveDirectories_.find(root);
        setCurrentDirectory(known != driveDirectories_.end() && DirectoryExists(known->second)
                                ? known->second
                                : root);
        DrivesChange();
    });
    // A double click and Enter on the selected row both activate it.
    connect(Directories, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { enterItem(item); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(AddNew, &QPushButton::clicked, this, [this] { AddNewClick(); });
}

void TFindDir::fillDrives() {
    std::vector<std::string> roots{"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            roots.push_back(local(volume.rootPath()));
    }
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    Drives->clear();
    for (const std::string& root : roots) Drives->addItem(local(root));
}

std::string TFindDir::currentDrive() const {
    return Drives->currentIndex() < 0 ? std::string("/") : local(Drives->currentText());
}

void TFindDir::setCurrentDirectory(const std::string& path) {
    // The process's working directory stays as it is: relative names elsewhere in the program
    // (the presentation, the "./" output directory, the log file) must mean the same folder
    // before and after browsing.
    current_ = normalised(path);
    int best = -1;
    std::size_t bestLength = 0;
    for (int i = 0; i < Drives->count(); ++i) {
        const std::string root = local(Drives->itemText(i));
        if (under(current_, root) && (best < 0 || root.size() > bestLength)) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0) {
        Drives->setCurrentIndex(best);
        driveDirectories_[local(Drives->itemText(best))] = current_;
    }
    fillDirectories();
}

void TFindDir::fillDirectories() {
    Directories->clear();
    // The path from the root down, one row per level, then the subdirectories one level deeper.
    std::vector<std::string> chain{"/"};
    for (std::size_t slash = current_.find('/', 1); slash != std::string::npos;
         slash = current_.find('/', slash + 1)) {
        chain.push_back(current_.substr(0, slash));
    }
    if (current_ != "/")
        chain.push_back(current_);
    int depth = 0;
    for (const std::string& dir : chain) {
        const std::string name = dir == "/" ? dir : dir.substr(dir.find_last_of('/') + 1);
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + local(name));
        item->setData(Qt::UserRole, local(dir));
        Directories->addItem(item);
        ++depth;
    }
    Directories->setCurrentRow(Directories->count() - 1);
    const QStringList subdirs =
        QDir(local(current_))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const std::string prefix = current_ == "/" ? "" : current_;
    for (const QString& sub : subdirs) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + sub);
        item->setData(Qt::UserRole, local(prefix + "/") + sub);
        Directories->addItem(item);
    }
}

void TFindDir::enterItem(QListWidgetItem* item) {
    if (item != nullptr)
        setCurrentDirectory(local(item->data(Qt::UserRole).toString()));
}

void TFindDir::closeDialog() {
    // Queued, because the dialog may still be on its way up when it is told to close.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            done(QDialog::Accepted);
    });
}

void TFindDir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TFindDir::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The list widens with the window; its height stays a whole number of rows.
    const int rows = std::max(1, 148 / RowHeight);
    Directories->setGeometry(16, 39, std::max(20, width() - 16 - ListRightMargin),
                             rows * RowHeight + 2 * Directories->frameWidth());
}

void TFindDir::FormActivate() {
    while (!DirectoryExists(FindDirPath)) {
        if (FindDirPath.find('/') == std::string::npos) {
            dialogs_.message("Unable to locate a directory called " + FindDirPath);
            closeDialog();
            return;
        }
        // Cut the last "/" and what follows; the walk stops at the root, which always exists.
        const bool absolute = FindDirPath[0] == '/';
        std::string reversed = ReverseText(FindDirPath);
        reversed.erase(0, reversed.find('/') + 1);
        FindDirPath = ReverseText(reversed);
        if (FindDirPath.empty() && absolute)
            FindDirPath.assign(1, '/');  // not = "/": GCC 12 warns falsely (-Wrestrict)
    }
    AddNew->setVisible(AllowNewFolder);
    setCurrentDirectory(FindDirPath);
}

void TFindDir::OKBtnClick() {
    FindDirPath = currentDirectory();
    if (FindDirPath.empty() || FindDirPath[0] != '/') {
        std::string root = currentDrive();
        if (root.back() != '/')
            root += '/';
        FindDirPath = root + FindDirPath;
    }
    closeDialog();
}

std::string TFindDir::resolved(const std::string& name) const {
    if (name.empty() || name[0] == '/')
        return name;
    return (current_ == "/" ? std::string() : current_) + "/" + name;
}

void TFindDir::AddNewClick() {
    std::string name = currentDirectory() + "/New Folder";
    for (;;) {
        const std::optional<std::string> answer =
            dialogs_.inputBox("Make New Folder", "What is the name of the new folder?", name);
        // Cancel leaves the prompt; the chooser stays open on its folder.
        if (!answer)
            return;
        name = *answer;
        // Creation is tried in any case; a directory that is there already is as good.
        const std::string path = resolved(name);
        const bool created = ::mkdir(path.c_str(), 0777) == 0;
        if (created || DirectoryExists(path)) {
            FindDirPath = path;
            break;
        }
        dialogs_.message("Unable to create a folder called \"" + name +
                         "\".\n\rPlease correct the name.");
    }
    AllowNewFolder = false;
    closeDialog();
}

void TFindDir::DrivesChange() {}

}  // namespace support
