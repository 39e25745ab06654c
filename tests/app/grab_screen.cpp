// Saves the part of an X screen that is not black background as a PNG: under an Xvfb with a
// black root and no window manager, that is exactly the windows on it. Used by
// scripts/screenshot. With "--hover X Y" the pointer first rests at X,Y inside that area long
// enough for a tooltip to show.
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QRect contentArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xffffff) != 0)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

QImage grab() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
}

void wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2 && !(argc == 5 && std::strcmp(argv[2], "--hover") == 0)) {
        std::fprintf(stderr, "usage: grab_screen out.png [--hover X Y]\n");
        return 2;
    }
    QImage shot = grab();
    QRect area = contentArea(shot);
    if (area.isEmpty()) {
        std::fprintf(stderr, "grab_screen: nothing on the screen\n");
        return 1;
    }
    if (argc == 5) {
        QCursor::setPos(area.topLeft() + QPoint(std::atoi(argv[3]), std::atoi(argv[4])));
        wait(2000);
        shot = grab();
        area |= contentArea(shot);
    }
    return shot.copy(area).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
