#pragma once
// The "Presets" window of the Matrix page: the presets list ("Setting1".."Setting8"), "Edit",
// "Set", the "Select Output" list and the eight "Output configuration" buttons. A window of its
// own, not modal, owned by the main window; it draws the page's state and forwards clicks. While
// another page is on show the controls that send are greyed, with a line that says why.

#include <QWidget>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace quorvane {

class MatrixPage;

class PresetsWindow : public QWidget {
    Q_OBJECT
public:
    PresetsWindow(MatrixPage& page, QWidget* owner);

    void render();

    QTableWidget* presetList() const { return list_; }
    QPushButton* editButton() const { return edit_; }
    QPushButton* setButton() const { return set_; }
    QComboBox* selectOutputList() const { return selectOutput_; }
    QPushButton* configButton(int input) const { return config_.at(input - 1); }
    // The line shown while the controls that send are greyed.
    QLabel* offPageLine() const { return offPage_; }
    // The editor while it is open, else null.
    QWidget* editor() const;

private:
    void buildList();
    void openEditor();

    MatrixPage& page_;
    QTableWidget* list_;
    QPushButton* edit_;
    QPushButton* set_;
    QComboBox* selectOutput_;
    QGroupBox* configBox_ = nullptr;
    std::array<QPushButton*, 8> config_{};
    QLabel* offPage_;
};

} // namespace quorvane
