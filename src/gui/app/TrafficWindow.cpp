#include "gui/app/TrafficWindow.h"

#include "gui/app/TrafficModel.h"

#include "core/site/TrafficNames.h"
#include "gui/ui/FileDialogs.h"
#include "gui/ui/ValueLabel.h"
#include "gui/ui/WindowAccessible.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quorvane {

namespace {

QPushButton* button(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAccessibleName(QString(text).remove(QStringLiteral("...")));
    return b;
}

} // namespace

TrafficWindow::TrafficWindow(TrafficJournal& journal, std::int64_t clockNowMs, QWidget* parent)
    : QWidget(parent, Qt::Window), journal_(journal),
      model_(new TrafficModel(journal, clockNowMs, this)) {
    setObjectName(QStringLiteral("TrafficWindow"));
    setWindowTitle(QStringLiteral("Traffic"));
    setAccessibleName(QStringLiteral("Traffic"));
    installWindowAccessible();

    list_ = new QListView(this);
    list_->setAccessibleName(QStringLiteral("Traffic lines"));
    list_->setModel(model_);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    pause_ = button(QStringLiteral("Pause"), this);
    pause_->setCheckable(true);
    clear_ = button(QStringLiteral("Clear"), this);
    copy_ = button(QStringLiteral("Copy"), this);
    save_ = button(QStringLiteral("Save..."), this);
    count_ = new QLabel(this);

    auto* buttons = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(pause_), static_cast<QWidget*>(clear_),
                       static_cast<QWidget*>(copy_), static_cast<QWidget*>(save_)})
        buttons->addWidget(w);
    buttons->addStretch();
    buttons->addWidget(count_);
    // The list's label, which a screen reader finds through the label relation.
    auto* listLabel = new QLabel(QStringLiteral("Frames sent and received"), this);
    listLabel->setBuddy(list_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(listLabel);
    layout->addWidget(list_);
    resize(760, 420);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(RefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &TrafficWindow::refresh);
    // Entries arrive frame by frame; the list is brought up to date at most every RefreshMs.
    journal_.setListener([this] { scheduleRefresh(); });

    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        pause_->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
        pause_->setAccessibleName(pause_->text());
        if (!paused)
            refresh();
    });
    connect(clear_, &QPushButton::clicked, this, &TrafficWindow::clearLines);
    connect(copy_, &QPushButton::clicked, this, &TrafficWindow::copyLines);
    connect(save_, &QPushButton::clicked, this, &TrafficWindow::saveLines);
    showCount();
}

TrafficWindow::~TrafficWindow() {
    journal_.setListener({});
}

void TrafficWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Opened (or opened again): the newest traffic is what the user came to see.
    model_->refresh(!pause_->isChecked());
    list_->scrollToBottom();
    showCount();
}

void TrafficWindow::scheduleRefresh() {
    if (!refreshTimer_->isActive())
        refreshTimer_->start();
}

void TrafficWindow::refresh() {
    // Follow the newest line only when the user has not scrolled away from the bottom.
    QScrollBar* bar = list_->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    model_->refresh(!pause_->isChecked());
    if (atBottom && !pause_->isChecked())
        list_->scrollToBottom();
    showCount();
}

void TrafficWindow::clearLines() {
    journal_.clear();
    model_->reset();
    showCount();
}

QStringList TrafficWindow::chosenLines() const {
    QModelIndexList selected = list_->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList lines;
    if (selected.isEmpty()) {
        for (int row = 0; row < model_->rowCount(); ++row)
            lines << model_->line(row);
    } else {
        for (const QModelIndex& index : selected)
            lines << model_->line(index.row());
    }
    return lines;
}

void TrafficWindow::copyLines() {
    QApplication::clipboard()->setText(chosenLines().join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

bool TrafficWindow::saveTo(const QString& path, QString& error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        error = file.errorString();
        return false;
    }
    for (int row = 0; row < model_->rowCount(); ++row)
        file.write((model_->line(row) + QLatin1Char('\n')).toUtf8());
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void TrafficWindow::saveLines() {
    askForFileToSave(this, QStringLiteral("Save traffic"), QStringLiteral("traffic.txt"),
                     QStringLiteral("Text files (*.txt);;All files (*)"),
                     [this](const QString& path) {
                         QString error;
                         if (!saveTo(path, error))
                             showSaveError(QStringLiteral("Cannot save %1: %2").arg(path, error));
                     });
}

void TrafficWindow::showSaveError(const QString& text) {
    // Opened, not run: the window and the program go on while the box is up.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Traffic"), text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAccessibleName(text);
    box->open();
}

void TrafficWindow::showCount() {
    const int rows = model_->rowCount();
    showValue(count_, QStringLiteral("Traffic line count"),
              QStringLiteral("%1 line%2 (at most %3)")
                  .arg(rows)
                  .arg(rows == 1 ? QString() : QStringLiteral("s"))
                  .arg(journal_.capacity()));
}

void TrafficWindow::followNamesOf(const LinkState& state) {
    model_->setPortNames([this, &state](const TrafficEntry& entry) {
        return site::trafficPortNames(entry, knownNames_.follow(state));
    });
}

} // namespace quorvane
