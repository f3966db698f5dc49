// quorvane-sim: a simulated matrix on a pseudo-terminal registered as a COM port and on a TCP
// server, for demonstrations, learning the program and tests without hardware.
#include "sim/app/SignalQuitter.h"
#include "sim/app/SimOptions.h"
#include "sim/app/Simulator.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));

    QString error;
    QString message;
    const auto options =
        quorvane::sim::parseSimOptions(QCoreApplication::arguments(), error, message);
    if (!options) {
        if (!message.isEmpty()) {
            std::fputs(qPrintable(message), stdout);
            return 0;
        }
        std::fprintf(stderr, "quorvane-sim: %s\n", qPrintable(error));
        return 2;
    }

    quorvane::sim::SignalQuitter quitter;
    if (!quitter.install()) {
        std::fprintf(stderr, "quorvane-sim: cannot watch for signals\n");
        return 1;
    }
    quorvane::sim::Simulator simulator(*options);
    if (!simulator.start(error)) {
        std::fprintf(stderr, "quorvane-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(simulator.readinessLine()));
    std::fflush(stdout);
    return app.exec();
}
