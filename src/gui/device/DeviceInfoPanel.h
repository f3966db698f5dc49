#pragma once
// The General page's lower half: the "Device Information" group (sixteen port labels, "Status" and
// "Clear"), the "Device:" / "Version:" line under it, the system switches and "Factory Reset".
// It renders GeneralPage and forwards clicks; the factory-reset question is asked here because the
// page asks for it.

#include "core/device/GeneralPage.h"

#include <QWidget>

#include <array>
#include <utility>

class QCheckBox;
class QLabel;
class QMessageBox;
class QPushButton;

namespace quorvane {

class DeviceInfoPanel : public QWidget {
    Q_OBJECT
public:
    // `page` must outlive the panel.
    explicit DeviceInfoPanel(GeneralPage& page, QWidget* parent = nullptr);

    // Draws the page's state.
    void render();

    // The controls, for tests that click them.
    QLabel* inputLabel(int port) const { return inputLabels_.at(port - 1); }
    QLabel* outputLabel(int port) const { return outputLabels_.at(port - 1); }
    QPushButton* statusButton() const { return status_; }
    QPushButton* clearButton() const { return clear_; }
    QLabel* deviceField() const { return device_; }
    QLabel* versionField() const { return version_; }
    QCheckBox* beepBox() const { return beep_; }
    QCheckBox* dviBox() const { return dvi_; }
    QCheckBox* irBox() const { return ir_; }
    QPushButton* factoryResetButton() const { return reset_; }
    // The factory-reset question while it is up, else null.
    QMessageBox* question() const { return question_; }

private:
    void ask(const QString& text);
    // The three switches with the page's name for each.
    std::array<std::pair<QCheckBox*, GeneralPage::Switch>, 3> switchBoxes() const;

    GeneralPage& page_;
    std::array<QLabel*, 8> inputLabels_{};
    std::array<QLabel*, 8> outputLabels_{};
    QPushButton* status_ = nullptr;
    QPushButton* clear_ = nullptr;
    QLabel* device_ = nullptr;
    QLabel* version_ = nullptr;
    QCheckBox* ir_ = nullptr;
    QCheckBox* beep_ = nullptr;
    QCheckBox* dvi_ = nullptr;
    QPushButton* reset_ = nullptr;
    QMessageBox* question_ = nullptr;
};

} // namespace quorvane
