#include "gui/firmware/FirmwarePageWidget.h"

#include "gui/firmware/FirmwareMergeWindow.h"
#include "gui/site/UpgradeBackupOffer.h"
#include "gui/ui/FileDialogs.h"
#include "gui/ui/Icons.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/KeySwallower.h"
#include "gui/ui/ValueLabel.h"
#include "platform/app/QtTimers.h"
#include "platform/link/SerialPort.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quorvane {

namespace {

// Sets the box's text when it changed, keeping the view at the end.
void showText(QPlainTextEdit* box, const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.remove(QLatin1Char('\r'));
    if (box->toPlainText() == shown)
        return;
    box->setPlainText(shown);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
}

} // namespace

FirmwarePageWidget::FirmwarePageWidget(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), serial_(std::make_unique<SerialPort>()),
      timers_(new QtTimers(this)) {
    setObjectName(QStringLiteral("FirmwarePage"));
    setAccessibleName(QStringLiteral("FW Upgrade"));

    page_ = context_.pages.firmware(*timers_, *serial_);
    serial_->setByteHandler(
        [this](std::uint8_t byte, int portNumber) { page_->onSerialByte(byte, portNumber); });
    serial_->setFailureHandler([this] { context_.events.serialFailure(); });

    auto* upgradeGroup = new QGroupBox(QStringLiteral("FW Upgrade"), this);
    auto* openLabel = new QLabel(QStringLiteral("Open FW File"), upgradeGroup);
    path_ = new QLineEdit(upgradeGroup);
    path_->setReadOnly(true);
    path_->setAccessibleName(QStringLiteral("FW file path"));
    openLabel->setBuddy(path_);
    open_ = new ImageButton(upgradeGroup);
    open_->setObjectName(QStringLiteral("OpenFirmwareButton"));
    open_->setIcons(iconPixmap(IconId::Open, QSize(16, 16), devicePixelRatioF()));
    open_->setTooltipText(QStringLiteral("Open"));
    open_->setAccessibleName(QStringLiteral("Open"));
    progress_ = new QProgressBar(upgradeGroup);
    progress_->setAccessibleName(QStringLiteral("Upgrade progress"));
    progress_->setTextVisible(false);
    upgrade_ = new QPushButton(QStringLiteral("Upgrade"), upgradeGroup);
    mergeButton_ = new QPushButton(QStringLiteral("Merge..."), upgradeGroup);
    mergeButton_->setAccessibleName(QStringLiteral("Merge..."));
    auto* upgradeLayout = new QGridLayout(upgradeGroup);
    upgradeLayout->addWidget(openLabel, 0, 0);
    upgradeLayout->addWidget(path_, 0, 1);
    upgradeLayout->addWidget(open_, 0, 2);
    upgradeLayout->addWidget(progress_, 1, 0, 1, 2);
    upgradeLayout->addWidget(upgrade_, 1, 2);
    upgradeLayout->addWidget(mergeButton_, 2, 2);

    auto* fileGroup = new QGroupBox(QStringLiteral("File information"), this);
    fileInfo_ = new QPlainTextEdit(fileGroup);
    fileInfo_->setReadOnly(true);
    fileInfo_->setAccessibleName(QStringLiteral("File information"));
    fileInfo_->setMaximumHeight(fontMetrics().lineSpacing() * 5);
    (new QVBoxLayout(fileGroup))->addWidget(fileInfo_);

    auto* messagesGroup = new QGroupBox(QStringLiteral("Messages"), this);
    messages_ = new QPlainTextEdit(messagesGroup);
    messages_->setReadOnly(true);
    messages_->setAccessibleName(QStringLiteral("Messages"));
    clearMessages_ = new QPushButton(QStringLiteral("Clear"), messagesGroup);
    clearMessages_->setAccessibleName(QStringLiteral("Clear messages"));
    auto* messagesLayout = new QVBoxLayout(messagesGroup);
    messagesLayout->addWidget(messages_);
    auto* clearRow = new QHBoxLayout;
    clearRow->addStretch();
    clearRow->addWidget(clearMessages_);
    messagesLayout->addLayout(clearRow);

    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("DeviceInformation"));
    info_->setAccessibleName(QStringLiteral("Device information"));
    info_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    backupOffer_ = new UpgradeBackupOffer(context_, *page_, this);
    page_->setOutcomeListener(
        [this](const Outcome& outcome) { backupOffer_->upgradeEnded(outcome); });

    auto* column = new QVBoxLayout(this);
    column->addWidget(upgradeGroup);
    column->addWidget(backupOffer_);
    column->addWidget(fileGroup);
    column->addWidget(messagesGroup, 1);
    column->addWidget(info_);
    buildLogs();

    connect(open_, &ImageButton::clicked, this, &FirmwarePageWidget::openFirmwareFile);
    connect(upgrade_, &QPushButton::clicked, this, [this] { page_->upgrade(); });
    connect(clearMessages_, &QPushButton::clicked, this, [this] { page_->clearMessages(); });
    connect(mergeButton_, &QPushButton::clicked, this, [this] { showMergeWindow(); });

    page_->setChangeListener([this] { render(); });
    KeySwallower::installOn(this, KeySwallower::Scope::WhileBoxShows);
    render();
}

