// quorvane as it starts for a user (main window, General page, port list polling), reporting its
// first paint.
#include "first_paint.h"

#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    quorvane::Application quorvane;
    FirstPaint firstPaint;
    quorvane.mainWindow().installEventFilter(&firstPaint);
    quorvane.show();
    return QApplication::exec();
}
