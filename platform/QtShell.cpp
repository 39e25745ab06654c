#include "platform/QtShell.h"

#include <QDesktopServices>
#include <QUrl>
#include <filesystem>

namespace platform {

int QtShell::open(const std::string& file, const std::string&, const std::string&, int) {
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return ShellFileNotFound;
    // The URL is made from the name's bytes, which need not be UTF-8.
    const std::string path = std::filesystem::absolute(file, error).string();
    const QUrl url = QUrl::fromEncoded(
        "file://" +
            QByteArray(path.data(), static_cast<qsizetype>(path.size())).toPercentEncoding("/"),
        QUrl::StrictMode);
    return QDesktopServices::openUrl(url) ? ShellOk : ShellNoAssociation;
}

}  // namespace platform
