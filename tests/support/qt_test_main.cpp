// Entry point of the Qt-based test programs: a QApplication on the offscreen platform (unless the
// environment chose another), then GoogleTest with the machine's serial ports kept out of reach
// (PortSafety.h).
#include "PortSafety.h"
#include "RunAllTests.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    quorvane::test::installPortSafety();
    return quorvane::test::runAllTests();
}
