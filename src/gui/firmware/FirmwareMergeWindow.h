#pragma once
// The merge tool's window, opened by "Merge..." on the FW Upgrade page: one row per processor
// (label, read-only path, open button, two version boxes) and "Merge". Its report goes to the
// page's "Messages" log. The window only shows the page's merge state and forwards clicks.

#include "gui/ui/FileDialogs.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace quorvane {

class FirmwarePage;
class ImageButton;

class FirmwareMergeWindow : public QDialog {
    Q_OBJECT
public:
    // Asks for a file and returns at once; `chosen` gets the path later, or never on a cancel.
    using FileChooser =
        std::function<void(const QString& caption, const QString& filter, PathChosen chosen)>;

    FirmwareMergeWindow(FirmwarePage& page, QWidget* parent = nullptr);

    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    void render();

    ImageButton* openButton(int row) const { return rows_.at(static_cast<std::size_t>(row)).open; }
    QLineEdit* pathBox(int row) const { return rows_.at(static_cast<std::size_t>(row)).path; }
    QPushButton* mergeButton() const { return merge_; }

private:
    struct Row {
        QLineEdit* path = nullptr;
        ImageButton* open = nullptr;
        QLineEdit* version1 = nullptr;
        QLineEdit* version2 = nullptr;
    };
    void openImage(int row);

    FirmwarePage& page_;
    FileChooser chooser_;
    std::array<Row, 4> rows_{};
    QPushButton* merge_ = nullptr;
};

} // namespace quorvane
