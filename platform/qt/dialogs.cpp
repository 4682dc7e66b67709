#include "platform/qt/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <optional>

#include "platform/qt/app_services.h"
#include "platform/qt/qt_convert.h"

namespace vos {

namespace {

// Runs one modal box over the active window of the program. When it closes,
// the window that was active gets the focus back (the window system need not
// do it), which is what raises that form's activation.
void runBox(QMessageBox::Icon icon, const std::string& text, std::optional<QPoint> at) {
    QPointer<QWidget> owner = QApplication::activeWindow();
    QMessageBox box(icon, QStringLiteral("Vostrelle"), qtconv::toQString(text), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    if (at) box.move(*at);  // a moved dialog is not re-centred on its owner
    box.exec();
    if (owner && owner->isVisible()) owner->activateWindow();
}

bool toSink(const char* kind, const std::string& text) {
    auto& sink = appServices().messageSink;
    if (!sink) return false;
    auto copy = sink;  // the sink may replace itself
    copy(kind, text);
    return true;
}

}  // namespace

void showErrorBox(const std::string& utf8) {
    if (!toSink("error", utf8)) runBox(QMessageBox::Critical, utf8, std::nullopt);
}

void showInfoBoxAt(const std::string& utf8, int x, int y) {
    if (!toSink("info", utf8)) runBox(QMessageBox::Information, utf8, QPoint(x, y));
}

void showMessage(const std::string& utf8) {
    if (!toSink("message", utf8)) runBox(QMessageBox::NoIcon, utf8, std::nullopt);
}

void setMessageSink(std::function<void(const std::string& kind, const std::string& text)> sink) {
    appServices().messageSink = std::move(sink);
}

}  // namespace vos
