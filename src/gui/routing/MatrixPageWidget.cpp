#include "gui/routing/MatrixPageWidget.h"

#include "gui/ui/LogBox.h"

#include "core/routing/MatrixPage.h"
#include "gui/routing/OutputGroup.h"
#include "gui/routing/PresetsWindow.h"
#include "gui/ui/DialogUnits.h"
#include "gui/ui/KeySwallower.h"
#include "platform/app/QtTimers.h"
#include "platform/link/SerialPort.h"
#include "platform/site/SiteStore.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace quorvane {

MatrixPageWidget::MatrixPageWidget(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), serial_(std::make_unique<SerialPort>()),
      timers_(new QtTimers(this)), presets_(new QPushButton(QStringLiteral("Presets..."), this)),
      names_(new QPushButton(QStringLiteral("Names..."), this)),
      storage_(std::make_unique<site::FileSiteStorage>()) {
    setObjectName(QStringLiteral("MatrixPage"));
    setAccessibleName(QStringLiteral("Matrix"));

    page_ = context_.pages.matrix(*timers_, *serial_);
    serial_->setByteHandler(
        [this](std::uint8_t byte, int portNumber) { page_->onSerialByte(byte, portNumber); });
    serial_->setFailureHandler([this] { context_.events.serialFailure(); });
    keeper_ = std::make_unique<site::SiteKeeper>(*page_, *storage_, site::systemAdapterSerial);

    const DialogUnits units(font());
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(units.x(12));
    grid->setVerticalSpacing(units.y(7));
    for (int output = 1; output <= 8; ++output) {
        auto* group = new OutputGroup(output, this);
        connect(group, &OutputGroup::inputClicked, this,
                [this, output](int input) { page_->clickInput(output, input); });
        connect(group, &OutputGroup::previousClicked, this,
                [this, output] { page_->clickPrevious(output); });
        connect(group, &OutputGroup::nextClicked, this,
                [this, output] { page_->clickNext(output); });
        grid->addWidget(group, (output - 1) / 4, (output - 1) % 4);
        groups_.at(output - 1) = group;
    }
    connect(presets_, &QPushButton::clicked, this, [this] { showPresetsWindow(); });
    auto* presetsRow = new QHBoxLayout;
    connect(names_, &QPushButton::clicked, this, [this] { showNamesWindow(); });
    presetsRow->addStretch();
    presetsRow->addWidget(names_);
    presetsRow->addWidget(presets_);

    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(presetsRow);
    column->addStretch();
    buildLogs();

    page_->setChangeListener([this] { render(); });
    KeySwallower::installOn(this, KeySwallower::Scope::WhileBoxShows);
    render();
}

MatrixPageWidget::~MatrixPageWidget() {
    // The presets and names windows belong to the main window but talk to this page's logic.
    delete presetsWindow_.data();
    delete namesWindow_.data();
    page_.reset();
}

PresetsWindow* MatrixPageWidget::showPresetsWindow() {
    if (!presetsWindow_) {
        QWidget* owner = context_.mainWindow ? context_.mainWindow : window();
        presetsWindow_ = new PresetsWindow(*page_, *keeper_, owner);
    }
    presetsWindow_->show();
    presetsWindow_->raise();
    presetsWindow_->activateWindow();
    return presetsWindow_;
}

NamesWindow* MatrixPageWidget::showNamesWindow() {
    if (!namesWindow_) {
        QWidget* owner = context_.mainWindow ? context_.mainWindow : window();
        namesWindow_ = new NamesWindow(*keeper_, owner);
        connect(namesWindow_, &NamesWindow::saved, this, [this] { render(); });
    } else {
        namesWindow_->load();
    }
    namesWindow_->show();
    namesWindow_->raise();
    namesWindow_->activateWindow();
    return namesWindow_;
}

void MatrixPageWidget::buildLogs() {
    logs_ = std::make_unique<TrafficLogBoxes>(this);
    clearLogs_ = new QPushButton(QStringLiteral("Clear"), this);
    clearReceive_ = new QPushButton(QStringLiteral("清空接收区"), this);
    connect(clearLogs_, &QPushButton::clicked, this, [this] {
        page_->link().receiveLog().clear();
        page_->link().sendLog().clear();
        render();
    });
    connect(clearReceive_, &QPushButton::clicked, this, [this] {
        page_->link().receiveLog().clear();
        render();
    });
    clearLogs_->hide();
    clearReceive_->hide();
}

void MatrixPageWidget::render() {
    keeper_->sync(context_.state);
    renderNames();
    for (int output = 1; output <= 8; ++output)
        groups_.at(output - 1)
            ->render(QString::fromStdString(page_->displayText(output)),
                     page_->pressedInput(output));
    if (presetsWindow_)
        presetsWindow_->render();
    logs_->sync(page_->link());
}

void MatrixPageWidget::renderNames() {
    const site::MatrixNames& names = keeper_->names();
    std::array<QString, 8> inputs{};
    for (int input = 1; input <= 8; ++input)
        inputs.at(input - 1) = QString::fromStdString(names.name(site::Side::Input, input));
    for (int output = 1; output <= 8; ++output)
        groups_.at(output - 1)
            ->setNames(QString::fromStdString(names.name(site::Side::Output, output)), inputs);
    // Another matrix: the names window shows its names.
    if (keeper_->key() != shownKey_) {
        shownKey_ = keeper_->key();
        if (namesWindow_)
            namesWindow_->load();
    }
}

} // namespace quorvane
