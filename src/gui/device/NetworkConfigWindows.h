#pragma once
// The " TCP  Configuration" dialog and the "Configuring" window. They draw what
// NetworkConfiguration tells them and forward the user's actions; they decide nothing.

#include "core/device/NetworkConfiguration.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quorvane {

// Modeless, created on the first "Config..." and shown again later.
class NetworkConfigDialog : public QDialog {
    Q_OBJECT
public:
    NetworkConfigDialog(NetworkConfiguration& logic, QWidget* parent);

    void showForm(const ConfigForm& form);
    ConfigForm form() const;

    QRadioButton* autoIpButton() const { return autoIp_; }
    QRadioButton* staticIpButton() const { return staticIp_; }
    QLineEdit* ipField(int i) const { return ip_.at(static_cast<std::size_t>(i)); }
    QLineEdit* macField(int i) const { return mac_.at(static_cast<std::size_t>(i)); }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    NetworkConfiguration& logic_;
    QRadioButton* autoIp_ = nullptr;
    QRadioButton* staticIp_ = nullptr;
    std::array<QLineEdit*, 4> ip_{};
    std::array<QLineEdit*, 6> mac_{};
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// A small modal box with one line of text.
class ConfiguringWindow : public QDialog {
    Q_OBJECT
public:
    explicit ConfiguringWindow(QWidget* parent);
    void setText(const QString& text);
    QString text() const;

private:
    QLabel* label_ = nullptr;
};

// The view NetworkConfiguration draws on.
class NetworkConfigWindows : public ConfigurationView {
public:
    // `parent` owns the windows (the main window).
    explicit NetworkConfigWindows(QWidget* parent) : parent_(parent) {}
    void setLogic(NetworkConfiguration& logic) { logic_ = &logic; }

    void showDialog(const ConfigForm& form) override;
    void hideDialog() override;
    void showConfiguring(const std::string& text) override;
    void closeConfiguring() override;

    NetworkConfigDialog* dialog() const { return dialog_; }
    ConfiguringWindow* configuring() const { return configuring_; }

private:
    QWidget* parent_;
    NetworkConfiguration* logic_ = nullptr;
    NetworkConfigDialog* dialog_ = nullptr;
    ConfiguringWindow* configuring_ = nullptr;
};

} // namespace quorvane
