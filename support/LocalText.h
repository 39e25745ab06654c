#pragma once
// Texts cross between the controls (QString) and the file system and dialogs (std::string in
// the locale's encoding, as file names are).
#include <QString>
#include <string>

namespace support {

inline QString local(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}
inline std::string local(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

}  // namespace support
