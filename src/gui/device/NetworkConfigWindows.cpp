#include "gui/device/NetworkConfigWindows.h"

#include "gui/ui/KeySwallower.h"

#include "core/app/Texts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWindow>

namespace quorvane {

NetworkConfigDialog::NetworkConfigDialog(NetworkConfiguration& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setObjectName(QStringLiteral("NetworkConfigDialog"));
    setWindowTitle(QStringLiteral(" TCP  Configuration"));
    setAccessibleName(QStringLiteral("TCP Configuration"));
    setModal(false);

    autoIp_ = new QRadioButton(QStringLiteral("Auto IP"), this);
    staticIp_ = new QRadioButton(QStringLiteral("Static IP"), this);
    autoIp_->setChecked(true);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(autoIp_);
    modeRow->addWidget(staticIp_);
    modeRow->addStretch();

    // Each field has a label a screen reader finds through the label relation: the row's caption
    // for the first field, the separator before it ("." in the address, "-" in the MAC) for the
    // others.
    auto* grid = new QGridLayout;
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8;
    auto labelled = [this, grid, fieldWidth](const QString& text, QLineEdit* field, int row,
                                             int column) {
        field->setMaximumWidth(fieldWidth);
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        grid->addWidget(label, row, column);
        grid->addWidget(field, row, column + 1);
    };
    const auto digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (std::size_t i = 0; i < ip_.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setValidator(digits);
        field->setMaxLength(3);
        field->setAccessibleName(QStringLiteral("IP Address field %1").arg(i + 1));
        labelled(i == 0 ? QStringLiteral("IP Address") : QStringLiteral("."), field, 0,
                 2 * static_cast<int>(i));
        ip_[i] = field;
    }
    for (std::size_t i = 0; i < mac_.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setMaxLength(2);
        field->setAccessibleName(QStringLiteral("MAC field %1").arg(i + 1));
        // Upper case as typed.
        connect(field, &QLineEdit::textEdited, field, [field](const QString& text) {
            const int cursor = field->cursorPosition();
            field->setText(text.toUpper());
            field->setCursorPosition(cursor);
        });
        labelled(i == 0 ? QStringLiteral("MAC") : QStringLiteral("-"), field, 1,
                 2 * static_cast<int>(i));
        mac_[i] = field;
    }

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* column = new QVBoxLayout(this);
    column->addLayout(modeRow);
    column->addLayout(grid);
    column->addLayout(buttons);

    // The state change, not the click: a screen reader's "Toggle" and the arrow keys check a radio
    // button without clicking it. showForm() blocks these signals while it draws the mode.
    connect(autoIp_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            logic_.chooseStaticIp(false);
    });
    connect(staticIp_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            logic_.chooseStaticIp(true);
    });
    connect(ok_, &QPushButton::clicked, this, [this] { logic_.clickOk(form()); });
    connect(cancel_, &QPushButton::clicked, this, [this] { logic_.clickCancel(); });
    KeySwallower::installOn(this);
}

void NetworkConfigDialog::showForm(const ConfigForm& form) {
    {
        const QSignalBlocker blockAuto(autoIp_);
        const QSignalBlocker blockStatic(staticIp_);
        autoIp_->setChecked(!form.staticIp);
        staticIp_->setChecked(form.staticIp);
    }
    for (std::size_t i = 0; i < ip_.size(); ++i) {
        // A field the user is typing in keeps its text when only the mode changes.
        if (ip_[i]->text().toStdString() != form.ip[i] && !ip_[i]->isModified())
            ip_[i]->setText(QString::fromStdString(form.ip[i]));
        ip_[i]->setEnabled(form.staticIp);
    }
    for (std::size_t i = 0; i < mac_.size(); ++i) {
        if (mac_[i]->text().toStdString() != form.mac[i] && !mac_[i]->isModified())
            mac_[i]->setText(QString::fromStdString(form.mac[i]));
    }
}

ConfigForm NetworkConfigDialog::form() const {
    ConfigForm form;
    form.staticIp = staticIp_->isChecked();
    for (std::size_t i = 0; i < ip_.size(); ++i)
        form.ip[i] = ip_[i]->text().toStdString();
    for (std::size_t i = 0; i < mac_.size(); ++i)
        form.mac[i] = mac_[i]->text().toStdString();
    return form;
}

void NetworkConfigDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    logic_.clickCancel();
}

void NetworkConfigDialog::mousePressEvent(QMouseEvent* event) {
    // A press on the dialog's body moves it.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

ConfiguringWindow::ConfiguringWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("ConfiguringWindow"));
    setAccessibleName(QStringLiteral("Configuring"));
    setWindowModality(Qt::ApplicationModal);
    label_ = new QLabel(this);
    label_->setAlignment(Qt::AlignCenter);
    label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(QString::fromUtf8(
                                textOf(Text::ConfigurationDone).data(),
                                static_cast<qsizetype>(textOf(Text::ConfigurationDone).size()))) +
                            24);
    auto* column = new QVBoxLayout(this);
    column->addWidget(label_);
    KeySwallower::installOn(this);
}

void ConfiguringWindow::setText(const QString& text) {
    label_->setText(text);
    label_->setAccessibleName(text);
}

QString ConfiguringWindow::text() const {
    return label_->text();
}

void NetworkConfigWindows::showDialog(const ConfigForm& form) {
    if (!dialog_)
        dialog_ = new NetworkConfigDialog(*logic_, parent_);
    // Coming up, the fields show the matrix chosen now; while up, what the user typed stays.
    if (!dialog_->isVisible()) {
        for (int i = 0; i < 6; ++i) {
            if (i < 4)
                dialog_->ipField(i)->setModified(false);
            dialog_->macField(i)->setModified(false);
        }
    }
    dialog_->showForm(form);
    dialog_->show();
    dialog_->raise();
}

void NetworkConfigWindows::hideDialog() {
    if (dialog_)
        dialog_->hide();
}

void NetworkConfigWindows::showConfiguring(const std::string& text) {
    if (!configuring_)
        configuring_ = new ConfiguringWindow(parent_);
    configuring_->setText(QString::fromStdString(text));
    if (!configuring_->isVisible())
        configuring_->show();
}

void NetworkConfigWindows::closeConfiguring() {
    if (configuring_)
        configuring_->hide();
}

} // namespace quorvane
