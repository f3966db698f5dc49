#pragma once
// The FW Upgrade page's offer to save the matrix's configuration before an upgrade (which may reset
// the matrix) and to set it again once the upgrade has succeeded. A bar that appears once a
// firmware file is loaded: "Save configuration, then upgrade" asks for a file, saves, starts the
// upgrade and restores after its success; "No, thanks" removes the bar for the rest of the run.
// Whoever ignores or declines it upgrades exactly as before: "Upgrade" itself asks nothing.

#include "core/app/Outcome.h"
#include "core/firmware/FirmwarePage.h"
#include "core/site/Configuration.h"
#include "gui/app/AppContext.h"
#include "gui/site/ConfigurationPanel.h"

#include <QFrame>

#include <optional>

class QLabel;
class QPushButton;

namespace quorvane {

class UpgradeBackupOffer : public QFrame {
    Q_OBJECT
public:
    // `page` is the FW Upgrade page's logic; build the offer after it.
    UpgradeBackupOffer(AppContext& context, FirmwarePage& page, QWidget* parent = nullptr);

    // The page changed (a file loaded, an upgrade started or ended).
    void render();
    // The upgrade ended with `outcome`: a restore follows a success when a backup was made for it.
    void upgradeEnded(const Outcome& outcome);

    ConfigurationPanel* panel() const { return panel_; }
    QPushButton* acceptButton() const { return accept_; }
    QPushButton* declineButton() const { return decline_; }
    QWidget* bar() const { return bar_; }
    bool declined() const { return declined_; }

private:
    void saveThenUpgrade();

    FirmwarePage& page_;
    const LinkState& state_;
    QWidget* bar_;
    QLabel* text_;
    QPushButton* accept_;
    QPushButton* decline_;
    ConfigurationPanel* panel_;
    bool declined_ = false;
    // The configuration saved for the upgrade in progress, set again after its success.
    std::optional<site::Configuration> toRestore_;
};

} // namespace quorvane
