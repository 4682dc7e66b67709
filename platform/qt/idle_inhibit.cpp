#include "platform/qt/idle_inhibit.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <optional>

#include "platform/qt/form.h"
#include "platform/qt/qt_convert.h"

// Last: Xlib's macros (None, Bool, Status...) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace vos {

namespace {

constexpr int kReleaseTimeoutMs = 1000;

// The D-Bus names of the two inhibition services.
constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kPortalInhibit = "org.freedesktop.portal.Inhibit";
constexpr const char* kPortalRequest = "org.freedesktop.portal.Request";
constexpr unsigned kPortalIdleFlag = 8;
constexpr const char* kSaverService = "org.freedesktop.ScreenSaver";
constexpr const char* kSaverPath = "/org/freedesktop/ScreenSaver";

// A session bus that is there: named by the environment, or the per-user
// bus socket. Without one, Qt's library would try to start a bus of its own.
bool sessionBusExists() {
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

Display* x11Display() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// The portal's name for the window: "x11:<id>" on X, "" elsewhere.
QString portalWindow(const Form& window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return {};
    return QStringLiteral("x11:") + QString::number(window.window()->winId(), 16);
}

}  // namespace

struct IdleInhibitor::Impl {
    std::optional<QDBusConnection> bus;
    QDBusObjectPath portalRequest;       // the portal's handle, once answered
    std::optional<unsigned> saverCookie;  // the screen saver's, once answered
    Display* display = nullptr;          // suspended on it
    std::unique_ptr<QObject> context;    // the answers' watchers live on it

    void askPortal(const QString& window, const QString& reason) {
        QDBusMessage m = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInhibit,
                                                        QStringLiteral("Inhibit"));
        m << window << QVariant::fromValue(kPortalIdleFlag)
          << QVariantMap{{QStringLiteral("reason"), reason}};
        watch(bus->asyncCall(m), [this](QDBusPendingCallWatcher& w) {
            const QDBusPendingReply<QDBusObjectPath> reply = w;
            if (reply.isValid()) portalRequest = reply.value();
        });
    }

    void askScreenSaver(const QString& reason) {
        QDBusMessage m = QDBusMessage::createMethodCall(kSaverService, kSaverPath, kSaverService,
                                                        QStringLiteral("Inhibit"));
        m << QStringLiteral("Vostrelle") << reason;
        watch(bus->asyncCall(m), [this](QDBusPendingCallWatcher& w) {
            const QDBusPendingReply<unsigned> reply = w;
            if (reply.isValid()) saverCookie = reply.value();
        });
    }

    template <class F>
    void watch(const QDBusPendingCall& call, F answered) {
        auto* w = new QDBusPendingCallWatcher(call, context.get());
        QObject::connect(w, &QDBusPendingCallWatcher::finished, context.get(), [w, answered] {
            answered(*w);
            w->deleteLater();
        });
    }

    // Waits a bounded time for each answer: the program is ending.
    void release() {
        context.reset();  // answers that come later are not wanted
        if (bus && !portalRequest.path().isEmpty())
            bus->call(QDBusMessage::createMethodCall(kPortalService, portalRequest.path(), kPortalRequest,
                                                     QStringLiteral("Close")),
                      QDBus::Block, kReleaseTimeoutMs);
        if (bus && saverCookie) {
            QDBusMessage m = QDBusMessage::createMethodCall(kSaverService, kSaverPath, kSaverService,
                                                            QStringLiteral("UnInhibit"));
            m << *saverCookie;
            bus->call(m, QDBus::Block, kReleaseTimeoutMs);
        }
        if (display) {
            XScreenSaverSuspend(display, False);
            XFlush(display);
        }
    }
};

IdleInhibitor::IdleInhibitor(const Form& window, const std::string& reason) : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.context = std::make_unique<QObject>();
    const QString why = qtconv::toQString(reason);
    if (sessionBusExists()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            d.bus = bus;
            d.askPortal(portalWindow(window), why);
            d.askScreenSaver(why);
        }
    }
    int event = 0, error = 0;
    if (Display* dpy = x11Display(); dpy && XScreenSaverQueryExtension(dpy, &event, &error)) {
        XScreenSaverSuspend(dpy, True);
        XFlush(dpy);
        d.display = dpy;
    }
}

IdleInhibitor::~IdleInhibitor() { impl_->release(); }

}  // namespace vos
