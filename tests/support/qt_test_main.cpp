// Entry point of the Qt-based test programs: a QApplication on the offscreen platform (unless the
// environment chose another), then GoogleTest with the machine's serial ports kept out of reach
// (PortSafety.h), and a private data folder, so that no test reads or writes the user's own
// names and presets.
#include "PortSafety.h"
#include "RunAllTests.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir data;
    if (data.isValid())
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    quorvane::test::installPortSafety();
    return quorvane::test::runAllTests();
}
