#include "gui/edid/EdidPageWidget.h"

#include "gui/ui/LogBox.h"

#include "core/edid/EdidNames.h"
#include "gui/ui/DialogUnits.h"
#include "gui/ui/Icons.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/KeySwallower.h"
#include "gui/ui/ValueLabel.h"
#include "platform/app/QtTimers.h"
#include "platform/link/SerialPort.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>

namespace quorvane {

namespace {

template <std::size_t N>
QComboBox* listOf(const std::array<const char*, N>& entries, const QString& name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (const char* entry : entries)
        list->addItem(QString::fromLatin1(entry));
    list->setAccessibleName(name);
    return list;
}

// A list's label: a screen reader finds it through the label relation (on Linux a list is read
// by its current entry, the label says what the list is for).
QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setBuddy(buddy);
    return label;
}

void chooseWithDialog(QWidget* parent, PathChosen chosen) {
    // Linux tells upper from lower case in names, so both spellings of the extension are offered.
    askForFileToOpen(parent, QStringLiteral("Open EDID"),
                     QStringLiteral("Binary file(*.bin *.BIN)"), std::move(chosen));
}

} // namespace

EdidPageWidget::EdidPageWidget(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), serial_(std::make_unique<SerialPort>()),
      timers_(new QtTimers(this)), chooser_(chooseWithDialog) {
    setObjectName(QStringLiteral("EdidPage"));
    setAccessibleName(QStringLiteral("EDID"));

    page_ = context_.pages.edid(*timers_, *serial_);
    serial_->setByteHandler(
        [this](std::uint8_t byte, int portNumber) { page_->onSerialByte(byte, portNumber); });
    serial_->setFailureHandler([this] { context_.events.serialFailure(); });

    // The three ways to choose an EDID, one above the other (the chosen file's summary right by
    // its field), then the list of what each input uses.
    auto* column = new QVBoxLayout(this);
    column->setSpacing(DialogUnits(font()).y(2));
    column->addWidget(buildSetGroup());
    column->addWidget(buildCopyGroup());
    column->addWidget(buildFileGroup());
    column->addWidget(buildListGroup());
    column->addStretch();
    buildLogs();

    page_->setChangeListener([this] { render(); });
    KeySwallower::installOn(this, KeySwallower::Scope::WhileBoxShows);
    render();
}

EdidPageWidget::~EdidPageWidget() {
    page_.reset();
}

QGroupBox* EdidPageWidget::buildSetGroup() {
    auto* group = new QGroupBox(QStringLiteral("Set EDID Mode"), this);
    group->setAccessibleName(QStringLiteral("Set EDID Mode"));
    modeList_ = listOf(edid::ModeEntries, QStringLiteral("EDID mode"), group);
    setTargetList_ = listOf(edid::TargetEntries, QStringLiteral("Set EDID mode to"), group);
    setButton_ = new QPushButton(QStringLiteral("Set"), group);
    setButton_->setAccessibleName(QStringLiteral("Set EDID mode"));
    connect(modeList_, &QComboBox::activated, this, [this](int i) { page_->selectSetMode(i); });
    connect(setTargetList_, &QComboBox::activated, this,
            [this](int i) { page_->selectSetTarget(i); });
    connect(setButton_, &QPushButton::clicked, this, [this] { page_->clickSet(); });
    auto* row = new QHBoxLayout(group);
    row->addWidget(labelFor(QStringLiteral("EDID"), modeList_, group));
    row->addWidget(modeList_, 1);
    row->addWidget(labelFor(QStringLiteral("to"), setTargetList_, group));
    row->addWidget(setTargetList_);
    row->addWidget(setButton_);
    return group;
}

QGroupBox* EdidPageWidget::buildCopyGroup() {
    auto* group = new QGroupBox(QStringLiteral("Copy EDID From"), this);
    group->setAccessibleName(QStringLiteral("Copy EDID From"));
    copySourceList_ = listOf(edid::CopySourceEntries, QStringLiteral("Copy EDID from"), group);
    copyTargetList_ = listOf(edid::TargetEntries, QStringLiteral("Copy EDID to"), group);
    copyButton_ = new QPushButton(QStringLiteral("Set"), group);
    copyButton_->setAccessibleName(QStringLiteral("Copy EDID"));
    connect(copySourceList_, &QComboBox::activated, this,
            [this](int i) { page_->selectCopySource(i); });
    connect(copyTargetList_, &QComboBox::activated, this,
            [this](int i) { page_->selectCopyTarget(i); });
    connect(copyButton_, &QPushButton::clicked, this, [this] { page_->clickCopy(); });
    auto* row = new QHBoxLayout(group);
    row->addWidget(labelFor(QStringLiteral("From"), copySourceList_, group));
    row->addWidget(copySourceList_, 1);
    row->addWidget(labelFor(QStringLiteral("to"), copyTargetList_, group));
    row->addWidget(copyTargetList_);
    row->addWidget(copyButton_);
    return group;
}

