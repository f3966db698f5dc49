#pragma once
// The small About box: the application icon, the program's name, its version and an OK button
// ("确定"). Only the button closes it (Enter, Escape and Space are swallowed as in every window).

#include <QDialog>

class QPushButton;

namespace quorvane {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QPushButton* okButton() const { return ok_; }

private:
    QPushButton* ok_ = nullptr;
};

} // namespace quorvane
