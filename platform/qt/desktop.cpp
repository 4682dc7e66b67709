#include "platform/qt/desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include "platform/core/started_path.h"
#include "platform/qt/app_services.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/form.h"
#include "platform/qt/guard.h"
#include "platform/qt/qt_convert.h"
#include "platform/qt/session_end.h"

namespace vos {

void openDocument(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(qtconv::toQString(path)));
}

void copyToClipboard(const std::string& utf8) {
    QGuiApplication::clipboard()->setText(qtconv::toQString(utf8), QClipboard::Clipboard);
}

bool startDetached(const std::string& program, const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args) list << qtconv::toQString(a);
    return QProcess::startDetached(qtconv::toQString(program), list);
}

// Not Qt's application folder alone: it resolves links (/proc/self/exe), and a
// per-operator folder links the shared program file.
std::string programFolder() {
    std::string folder = startedFromFolder();
    if (folder.empty()) folder = qtconv::toStd(QCoreApplication::applicationDirPath()) + "/";
    return folder;
}

void processPendingEvents() { QCoreApplication::processEvents(); }

// Outside the event loop (during start-up) the request is remembered and
// runApplication returns it instead of entering the loop.
void quitApplication(int status) {
    AppServices& s = appServices();
    s.quitRequested = true;
    s.quitStatus = status;
    if (s.inEventLoop) QCoreApplication::exit(status);
}

namespace {

// Builds the windows and shows the main form; false (after the error box)
// when an exception escapes.
bool startUp(const std::function<void()>& build) {
    AppServices& s = appServices();
    s.startingUp = true;
    bool ok = true;
    try {
        build();
        if (!s.quitRequested && s.mainForm && !s.mainForm->visible()) s.mainForm->show();
    } catch (...) {
        ok = false;
        s.startingUp = false;
        reportException(std::current_exception());
    }
    s.startingUp = false;
    return ok;
}

}  // namespace

namespace {

// On a Wayland session the panel runs on the session's X server (XWayland):
// a Wayland client cannot place its windows, and the panel's place (the top
// centre of the screen, the about box beside it) and its screen-saver
// suspension are the X server's to give. A platform the user chose
// (QT_QPA_PLATFORM) is kept, and without an X server Qt chooses.
void preferXOnWayland() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
                         qgetenv("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland");
    if (wayland && qEnvironmentVariableIsSet("DISPLAY")) qputenv("QT_QPA_PLATFORM", "xcb");
}

}  // namespace

// The application object is never destroyed: windows that `build` created on
// the caller's objects may then be destroyed after this returns.
int runApplication(int argc, char** argv, const std::function<void()>& build) {
    static int qtArgc = argc;
    preferXOnWayland();
    // Qt's own event loop instead of glib's: the 2-ms idle timer wakes it 500
    // times a second, and each wake-up costs 10-20 % less without glib's
    // source bookkeeping. Set before the application object, which picks it.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    static QApplication* application = new QApplication(qtArgc, argv);
    QApplication& app = *application;
    // The main form's close ends the program, whatever other window is up.
    app.setQuitOnLastWindowClosed(false);
    AppServices& s = appServices();
    installSessionEnd();
    if (!startUp(build)) return 1;
    if (s.quitRequested) return s.quitStatus;
    if (!s.mainForm) return 0;
    // A signal that came during start-up: the close, now that it is over.
    if (endRequestedDuringStartUp()) {
        s.mainForm->close();
        return s.quitStatus;
    }
    closeMainFormAtExit();
    s.inEventLoop = true;
    const int status = app.exec();
    s.inEventLoop = false;
    return s.quitRequested ? s.quitStatus : status;
}

}  // namespace vos
