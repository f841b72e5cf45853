// A plain window for the X11 tests, shown as the arguments say:
//   --fullscreen            full screen (on --screen N, default the primary)
//   --rect X,Y,W,H          a frameless window at exactly that place and size
//   --minimized             shown minimized
// Prints the native window id once shown, then runs until killed.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTextStream>

namespace {
class PlainWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(QRect(QPoint(), size()), Qt::darkCyan);
    }
};
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("ostavel-test-window"));
    const QStringList args = app.arguments();

    PlainWindow window;
    if (const qsizetype at = args.indexOf(QStringLiteral("--screen")); at >= 0) {
        const QList<QScreen*> screens = QGuiApplication::screens();
        const int index = args.value(at + 1).toInt();
        if (index < screens.size()) {
            window.setScreen(screens[index]);
            window.setGeometry(QRect(screens[index]->geometry().topLeft(), QSize(200, 200)));
        }
    }
    if (const qsizetype at = args.indexOf(QStringLiteral("--rect")); at >= 0) {
        const QStringList parts = args.value(at + 1).split(u',');
        if (parts.size() != 4)
            return 2;
        window.setFlag(Qt::FramelessWindowHint);
        window.setGeometry(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
    }
    if (args.contains(QStringLiteral("--fullscreen")))
        window.showFullScreen();
    else if (args.contains(QStringLiteral("--minimized")))
        window.showMinimized();
    else
        window.show();
    QTextStream(stdout) << window.winId() << Qt::endl;
    return app.exec();
}
