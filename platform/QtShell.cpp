#include "platform/QtShell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {

int QtShell::open(const std::string& file, const std::string&, const std::string&, int) {
    const QString path = QString::fromStdString(file);
    if (!QFileInfo::exists(path))
        return ShellFileNotFound;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()))
               ? ShellOk
               : ShellNoAssociation;
}

}  // namespace platform
