// Entry point of the tests that use real Qt widgets: a QApplication on the
// offscreen platform (unless QT_QPA_PLATFORM is set), message boxes recorded
// instead of shown, then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/qt/gui_test_support.h"
#include "tests/support/qt/qt_environment.h"

int main(int argc, char** argv) {
    vos::test::prepareQtEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    vos::test::installRecordingSink();
    return RUN_ALL_TESTS();
}
