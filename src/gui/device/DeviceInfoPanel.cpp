#include "gui/device/DeviceInfoPanel.h"

#include "core/device/GeneralPage.h"
#include "gui/ui/ValueLabel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorvane {

namespace {
QLabel* portLabel(const QString& port, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(port);
    label->setMinimumWidth(
        label->fontMetrics().horizontalAdvance(QStringLiteral("HDMI OUTH: Disconnect")));
    label->setAccessibleName(port);
    return label;
}
} // namespace

DeviceInfoPanel::DeviceInfoPanel(GeneralPage& page, QWidget* parent)
    : QWidget(parent), page_(page) {
    setObjectName(QStringLiteral("DeviceInfoPanel"));

    auto* group = new QGroupBox(QStringLiteral("Device Information"), this);
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(1);
    for (int port = 1; port <= 8; ++port) {
        QLabel* in = portLabel(QStringLiteral("HDMI IN%1").arg(port), group);
        QLabel* out = portLabel(QStringLiteral("HDMI OUT%1").arg(QChar(u'A' + port - 1)), group);
        grid->addWidget(in, port - 1, 0);
        grid->addWidget(out, port - 1, 1);
        inputLabels_.at(port - 1) = in;
        outputLabels_.at(port - 1) = out;
    }
    status_ = new QPushButton(QStringLiteral("Status"), group);
    clear_ = new QPushButton(QStringLiteral("Clear"), group);
    clear_->setAccessibleDescription(QStringLiteral("empties the port labels"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(status_);
    buttons->addWidget(clear_);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 8, 1);
    grid->setColumnStretch(3, 1);

    // The device type and firmware version, under the group.
    auto* deviceCaption = new QLabel(QStringLiteral("Device:"), this);
    device_ = new QLabel(this);
    device_->setObjectName(QStringLiteral("DeviceField"));
    device_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    deviceCaption->setBuddy(device_);
    auto* versionCaption = new QLabel(QStringLiteral("Version:"), this);
    version_ = new QLabel(this);
    version_->setObjectName(QStringLiteral("VersionField"));
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    versionCaption->setBuddy(version_);
    auto* identity = new QHBoxLayout;
    identity->addWidget(deviceCaption);
    identity->addWidget(device_, 1);
    identity->addWidget(versionCaption);
    identity->addWidget(version_, 1);

    ir_ = new QCheckBox(QStringLiteral("Enable IR Control"), this);
    ir_->hide();
    beep_ = new QCheckBox(QStringLiteral("Enable Beep "), this);
    dvi_ = new QCheckBox(QStringLiteral("Enable DVI Compatibility"), this);
    reset_ = new QPushButton(QStringLiteral("Factory Reset"), this);
    auto* switches = new QHBoxLayout;
    switches->addWidget(beep_);
    switches->addWidget(dvi_);
    switches->addWidget(ir_);
    switches->addStretch();
    switches->addWidget(reset_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(group);
    column->addLayout(identity);
    column->addLayout(switches);
    column->addStretch();

    connect(status_, &QPushButton::clicked, this, [this] { page_.clickStatus(); });
    connect(clear_, &QPushButton::clicked, this, [this] { page_.clickClear(); });
    // A switch asks the matrix and keeps its mark; the page redraws it from the matrix's answer.
    // The state change, not the click: a screen reader's "Toggle" and the Space key flip the mark
    // without a click, and must send the request all the same. render() blocks these signals, so
    // only the user's flips arrive here, and it puts the mark back at once.
    for (const auto& [box, which] : switchBoxes()) {
        connect(box, &QCheckBox::toggled, this, [this, which = which] {
            page_.clickSwitch(which);
            render();
        });
    }
    connect(reset_, &QPushButton::clicked, this, [this] { page_.clickFactoryReset(); });
    page_.setConfirmListener(
        [this](const std::string& text) { ask(QString::fromStdString(text)); });
    render();
}

void DeviceInfoPanel::render() {
    // A screen reader reads a label by its name: the text once the matrix has answered, the port
    // alone before.
    auto show = [](QLabel* label, const std::string& text) {
        label->setText(QString::fromStdString(text));
        label->setAccessibleName(text.empty() ? label->objectName() : label->text());
    };
    for (int port = 1; port <= 8; ++port) {
        show(inputLabels_.at(port - 1), page_.inputLabel(port));
        show(outputLabels_.at(port - 1), page_.outputLabel(port));
    }
    showValue(device_, QStringLiteral("Device"), QString::fromStdString(page_.deviceText()));
    showValue(version_, QStringLiteral("Version"), QString::fromStdString(page_.versionText()));
    for (const auto& [box, which] : switchBoxes()) {
        const QSignalBlocker block(box);
        box->setChecked(page_.switchOn(which));
    }
}

std::array<std::pair<QCheckBox*, GeneralPage::Switch>, 3> DeviceInfoPanel::switchBoxes() const {
    return {{{ir_, GeneralPage::Switch::IrControl},
             {beep_, GeneralPage::Switch::Beep},
             {dvi_, GeneralPage::Switch::Dvi}}};
}

void DeviceInfoPanel::ask(const QString& text) {
    if (question_)
        return;
    question_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Factory Reset"), text,
                                QMessageBox::Yes | QMessageBox::No, window());
    question_->setDefaultButton(QMessageBox::No);
    question_->setAttribute(Qt::WA_DeleteOnClose);
    question_->setAccessibleName(QStringLiteral("Factory Reset"));
    connect(question_, &QMessageBox::finished, this, [this](int result) {
        question_ = nullptr;
        page_.answerFactoryReset(result == QMessageBox::Yes);
    });
    question_->open();
}

} // namespace quorvane
