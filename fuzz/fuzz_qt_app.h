#pragma once
// The Qt application of a fuzz target that drives real controls: created once
// in LLVMFuzzerInitialize, on the offscreen platform, and kept for the whole
// run. Qt's own chatter (missing fonts of the offscreen platform and the like)
// is dropped so that libFuzzer's report stays readable; Qt's fatal messages
// still abort and are reported as a finding.
//
// Threading: the fuzz loop's thread is the GUI thread.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "tests/support/qt/qt_environment.h"

namespace vos::fuzz {

inline void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Qt fatal: %s\n", msg.toLocal8Bit().constData());
        std::abort();
    }
}

inline void startQtApplication(int* argc, char*** argv) {
    vos::test::prepareQtEnvironment();
    qInstallMessageHandler(quietQtMessages);
    // Qt gets its own copy of the program name only: it would otherwise take
    // out of argv the options it knows before libFuzzer reads its own.
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argc > 0 ? (*argv)[0] : const_cast<char*>("fuzz")), nullptr};
    // Lives until the process ends: libFuzzer never returns to main.
    static QApplication* app = new QApplication(qtArgc, qtArgv);
    (void)app;
}

}  // namespace vos::fuzz
