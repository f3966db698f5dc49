#include "gui/site/ConfigurationPanel.h"

#include "platform/app/QtTimers.h"
#include "platform/site/ConfigurationFile.h"
#include "platform/site/SiteStore.h"

#include "core/site/MatrixKey.h"

#include "core/app/Dialogs.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

constexpr int MessageTimer = 1;
constexpr int MessageMs = 1500;
constexpr int LongMessageMs = 2500;
const QString Filter = QStringLiteral("Configuration (*.json)");

using Run = site::ConfigurationRun;

std::string itemLine(const Run::Item& item) {
    std::string what;
    switch (item.kind) {
    case Run::Item::Kind::Route:
        what = "Output " + site::outputLetter(item.port);
        break;
    case Run::Item::Kind::Edid:
        what = "EDID of IN" + std::to_string(item.port);
        break;
    case Run::Item::Kind::Beep:
        what = "Beep";
        break;
    case Run::Item::Kind::Dvi:
        what = "DVI compatibility";
        break;
    }
    switch (item.state) {
    case Run::ItemState::Same:
        return what + ": " + item.current + " (same)";
    case Run::ItemState::LeftAlone:
        return what + ": " + item.current + " (saved as " + item.wanted + ", left alone)";
    case Run::ItemState::WouldChange:
        return what + ": " + item.current + " -> " + item.wanted + " (would change)";
    case Run::ItemState::Pending:
        return what + ": " + item.current + " -> " + item.wanted + " (not sent)";
    case Run::ItemState::Changed:
        return what + ": " + item.current + " -> " + item.wanted + " (changed)";
    case Run::ItemState::NotSet:
        return what + ": " + item.current + " -> " + item.wanted + " (NOT SET)";
    }
    return what;
}

std::string foundText(const site::Configuration& c) {
    std::string text;
    for (int port = 1; port <= site::PortCount; ++port) {
        const auto& route = c.routes[static_cast<std::size_t>(port - 1)];
        text += "Output " + site::outputLetter(port) + ": " +
                (route ? "IN" + std::to_string(*route) : std::string("no input")) + "\n";
    }
    for (int port = 1; port <= site::PortCount; ++port) {
        const std::string& name = c.edid[static_cast<std::size_t>(port - 1)];
        text += "EDID of IN" + std::to_string(port) + ": " + name +
                (site::builtInEdidValue(name) == 0 ? " (a restore leaves it alone)" : "") + "\n";
    }
    text += std::string("Beep: ") + (c.beep ? "on" : "off") + "\n";
    text += std::string("DVI compatibility: ") + (c.dvi ? "on" : "off") + "\n";
    return text;
}

} // namespace

