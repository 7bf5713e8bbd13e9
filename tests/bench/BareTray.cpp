#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

// The floor of this stack for the resource probe: a tray icon with a menu and
// a one-second timer, nothing else.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter(&pixmap).fillRect(4, 4, 14, 14, Qt::darkCyan);
    QSystemTrayIcon icon{QIcon(pixmap)};
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QApplication::quit);
    icon.setContextMenu(&menu);
    icon.show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &icon, [] {});
    timer.start(1000);
    return app.exec();
}
