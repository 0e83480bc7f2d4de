#include "platform/DesktopCapture.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client-protocol.h>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <QDBusUnixFileDescriptor>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "imaging/SurfaceLimits.h"
#include "platform/PipeWireFrame.h"
#include "platform/SessionBus.h"
#include "platform/WaylandCapture.h"

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
    bool bRecorded = false;  // Mutter records it, and will announce its node
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
    if (!SessionServiceRuns(SERVICE.toStdString())) {
        return std::nullopt;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
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
            nodes.back()->bRecorded = true;
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
        while (deadline.isActive() && !std::all_of(nodes.begin(), nodes.end(), [](const auto& p) {
                   return p->node || !p->bRecorded;
               })) {
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

namespace {

const QString KWIN_SCREENSHOT = QStringLiteral("org.kde.KWin.ScreenShot2");

// Everything written into the pipe until its writer closes it, or until the time is up.
std::vector<uint8_t> ReadAll(int fd, int timeoutMs) {
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t chunk[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd pfd{fd, POLLIN, 0};
        if (left <= 0 || poll(&pfd, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0 || bytes.size() > static_cast<size_t>(MAX_SURFACE_BYTES)) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

// One screen from KWin: the call carries a pipe, into which KWin writes the pixels while we
// wait for its answer.
std::optional<PlatformImage> KWinScreenshot(const std::string& connector, std::string& strError) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        strError = "no pipe for KWin's screenshot.";
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    std::thread reader([&bytes, fd = fds[0]] { bytes = ReadAll(fd, ANSWER_MS); });
    QDBusMessage reply;
    {
        // The message holds a copy of the pipe's end until it is gone, and the reading ends
        // only once no copy is left but KWin's.
        QDBusMessage call = QDBusMessage::createMethodCall(
            KWIN_SCREENSHOT, QStringLiteral("/org/kde/KWin/ScreenShot2"), KWIN_SCREENSHOT,
            QStringLiteral("CaptureScreen"));
        call.setArguments({QString::fromStdString(connector),
                           QVariantMap{{QStringLiteral("include-cursor"), false},
                                       {QStringLiteral("native-resolution"), true}},
                           QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]))});
        close(fds[1]);
        reply = QDBusConnection::sessionBus().call(call, QDBus::Block, ANSWER_MS);
    }
    reader.join();
    close(fds[0]);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        strError = "KWin refused the screenshot: " + reply.errorMessage().toStdString();
        return std::nullopt;
    }
    QVariantMap results;
    reply.arguments().first().value<QDBusArgument>() >> results;
    const qlonglong width = results.value(QStringLiteral("width")).toLongLong();
    const qlonglong height = results.value(QStringLiteral("height")).toLongLong();
    const qlonglong stride = results.value(QStringLiteral("stride")).toLongLong();
    const int format = results.value(QStringLiteral("format")).toInt();
    // QImage's 32-bit formats (RGB32, ARGB32 and premultiplied): blue, green, red, alpha bytes.
    if (format < 4 || format > 6 || width <= 0 || height <= 0 || width > MAX_SURFACE_SIDE ||
        height > MAX_SURFACE_SIDE || stride < width * 4 ||
        static_cast<qlonglong>(bytes.size()) < stride * (height - 1) + width * 4) {
        strError = "KWin's screenshot is not one we read.";
        return std::nullopt;
    }
    return CapturedImage(bytes.data(), static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                         static_cast<uint32_t>(stride), WL_SHM_FORMAT_XRGB8888, 0);
}

}  // namespace

std::optional<std::vector<std::optional<PlatformImage>>> KWinScreenshotOutputs(
    const std::vector<std::string>& connectors, std::string& strError) {
    if (!SessionServiceRuns(KWIN_SCREENSHOT.toStdString())) {
        return std::nullopt;
    }
    std::vector<std::optional<PlatformImage>> images;
    images.reserve(connectors.size());
    for (const std::string& connector : connectors) {
        images.push_back(KWinScreenshot(connector, strError));
    }
    return images;
}

#include "DesktopCapture.moc"