ConfigurationPanel::ConfigurationPanel(AppContext& context, PageLink& link, QWidget* parent)
    : QGroupBox(QStringLiteral("Configuration"), parent), context_(context),
      timers_(new QtTimers(this)), messageTimers_(new QtTimers(this)) {
    setObjectName(QStringLiteral("ConfigurationPanel"));
    run_ = std::make_unique<site::ConfigurationRun>(link, *timers_);
    run_->setChangeListener([this] { render(); });
    run_->setOutcomeListener([this](const Outcome& outcome) { onOutcome(outcome); });
    messageTimers_->setHandler([this](int id) {
        messageTimers_->stop(id);
        context_.dialogs.closeMessage();
    });

    save_ = new QPushButton(QStringLiteral("Save configuration..."), this);
    save_->setAccessibleName(QStringLiteral("Save configuration..."));
    restore_ = new QPushButton(QStringLiteral("Restore configuration..."), this);
    restore_->setAccessibleName(QStringLiteral("Restore configuration..."));
    compareOnly_ = new QCheckBox(QStringLiteral("Only compare"), this);
    compareOnly_->setAccessibleName(QStringLiteral("Only compare"));
    compareOnly_->setAccessibleDescription(
        QStringLiteral("A restore only reads and compares (dry run); nothing is set"));
    compareOnly_->setToolTip(QStringLiteral("Dry run: read and compare, set nothing"));
    progress_ = new QProgressBar(this);
    progress_->setAccessibleName(QStringLiteral("Configuration progress"));
    progress_->setRange(0, Run::ReadSteps);
    progress_->setValue(0);
    // What was found, differed and changed: a window of its own beside the page, which keeps its
    // size, opened when a run ends and left open until closed.
    resultsWindow_ = new QDialog(context_.mainWindow ? context_.mainWindow : window());
    resultsWindow_->setObjectName(QStringLiteral("ConfigurationResultWindow"));
    resultsWindow_->setWindowTitle(QStringLiteral("Configuration"));
    resultsWindow_->setAccessibleName(QStringLiteral("Configuration"));
    status_ = new QLabel(resultsWindow_);
    status_->setObjectName(QStringLiteral("ConfigurationStatus"));
    status_->setAccessibleName(QStringLiteral("Configuration status"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    status_->setFocusPolicy(Qt::StrongFocus);
    status_->setWordWrap(true);
    results_ = new QPlainTextEdit(resultsWindow_);
    results_->setReadOnly(true);
    results_->setAccessibleName(QStringLiteral("Configuration result"));
    results_->setMinimumSize(fontMetrics().averageCharWidth() * 60,
                             fontMetrics().lineSpacing() * 19);
    auto* close = new QPushButton(QStringLiteral("Close"), resultsWindow_);
    close->setAccessibleName(QStringLiteral("Close configuration result"));
    connect(close, &QPushButton::clicked, resultsWindow_, &QDialog::hide);
    auto* resultsColumn = new QVBoxLayout(resultsWindow_);
    resultsColumn->addWidget(status_);
    resultsColumn->addWidget(results_, 1);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(close);
    resultsColumn->addLayout(closeRow);

    auto* row = new QHBoxLayout(this);
    row->addWidget(save_);
    row->addWidget(restore_);
    row->addWidget(compareOnly_);
    row->addWidget(progress_, 1);

    connect(save_, &QPushButton::clicked, this, [this] {
        chooseFile(QStringLiteral("Save configuration"), true,
                   [this](const QString& path) { saveTo(path); });
    });
    connect(restore_, &QPushButton::clicked, this, [this] {
        chooseFile(QStringLiteral("Restore configuration"), false,
                   [this](const QString& path) { restoreFrom(path, compareOnly_->isChecked()); });
    });
    render();
}

ConfigurationPanel::~ConfigurationPanel() {
    run_.reset();
    // The window may belong to the main window, which outlives the page.
    delete resultsWindow_.data();
}

void ConfigurationPanel::chooseFile(const QString& caption, bool save, PathChosen chosen) {
    if (chooser_) {
        chooser_(caption, save, std::move(chosen));
        return;
    }
    if (save)
        askForFileToSave(this, caption, QStringLiteral("matrix-configuration.json"), Filter,
                         std::move(chosen));
    else
        askForFileToOpen(this, caption, Filter, std::move(chosen));
}

void ConfigurationPanel::saveTo(const QString& path, std::function<void(bool)> then) {
    if (run_->running())
        return; // the buttons are disabled meanwhile; the run in progress keeps its file
    savePath_ = path;
    restoredNames_.reset();
    then_ = std::move(then);
    results_->clear();
    status_->setText(QStringLiteral("Reading the configuration..."));
    context_.events.pageBusy(true);
    run_->backup();
}

void ConfigurationPanel::restoreFrom(const QString& path, bool dryRun,
                                     std::function<void(bool)> then) {
    if (run_->running())
        return;
    const site::ConfigurationFileRead read = site::readConfigurationFile(path.toStdString());
    if (!read.configuration) {
        // Refused whole: nothing is sent.
        results_->clear();
        showResult(path.toStdString() + ": " + read.error, true);
        resultsWindow_->show();
        if (then)
            then(false);
        return;
    }
    savePath_.clear();
    then_ = std::move(then);
    results_->clear();
    status_->setText(dryRun ? QStringLiteral("Comparing...") : QStringLiteral("Restoring..."));
    context_.events.pageBusy(true);
    restoredNames_ = read.configuration->names;
    run_->restore(*read.configuration, dryRun);
}

void ConfigurationPanel::restore(const site::Configuration& wanted,
                                 std::function<void(bool)> then) {
    if (run_->running())
        return;
    savePath_.clear();
    restoredNames_.reset(); // the configuration saved before an upgrade: the names are as kept
    then_ = std::move(then);
    results_->clear();
    status_->setText(QStringLiteral("Restoring..."));
    context_.events.pageBusy(true);
    run_->restore(wanted, false);
}

void ConfigurationPanel::onOutcome(const Outcome& outcome) {
    if (outcome.kind == Outcome::Kind::Busy)
        return; // the run in progress goes on and reports for itself
    context_.events.pageBusy(false);
    bool done = outcome.done();
    std::string text = outcome.wording();
    if (done && !savePath_.isEmpty()) {
        site::Configuration saved = run_->found();
        const std::string key = site::matrixKeyFor(context_.state, site::systemAdapterSerial);
        const site::SiteLoad kept = key.empty() ? site::SiteLoad{} : site::loadSite(key);
        saved.names = kept.site.names;
        const std::string why = !kept.error.empty()
                                    ? kept.error
                                    : site::writeConfigurationFile(savePath_.toStdString(), saved);
        done = why.empty();
        text = done ? "Configuration saved to " + savePath_.toStdString() : why;
        results_->setPlainText(QString::fromStdString(foundText(saved)));
    } else if (done && restoredNames_ && !run_->dryRun()) {
        // The matrix took the file: its names become the names kept for this matrix.
        const std::string key = site::matrixKeyFor(context_.state, site::systemAdapterSerial);
        site::SiteLoad kept = key.empty() ? site::SiteLoad{} : site::loadSite(key);
        std::string why = kept.error;
        if (why.empty() && !key.empty() && site::takeNames(kept.site.names, *restoredNames_)) {
            why = site::saveSite(key, kept.site);
            if (why.empty())
                site::noteNamesChanged();
        }
        if (!why.empty()) {
            done = false;
            text = "The names were not kept: " + why;
        }
    }
    restoredNames_.reset();
    if (savePath_.isEmpty() && !run_->items().empty()) {
        std::string lines;
        for (const Run::Item& item : run_->items())
            lines += itemLine(item) + "\n";
        results_->setPlainText(QString::fromStdString(lines));
    }
    showResult(text, true);
    render();
    resultsWindow_->show();
    resultsWindow_->raise();
    if (auto then = std::move(then_))
        then(done);
}

void ConfigurationPanel::showResult(const std::string& text, bool asMessage) {
    status_->setText(QString::fromStdString(text));
    render();
    if (asMessage && !text.empty()) {
        raiseMessage(context_.dialogs, *messageTimers_, MessageTimer,
                     text.size() > 30 ? LongMessageMs : MessageMs, text);
    }
}

void ConfigurationPanel::render() {
    const bool running = run_->running();
    save_->setEnabled(!running);
    restore_->setEnabled(!running);
    compareOnly_->setEnabled(!running);
    progress_->setRange(0, std::max(run_->stepsTotal(), 1));
    progress_->setValue(std::min(run_->stepsDone(), std::max(run_->stepsTotal(), 1)));
}

} // namespace quorvane
