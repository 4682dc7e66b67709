#include "tests/support/qt/gui_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "platform/qt/dialogs.h"

namespace vos::test {

std::vector<std::pair<std::string, std::string>>& recordedMessages() {
    static std::vector<std::pair<std::string, std::string>> messages;
    return messages;
}

void clearRecordedMessages() { recordedMessages().clear(); }

std::vector<std::string> recordedErrors() {
    std::vector<std::string> out;
    for (const auto& [kind, text] : recordedMessages())
        if (kind == "error") out.push_back(text);
    return out;
}

void installRecordingSink() {
    setMessageSink([](const std::string& kind, const std::string& text) {
        recordedMessages().emplace_back(kind, text);
    });
}

bool waitUntil(const std::function<bool()>& cond, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!cond()) {
        if (clock.elapsed() >= limit.count()) return cond();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void serveEventsFor(std::chrono::milliseconds duration) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

}  // namespace vos::test