QGroupBox* EdidPageWidget::buildFileGroup() {
    auto* group = new QGroupBox(QStringLiteral("Open EDID "), this);
    group->setAccessibleName(QStringLiteral("Open EDID"));
    fileField_ = new QLineEdit(group);
    fileField_->setReadOnly(true);
    fileField_->setAccessibleName(QStringLiteral("EDID file"));
    openButton_ = new ImageButton(group);
    const DialogUnits units(font());
    const QSize iconSize = units.size(10, 9);
    openButton_->setIcons(iconPixmap(IconId::Open, iconSize, devicePixelRatioF()));
    openButton_->setTooltipText(QStringLiteral("Open EDID file"));
    openButton_->setAccessibleName(QStringLiteral("Open EDID file"));
    openButton_->setFixedSize(units.size(16, 13));
    downloadTargetList_ = listOf(edid::TargetEntries, QStringLiteral("Download EDID to"), group);
    downloadButton_ = new QPushButton(QStringLiteral("Set"), group);
    downloadButton_->setAccessibleName(QStringLiteral("Download EDID file"));
    connect(openButton_, &ImageButton::clicked, this, [this] { openFile(); });
    connect(downloadTargetList_, &QComboBox::activated, this,
            [this](int i) { page_->selectDownloadTarget(i); });
    connect(downloadButton_, &QPushButton::clicked, this, [this] { page_->clickDownload(); });
    summary_ = new QPlainTextEdit(group);
    summary_->setReadOnly(true);
    summary_->setAccessibleName(QStringLiteral("EDID file summary"));
    summary_->setPlaceholderText(QStringLiteral("Open an EDID file to see what it holds."));
    summary_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    summary_->setFixedHeight(units.y(44));
    auto* grid = new QGridLayout(group);
    grid->addWidget(labelFor(QStringLiteral("File"), fileField_, group), 0, 0);
    grid->addWidget(fileField_, 0, 1);
    grid->addWidget(openButton_, 0, 2);
    grid->addWidget(labelFor(QStringLiteral("to"), downloadTargetList_, group), 0, 3);
    grid->addWidget(downloadTargetList_, 0, 4);
    grid->addWidget(downloadButton_, 0, 5);
    grid->addWidget(summary_, 1, 1, 1, 5);
    grid->setColumnStretch(1, 1);
    return group;
}

QGroupBox* EdidPageWidget::buildListGroup() {
    auto* group = new QGroupBox(QStringLiteral("Input EDID List"), this);
    group->setAccessibleName(QStringLiteral("Input EDID List"));
    auto* grid = new QGridLayout(group);
    for (int input = 1; input <= 8; ++input) {
        const int row = (input - 1) % 4;
        const int column = (input - 1) / 4 * 2;
        auto* label = new QLabel(QStringLiteral("IN%1:").arg(input), group);
        auto* name = new QLabel(group);
        name->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setBuddy(name);
        grid->addWidget(label, row, column);
        grid->addWidget(name, row, column + 1);
        names_.at(input - 1) = name;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    statusButton_ = new QPushButton(QStringLiteral("Status"), group);
    statusButton_->setAccessibleName(QStringLiteral("Status"));
    connect(statusButton_, &QPushButton::clicked, this, [this] { page_->clickStatus(); });
    grid->addWidget(statusButton_, 3, 4, Qt::AlignRight);
    grid->setVerticalSpacing(0);
    return group;
}

void EdidPageWidget::buildLogs() {
    logs_ = std::make_unique<TrafficLogBoxes>(this);
}

void EdidPageWidget::openFile() {
    if (!chooser_)
        return;
    // A cancel never calls back: nothing changes.
    chooser_(this, [this](const QString& path) { page_->openFile(path.toStdString()); });
}

void EdidPageWidget::render() {
    const auto syncList = [](QComboBox* list, int index) {
        if (list->currentIndex() != index) {
            const QSignalBlocker block(list);
            list->setCurrentIndex(index);
        }
    };
    syncList(modeList_, page_->setMode());
    syncList(setTargetList_, page_->setTarget());
    syncList(copySourceList_, page_->copySource());
    syncList(copyTargetList_, page_->copyTarget());
    syncList(downloadTargetList_, page_->downloadTarget());
    renderNames();
    for (int input = 1; input <= 8; ++input)
        showValue(names_.at(input - 1), QStringLiteral("IN%1 EDID").arg(input),
                  QString::fromStdString(page_->inputName(input)));
    const QString path = QString::fromStdString(page_->filePath());
    if (fileField_->text() != path)
        fileField_->setText(path);
    QStringList lines;
    for (const std::string& line : page_->summaryShown())
        lines << QString::fromStdString(line);
    const QString summary = lines.join(QLatin1Char('\n'));
    if (summary_->toPlainText() != summary)
        summary_->setPlainText(summary);
    logs_->sync(page_->link());
}

void EdidPageWidget::renderNames() {
    const site::MatrixNames& names = knownNames_.follow(context_.state);
    const auto entry = [](const char* base, const std::string& name) {
        return name.empty()
                   ? QString::fromLatin1(base)
                   : QString::fromLatin1(base) + QLatin1Char(' ') + QString::fromStdString(name);
    };
    const auto setEntry = [](QComboBox* list, int index, const QString& text) {
        if (list->itemText(index) != text)
            list->setItemText(index, text);
    };
    for (int n = 1; n <= 8; ++n) {
        const QString target = entry(edid::TargetEntries.at(static_cast<std::size_t>(n - 1)),
                                     names.name(site::Side::Input, n));
        for (QComboBox* list : {setTargetList_, copyTargetList_, downloadTargetList_})
            setEntry(list, n - 1, target);
        setEntry(copySourceList_, n - 1,
                 entry(edid::CopySourceEntries.at(static_cast<std::size_t>(n - 1)),
                       names.name(site::Side::Output, n)));
    }
}

} // namespace quorvane
