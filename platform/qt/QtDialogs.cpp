#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

QString QtDialogs::displayText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
            out += '\n';
            ++i;
        } else if (c == '\r') {
            out += '\n';
        } else {
            out += c;
        }
    }
    return QString::fromLocal8Bit(out.c_str());
}

void QtDialogs::message(const std::string& text) {
    messageWithCaption(ApplicationTitle, text);
}

void QtDialogs::messageWithCaption(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLocal8Bit(caption.c_str()), displayText(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::askYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLocal8Bit(ApplicationTitle),
                    displayText(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::inputBox(const std::string& caption,
                                               const std::string& prompt,
                                               const std::string& prefilled) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(QApplication::activeWindow(), QString::fromLocal8Bit(caption.c_str()),
                              QString::fromLocal8Bit(prompt.c_str()), QLineEdit::Normal,
                              QString::fromLocal8Bit(prefilled.c_str()), &ok);
    if (!ok)
        return std::nullopt;
    return answer.toLocal8Bit().toStdString();
}

QString QtDialogs::filterText(const std::vector<FileFilter>& filters) {
    // "Name (*.a *.b);;Other (*.c)": Qt's way of listing the types.
    std::string text;
    for (const FileFilter& filter : filters) {
        std::string patterns;
        for (const std::string& pattern : filter.patterns)
            patterns += (patterns.empty() ? "" : " ") + pattern;
        text += (text.empty() ? "" : ";;") + filter.name + " (" + patterns + ")";
    }
    return QString::fromLocal8Bit(text.c_str());
}

std::optional<std::string> QtDialogs::openFile(const std::vector<FileFilter>& filters) {
    const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(),
                                                        QString(), filterText(filters));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toLocal8Bit().toStdString();
}

}  // namespace platform
