#pragma once
// The preset editor: "Out1 from".."Out8 from", "All Outputs from", "Setting name", "OK" and
// "Cancel". It edits a copy of the working preset; "OK" hands the copy and the name to the page.
// Window-modal over the presets window, without an event loop of its own.

#include "core/routing/PresetEditor.h"

#include <QDialog>

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quorvane {

class MatrixPage;

class PresetEditorDialog : public QDialog {
    Q_OBJECT
public:
    PresetEditorDialog(MatrixPage& page, QWidget* parent);

    QComboBox* outFromList(int output) const { return outFrom_.at(output - 1); }
    QComboBox* allFromList() const { return allFrom_; }
    QLineEdit* nameBox() const { return name_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    void renderChoices();
    void accept() override;

    MatrixPage& page_;
    routing::PresetEditor editor_;
    std::array<QComboBox*, 8> outFrom_{};
    QComboBox* allFrom_;
    QLineEdit* name_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace quorvane
