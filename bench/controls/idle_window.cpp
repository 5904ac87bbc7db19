// The peer of the gallery's CPU measurement: a frameless Qt window of the gallery's size that
// shows a picture and does nothing else, for the given number of seconds.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 40;
    QLabel window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    QPixmap picture(640, 400);
    picture.fill(QColor(20, 30, 90));
    window.setPixmap(picture);
    window.move(40, 40);
    window.show();
    QTimer::singleShot(seconds * 1000, &application, &QApplication::quit);
    return application.exec();
}
