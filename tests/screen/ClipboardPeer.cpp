// The other program on the clipboard, for the screen tests:
//   clipboard_peer image FILE  puts the image on the clipboard, prints "ready", and serves it
//                              until its standard input closes
//   clipboard_peer text WORDS  the same with text
//   clipboard_peer get FILE    saves the clipboard's image as PNG; exit 3 when it holds none
//   clipboard_peer get text    prints the clipboard's text; exit 3 when it holds none
#include <unistd.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: clipboard_peer image|text|get FILE|WORDS\n");
        return 2;
    }
    if (std::strcmp(argv[1], "get") == 0 && std::strcmp(argv[2], "text") == 0) {
        const QString text = QGuiApplication::clipboard()->text();
        std::printf("%s", text.toLocal8Bit().constData());
        return text.isEmpty() ? 3 : 0;
    }
    if (std::strcmp(argv[1], "get") == 0) {
        const QImage image = QGuiApplication::clipboard()->image();
        if (image.isNull())
            return 3;
        return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
    }
    const QString argument = QString::fromLocal8Bit(argv[2]);
    if (std::strcmp(argv[1], "text") == 0) {
        QGuiApplication::clipboard()->setText(argument);
    } else {
        const QImage image(argument);
        if (image.isNull())
            return 1;
        QGuiApplication::clipboard()->setImage(image);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            application.quit();
    });
    // Never outlives a test that forgot it.
    QTimer::singleShot(300000, &application, &QGuiApplication::quit);
    return application.exec();
}
