// The desktop side of the end-to-end tests on GNOME's and KDE's compositors, which have neither
// wallpaper nor screencopy headless:
//   desktop_tool paint RRGGBB...  a full-screen window of each colour, one a screen, until ended
//   desktop_tool pixel X Y        every output's colour there, read as the saver reads it
//   desktop_tool move           moves GNOME's pointer twice (Mutter's remote desktop)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/WaylandOverlay.h"
#include "saver/WaylandSaverShell.h"

namespace {

class ColourWindow : public QRasterWindow {
public:
    explicit ColourWindow(QColor colour) : m_colour(colour) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(0, 0), size()), m_colour);
        std::printf("painted\n");
        std::fflush(stdout);
    }

private:
    QColor m_colour;
};

// GNOME Shell's word on its lock screen, always "locked".
class LockedShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.ScreenSaver")
public slots:
    bool GetActive() { return true; }
};

// GNOME's session manager's word on what is held, always "everything".
class HoldingSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public slots:
    bool IsInhibited(uint) { return true; }
};

// Serves the object under the name until ended.
int Serve(QCoreApplication& app, QObject& object, const QString& name, const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(path, &object, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(name)) {
        return 1;
    }
    std::printf("serving\n");
    std::fflush(stdout);
    return app.exec();
}

int Pixel(int x, int y) {
    std::string strError;
    const auto pOverlay = WaylandOverlay::Connect({}, strError);
    if (!pOverlay) {
        std::fprintf(stderr, "desktop_tool: %s\n", strError.c_str());
        return 1;
    }
    std::string strLine;
    for (const auto& image : CaptureWaylandOutputs(*pOverlay)) {
        if (!image || x < 0 || y < 0 || x >= image->width || y >= image->height) {
            return 1;
        }
        char szColour[8];
        std::snprintf(szColour, sizeof szColour, "%06x",
                      image->pixels[static_cast<size_t>(y) * image->width + x] & 0xFFFFFF);
        if (!strLine.empty()) {
            strLine += ' ';
        }
        strLine += szColour;
    }
    std::printf("%s\n", strLine.c_str());
    return 0;
}

QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Mutter.RemoteDesktop"), path, interface, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call);
}

int Move() {
    const QDBusMessage session =
        Call(QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
             QStringLiteral("org.gnome.Mutter.RemoteDesktop"), QStringLiteral("CreateSession"));
    if (session.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "desktop_tool: %s\n", qPrintable(session.errorMessage()));
        return 1;
    }
    const QString path = session.arguments().first().value<QDBusObjectPath>().path();
    const QString interface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
    Call(path, interface, QStringLiteral("Start"));
    // Two moves: the first position a saver sees is where it starts counting from.
    QDBusMessage moved =
        Call(path, interface, QStringLiteral("NotifyPointerMotionRelative"), {5.0, 5.0});
    QThread::msleep(100);
    moved = Call(path, interface, QStringLiteral("NotifyPointerMotionRelative"), {5.0, 5.0});
    Call(path, interface, QStringLiteral("Stop"));
    return moved.type() == QDBusMessage::ReplyMessage ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string action = argc > 1 ? argv[1] : "";
    if (action == "paint" && argc >= 3) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        QGuiApplication app(argc, argv);
        std::vector<std::unique_ptr<ColourWindow>> windows;
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (int i = 2; i < argc && i - 2 < screens.size(); ++i) {
            windows.push_back(std::make_unique<ColourWindow>(
                QColor(QStringLiteral("#") + QString::fromLatin1(argv[i]))));
            windows.back()->setScreen(screens[i - 2]);
            windows.back()->setGeometry(screens[i - 2]->geometry());
            windows.back()->showFullScreen();
        }
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    if (action == "pixel" && argc == 4) {
        return Pixel(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    if (action == "move") {
        return Move();
    }
    if (action == "lock") {
        LockedShell shell;
        return Serve(app, shell, QStringLiteral("org.gnome.ScreenSaver"),
                     QStringLiteral("/org/gnome/ScreenSaver"));
    }
    if (action == "inhibit") {
        HoldingSession session;
        return Serve(app, session, QStringLiteral("org.gnome.SessionManager"),
                     QStringLiteral("/org/gnome/SessionManager"));
    }
    std::fprintf(stderr,
                 "usage: desktop_tool paint RRGGBB... | pixel X Y | move | lock | inhibit\n");
    return 2;
}

#include "desktop_tool.moc"
