#include "gui/site/UpgradeBackupOffer.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

UpgradeBackupOffer::UpgradeBackupOffer(AppContext& context, FirmwarePage& page, QWidget* parent)
    : QFrame(parent), page_(page), state_(context.state) {
    setObjectName(QStringLiteral("UpgradeBackupOffer"));
    bar_ = new QWidget(this);
    text_ = new QLabel(QStringLiteral("A firmware upgrade may reset the matrix's configuration."),
                       bar_);
    text_->setWordWrap(true);
    accept_ = new QPushButton(QStringLiteral("Save configuration, then upgrade"), bar_);
    accept_->setAccessibleName(QStringLiteral("Save configuration, then upgrade"));
    accept_->setAccessibleDescription(
        QStringLiteral("Saves the routes, EDIDs, beep and DVI to a file, upgrades, and sets them "
                       "again after the upgrade has succeeded"));
    decline_ = new QPushButton(QStringLiteral("No, thanks"), bar_);
    decline_->setAccessibleName(QStringLiteral("No configuration backup"));
    auto* row = new QHBoxLayout(bar_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(text_, 1);
    row->addWidget(accept_);
    row->addWidget(decline_);

    panel_ = new ConfigurationPanel(context, page_.link(), this);
    // Only the progress and the results belong here; saving and restoring by hand is the
    // General page's.
    panel_->saveButton()->hide();
    panel_->restoreButton()->hide();
    panel_->compareOnlyBox()->hide();
    panel_->hide();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(bar_);
    column->addWidget(panel_);

    connect(accept_, &QPushButton::clicked, this, [this] { saveThenUpgrade(); });
    connect(decline_, &QPushButton::clicked, this, [this] {
        declined_ = true;
        render();
    });
    render();
}

void UpgradeBackupOffer::render() {
    // Upgrades run over the serial link only: over TCP there is nothing to offer.
    const bool offer = !declined_ && !state_.tcpMode() && !page_.filePath().empty() &&
                       !page_.upgrading() && !panel_->running() && page_.upgradeEnabled();
    bar_->setVisible(offer);
    setVisible(offer || panel_->isVisible());
}

void UpgradeBackupOffer::saveThenUpgrade() {
    panel_->show();
    setVisible(true);
    bar_->hide();
    // The file dialog's answer comes later; a cancel leaves the bar as it was.
    auto chosen = [this](const QString& path) {
        panel_->saveTo(path, [this](bool saved) {
            if (!saved) {
                render();
                return;
            }
            toRestore_ = panel_->run().found();
            page_.upgrade();
            if (!page_.upgrading())
                toRestore_.reset();
            render();
        });
    };
    panel_->chooseFile(QStringLiteral("Save configuration"), true, chosen);
    render();
}

void UpgradeBackupOffer::upgradeEnded(const Outcome& outcome) {
    if (!toRestore_)
        return;
    const site::Configuration wanted = *toRestore_;
    toRestore_.reset();
    if (!outcome.done())
        return;
    panel_->restore(wanted, [this](bool) { render(); });
}

} // namespace quorvane
