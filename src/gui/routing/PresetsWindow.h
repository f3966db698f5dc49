#pragma once
// The "Presets" window of the Matrix page: the presets list ("Setting1".."Setting8"), "Edit",
// "Set", the "Select Output" list and the eight "Output configuration" buttons. A window of its
// own, not modal, owned by the main window; it draws the page's state and forwards clicks. While
// another page is on show the controls that send are greyed, with a line that says why.
// The presets are kept for the matrix the link leads to; "Export..." writes them to a file and
// "Import..." reads one back. The preset whose routes the matrix reports is marked active: its
// row in bold, "(active)" in what a screen reader reads of it, and a line under the list.

#include <QPointer>
#include <QWidget>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace quorvane {

class MatrixPage;
namespace site {
class SiteKeeper;
}

class PresetsWindow : public QWidget {
    Q_OBJECT
public:
    PresetsWindow(MatrixPage& page, site::SiteKeeper& keeper, QWidget* owner);

    void render();

    QTableWidget* presetList() const { return list_; }
    QPushButton* editButton() const { return edit_; }
    QPushButton* setButton() const { return set_; }
    QComboBox* selectOutputList() const { return selectOutput_; }
    QPushButton* configButton(int input) const { return config_.at(input - 1); }
    // The line shown while the controls that send are greyed.
    QLabel* offPageLine() const { return offPage_; }
    QPushButton* exportButton() const { return export_; }
    QPushButton* importButton() const { return import_; }
    // "Active preset: NAME", shown while one is active.
    QLabel* activeLine() const { return active_; }
    // What the last export or import said ("" before the first).
    QLabel* fileLine() const { return file_; }
    // The file dialog last opened while it exists (it deletes itself once closed), else null.
    QWidget* fileDialog() const;
    // The editor while it is open, else null.
    QWidget* editor() const;

private:
    void buildList();
    void openEditor();
    void exportPresets();
    void importPresets();
    void showFileResult(const QString& text);

    MatrixPage& page_;
    QTableWidget* list_;
    QPushButton* edit_;
    QPushButton* set_;
    QComboBox* selectOutput_;
    QGroupBox* configBox_ = nullptr;
    std::array<QPushButton*, 8> config_{};
    QLabel* offPage_;
    site::SiteKeeper& keeper_;
    QPushButton* export_;
    QPushButton* import_;
    QLabel* active_;
    QLabel* file_;
    QPointer<QWidget> fileDialog_;
};

} // namespace quorvane
