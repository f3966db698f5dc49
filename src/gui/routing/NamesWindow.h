#pragma once
// The "Names" window of the Matrix page: a name for each of the eight inputs and eight outputs of
// the matrix the link leads to, kept for that matrix. "Save" checks every name (the reason of the
// first refused one is shown and read out, and nothing is kept), then keeps them; "Close" closes.
// Not modal; owned by the main window.

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane {

namespace site {
class SiteKeeper;
}

class NamesWindow : public QWidget {
    Q_OBJECT
public:
    NamesWindow(site::SiteKeeper& keeper, QWidget* owner);

    // Fills the fields from what is kept (when the window opens, or the matrix changes).
    void load();

    QLineEdit* inputField(int input) const { return inputs_.at(input - 1); }
    QLineEdit* outputField(int output) const { return outputs_.at(output - 1); }
    QPushButton* saveButton() const { return save_; }
    QLabel* matrixLine() const { return matrix_; }
    QLabel* resultLine() const { return result_; }

signals:
    // The names were kept.
    void saved();

private:
    void saveNames();
    void showResult(const QString& text);

    site::SiteKeeper& keeper_;
    std::array<QLineEdit*, 8> inputs_{};
    std::array<QLineEdit*, 8> outputs_{};
    QLabel* matrix_;
    QLabel* result_;
    QPushButton* save_;
};

} // namespace quorvane