FirmwarePageWidget::~FirmwarePageWidget() {
    // The merge window belongs to the main window but talks to this page's logic; the offer
    // borrows the page's link.
    delete mergeWindow_.data();
    delete backupOffer_;
    page_.reset();
}

void FirmwarePageWidget::chooseFile(const QString& caption, const QString& filter,
                                    PathChosen chosen) {
    if (chooser_)
        chooser_(caption, filter, std::move(chosen));
    else
        askForFileToOpen(this, caption, filter, std::move(chosen));
}

void FirmwarePageWidget::openFirmwareFile() {
    chooseFile(QStringLiteral("Open FW File"), QStringLiteral("Binary file(*.fw)"),
               [this](const QString& path) {
                   page_->openFile(path.toStdString());
                   render();
               });
}

FirmwareMergeWindow* FirmwarePageWidget::showMergeWindow() {
    if (!mergeWindow_) {
        QWidget* owner = context_.mainWindow ? context_.mainWindow : window();
        mergeWindow_ = new FirmwareMergeWindow(*page_, owner);
        mergeWindow_->setFileChooser(
            [this](const QString& caption, const QString& filter, PathChosen chosen) {
                // The dialog opens over the merge window unless a test chooses for the page.
                if (chooser_)
                    chooser_(caption, filter, std::move(chosen));
                else
                    askForFileToOpen(mergeWindow_, caption, filter, std::move(chosen));
            });
    }
    mergeWindow_->show();
    mergeWindow_->raise();
    mergeWindow_->activateWindow();
    return mergeWindow_;
}

void FirmwarePageWidget::buildLogs() {
    receiveGroup_ = new QGroupBox(QStringLiteral("接收命令"), this);
    sendGroup_ = new QGroupBox(QStringLiteral("发送命令"), this);
    clearLogs_ = new QPushButton(QStringLiteral("Clear"), this);
    clearLogs_->setAccessibleName(QStringLiteral("Clear traffic logs"));
    connect(clearLogs_, &QPushButton::clicked, this, [this] { page_->clearTrafficLogs(); });
    defaultAction_ = new QPushButton(this);
    defaultAction_->setAccessibleName(QStringLiteral("Clear sent commands"));
    defaultAction_->setEnabled(false);
    connect(defaultAction_, &QPushButton::clicked, this, [this] { page_->clearSentLog(); });
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{receiveGroup_, sendGroup_, clearLogs_, defaultAction_})
        hidden->hide();
}

void FirmwarePageWidget::render() {
    path_->setText(QString::fromStdString(page_->filePath()));
    open_->setEnabled(page_->openEnabled());
    upgrade_->setEnabled(page_->upgradeEnabled());
    progress_->setRange(0, std::max(page_->progressMax(), 1));
    progress_->setValue(
        std::clamp(page_->progressPosition(), 0, std::max(page_->progressMax(), 1)));
    showText(messages_, page_->messages());
    std::string info;
    for (const std::string& line : page_->fileInfo())
        info += line + "\n";
    showText(fileInfo_, info);
    showValue(info_, QStringLiteral("Device information"),
              QString::fromLatin1(page_->infoLine().data(),
                                  static_cast<qsizetype>(page_->infoLine().size())));
    if (mergeWindow_)
        mergeWindow_->render();
    if (backupOffer_)
        backupOffer_->render();
}

} // namespace quorvane
