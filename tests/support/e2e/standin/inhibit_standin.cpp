// A stand-in for the desktop's inhibition services, for the end-to-end test
// of the panel keeping the screen on: on the session bus it is given, it
// owns the names of the desktop portal and of the screen saver service,
// answers their Inhibit, UnInhibit and Request.Close calls as they do, and
// prints one line per call on its standard output ("ready" once it owns the
// names).
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <cstdio>

namespace {

constexpr const char* kRequest = "/org/freedesktop/portal/desktop/request/1_1/vostrelle";
constexpr unsigned kCookie = 42;

void print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class StandIn final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QString call = m.interface() + QLatin1Char('.') + m.member();
        const QVariantList args = m.arguments();
        QVariantList reply;
        if (call == QLatin1String("org.freedesktop.portal.Inhibit.Inhibit") && args.size() == 3) {
            const auto options = qdbus_cast<QVariantMap>(args.at(2));
            print(QStringLiteral("portal Inhibit window=%1 flags=%2 reason=%3")
                      .arg(args.at(0).toString(), args.at(1).toString(), options.value("reason").toString()));
            reply << QVariant::fromValue(QDBusObjectPath(kRequest));
        } else if (call == QLatin1String("org.freedesktop.portal.Request.Close")) {
            print(QStringLiteral("portal Close path=%1").arg(m.path()));
        } else if (call == QLatin1String("org.freedesktop.ScreenSaver.Inhibit") && args.size() == 2) {
            print(QStringLiteral("screensaver Inhibit application=%1 reason=%2")
                      .arg(args.at(0).toString(), args.at(1).toString()));
            reply << QVariant::fromValue(kCookie);
        } else if (call == QLatin1String("org.freedesktop.ScreenSaver.UnInhibit") && args.size() == 1) {
            print(QStringLiteral("screensaver UnInhibit cookie=%1").arg(args.at(0).toUInt()));
        } else {
            print(QStringLiteral("unexpected %1 on %2").arg(call, m.path()));
            return false;
        }
        bus.send(m.createReply(reply));
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    StandIn standIn;
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &standIn) ||
        !bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &standIn,
                                   QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        return 1;
    print(QStringLiteral("ready"));
    return app.exec();
}
