// Quorvane: control program for an 8-input, 8-output HDMI matrix switcher.
#include "app/Application.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Without a display there is no window to show; say how to get one instead of aborting.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("quorvane: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "Run it inside a desktop session, or under a virtual X server:\n"
                   "  xvfb-run -a -s \"-screen 0 1280x800x24\" quorvane\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral("6.29"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));

    quorvane::Application quorvane;
    quorvane.show();
    return QApplication::exec();
}
