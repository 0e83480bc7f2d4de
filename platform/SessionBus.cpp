#include "platform/SessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

namespace {

// A locker or compositor that is not answering at once is as good as absent.
constexpr int ANSWER_MS = 1000;

bool ServiceRuns(QDBusConnection& bus, const QString& service) {
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner.setArguments({service});
    const QDBusMessage owned = bus.call(hasOwner, QDBus::Block, ANSWER_MS);
    return owned.type() == QDBusMessage::ReplyMessage && !owned.arguments().isEmpty() &&
           owned.arguments().first().toBool();
}

std::optional<QVariant> Ask(const QString& service, const QString& path, const QString& interface,
                            const QString& method, const QVariantList& args = {}) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !ServiceRuns(bus, service)) {
        return std::nullopt;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(args);
    const QDBusMessage reply = bus.call(call, QDBus::Block, ANSWER_MS);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return reply.arguments().first();
}

}  // namespace

bool SessionServiceRuns(const std::string& name) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && ServiceRuns(bus, QString::fromStdString(name));
}

std::optional<uint32_t> MutterIdleMs() {
    const std::optional<QVariant> idle =
        Ask(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
            QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
            QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"));
    if (!idle || !idle->canConvert<qulonglong>()) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(std::min<qulonglong>(idle->toULongLong(), UINT32_MAX));
}

bool GnomeIdleInhibited() {
    // The session manager's flag for "inhibit the session being marked as idle".
    constexpr uint IDLE = 8;
    const std::optional<QVariant> inhibited =
        Ask(QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
            QStringLiteral("org.gnome.SessionManager"), QStringLiteral("IsInhibited"),
            {QVariant::fromValue(IDLE)});
    return inhibited && inhibited->toBool();
}

std::optional<std::string> SessionLockedBy() {
    // GNOME Shell's, Cinnamon's, MATE's, and the freedesktop one (KDE's KWin, xfce4-screensaver).
    const char* const lockers[][2] = {
        {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
        {"org.cinnamon.ScreenSaver", "/org/cinnamon/ScreenSaver"},
        {"org.mate.ScreenSaver", "/org/mate/ScreenSaver"},
        {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"}};
    for (const auto& [pszService, pszPath] : lockers) {
        const std::optional<QVariant> active =
            Ask(QLatin1String(pszService), QLatin1String(pszPath), QLatin1String(pszService),
                QStringLiteral("GetActive"));
        if (active && active->toBool()) {
            return pszService;
        }
    }
    return std::nullopt;
}
