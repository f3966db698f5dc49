// Quorvane: control program for an 8-input, 8-output HDMI matrix switcher.
#include "gui/app/Application.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* Usage = "Usage: quorvane [--version | --help]\n"
                              "Controls an 8x8 HDMI matrix switcher over a serial port or TCP.\n"
                              "The program takes no other arguments; see quorvane(1).\n";

} // namespace

int main(int argc, char* argv[]) {
    // Answered before any display is needed, so that scripts and packaging checks can ask.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorvane %s\n", QUORVANE_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
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
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));

    quorvane::Application quorvane;
    quorvane.show();
    return QApplication::exec();
}
