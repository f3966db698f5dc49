#pragma once
// Pictures of what a GUI test drew, for a developer to look at. Written only when asked:
// QUORVANE_TEST_SCREENSHOTS names the folder to write them into; unset, nothing is written.

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

namespace quorvane::testsupport {

inline void saveScreenshot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("QUORVANE_TEST_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    image.save(QDir(folder).filePath(name));
}

inline void saveScreenshot(QWidget* widget, const QString& name) {
    if (!qEnvironmentVariableIsEmpty("QUORVANE_TEST_SCREENSHOTS"))
        saveScreenshot(widget->grab().toImage(), name);
}

} // namespace quorvane::testsupport
