#include "platform/MutterScreenCast.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <algorithm>
#include <memory>

#include "platform/PipeWireFrame.h"

namespace {

const QString SERVICE = QStringLiteral("org.gnome.Mutter.ScreenCast");
const QString SESSION = QStringLiteral("org.gnome.Mutter.ScreenCast.Session");
// For each answer, and then for each frame: the fade starts from black rather than wait longer.
constexpr int ANSWER_MS = 2000;
// Mutter's cursor modes: 0 leaves the pointer out (it moves on while the fade runs).
constexpr uint CURSOR_HIDDEN = 0;

// One stream's PipeWire node, announced once the session starts.
class StreamNode : public QObject {
    Q_OBJECT
public:
    explicit StreamNode(QEventLoop& loop) : m_loop(loop) {}
    std::optional<uint32_t> node;

public slots:
    void OnAdded(uint nodeId) {
        node = nodeId;
        m_loop.quit();  // the waiting looks whether every stream has its node
    }

private:
    QEventLoop& m_loop;
};

// A call on the session bus; the reply, or nothing (said in strError) when it failed.
std::optional<QDBusMessage> Call(const QString& path, const QString& interface,
                                 const QString& method, const QVariantList& args,
                                 std::string& strError) {
    QDBusMessage call = QDBusMessage::createMethodCall(SERVICE, path, interface, method);
    call.setArguments(args);
    QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, ANSWER_MS);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        strError = "GNOME's screencast refused " + method.toStdString() + ": " +
                   reply.errorMessage().toStdString();
        return std::nullopt;
    }
    return reply;
}

QString PathOf(const QDBusMessage& reply) {
    return reply.arguments().isEmpty() ? QString()
                                       : reply.arguments().first().value<QDBusObjectPath>().path();
}

}  // namespace

std::optional<std::vector<std::optional<PlatformImage>>> MutterCastOutputs(
    const std::vector<std::string>& connectors, std::string& strError) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(SERVICE).value()) {
        return std::nullopt;
    }
    std::vector<std::optional<PlatformImage>> images(connectors.size());
    const std::optional<QDBusMessage> session =
        Call(QStringLiteral("/org/gnome/Mutter/ScreenCast"), SERVICE,
             QStringLiteral("CreateSession"), {QVariantMap()}, strError);
    if (!session || PathOf(*session).isEmpty()) {
        return images;
    }
    const QString sessionPath = PathOf(*session);
    QEventLoop loop;
    std::vector<std::unique_ptr<StreamNode>> nodes;
    for (const std::string& connector : connectors) {
        nodes.push_back(std::make_unique<StreamNode>(loop));
        const std::optional<QDBusMessage> stream =
            Call(sessionPath, SESSION, QStringLiteral("RecordMonitor"),
                 {QString::fromStdString(connector),
                  QVariantMap{{QStringLiteral("cursor-mode"), QVariant::fromValue(CURSOR_HIDDEN)}}},
                 strError);
        if (stream && !PathOf(*stream).isEmpty()) {
            bus.connect(
                SERVICE, PathOf(*stream), QStringLiteral("org.gnome.Mutter.ScreenCast.Stream"),
                QStringLiteral("PipeWireStreamAdded"), nodes.back().get(), SLOT(OnAdded(uint)));
        }
    }
    if (Call(sessionPath, SESSION, QStringLiteral("Start"), {}, strError)) {
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(ANSWER_MS);
        while (deadline.isActive() &&
               !std::all_of(nodes.begin(), nodes.end(), [](const auto& p) { return p->node; })) {
            loop.exec();
        }
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i]->node) {
                images[i] = ReadPipeWireFrame(*nodes[i]->node, ANSWER_MS, strError);
            }
        }
    }
    std::string strIgnored;
    Call(sessionPath, SESSION, QStringLiteral("Stop"), {}, strIgnored);
    return images;
}

#include "MutterScreenCast.moc"
