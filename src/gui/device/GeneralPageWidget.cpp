#include "gui/device/GeneralPageWidget.h"

#include "gui/app/Remembered.h"
#include "serialports/PortNames.h"

#include <QCompleter>
#include <QFileSystemWatcher>
#include <QStringListModel>

#include "gui/device/DeviceInfoPanel.h"
#include "gui/device/LinkIndicator.h"
#include "gui/device/NetworkConfigWindows.h"
#include "gui/site/ConfigurationPanel.h"
#include "platform/app/QtTimers.h"
#include "platform/link/QtUdpLink.h"
#include "platform/link/SerialPort.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorvane {

namespace {
void setItems(QComboBox* box, const std::vector<std::string>& items) {
    QStringList wanted;
    for (const auto& item : items)
        wanted << QString::fromStdString(item);
    QStringList current;
    for (int i = 0; i < box->count(); ++i)
        current << box->itemText(i);
    if (current == wanted)
        return; // leave an open drop-down alone when nothing changed
    box->clear();
    box->addItems(wanted);
}
} // namespace

GeneralPageWidget::GeneralPageWidget(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), serial_(std::make_unique<SerialPort>()),
      probe_(std::make_unique<SystemPortProbe>()) {
    setObjectName(QStringLiteral("GeneralPage"));
    setAccessibleName(QStringLiteral("General"));
    buildControls();

    // The page's parts, built by the page set on this page's seams: its serial port, its timers,
    // the port probe, this widget as the connection view, and one UDP socket object for "Search"
    // and "Config...".
    timers_ = new QtTimers(this);
    udp_ = new QtUdpLink(this);
    configTimers_ = new QtTimers(this);
    QWidget* owner = context_.mainWindow ? context_.mainWindow : this;
    configWindows_ = std::make_unique<NetworkConfigWindows>(owner);
    parts_ = context_.pages.general(GeneralSeams{*serial_, *timers_, *probe_,
                                                 static_cast<ConnectionView&>(*this), udp_,
                                                 configTimers_, configWindows_.get()});
    link_ = &parts_->link();
    connection_ = &parts_->connection();
    page_ = &parts_->page();
    matrixSearch_ = parts_->search();
    configuration_ = parts_->configuration();
    configWindows_->setLogic(*configuration_);

    serial_->setByteHandler(
        [this](std::uint8_t byte, int portNumber) { link_->onSerialByte(byte, portNumber); });
    serial_->setFailureHandler([this] { context_.events.serialFailure(); });

    // The state change, not the click: a screen reader's "Toggle" checks a radio button without
    // clicking it. render() blocks these signals while it draws the mode.
    connect(comMode_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            connection_->chooseComMode();
    });
    connect(tcpMode_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            connection_->chooseTcpMode();
    });
    connect(portList_, &QComboBox::activated, this,
            [this](int index) { connection_->selectPort(index); });
    connect(comConnect_, &QPushButton::clicked, this, [this] {
        connection_->clickComConnect();
        const ConnectionScreen& screen = connection_->screen();
        if (context_.state.comLinkOpen && screen.selectedPort >= 0)
            remembered::setLastPort(QString::fromStdString(screen.ports[screen.selectedPort]));
    });
    // The box's text as it stands when "Connect" is pressed, however it got there (typed, chosen,
    // or set by assistive software).
    connect(tcpConnect_, &QPushButton::clicked, this, [this] {
        connection_->editIpText(ipBox_->currentText().toStdString());
        connection_->clickTcpConnect();
        // An address that was accepted for a connect is offered again next time.
        if (context_.state.matrixIp == ipBox_->currentText().trimmed().toStdString())
            rememberAddress(ipBox_->currentText().trimmed());
    });
    connect(ipBox_, &QComboBox::activated, this,
            [this](int index) { connection_->selectIp(index); });
    connect(ipBox_->lineEdit(), &QLineEdit::textChanged, this,
            [this](const QString& text) { connection_->editIpText(text.toStdString()); });

    deviceInfo_ = new DeviceInfoPanel(*page_, deviceArea_);
    auto* deviceColumn = new QVBoxLayout(deviceArea_);
    deviceColumn->setContentsMargins(0, 0, 0, 0);
    deviceColumn->addWidget(deviceInfo_);
    configurationPanel_ = new ConfigurationPanel(context_, *link_, deviceArea_);
    deviceColumn->addWidget(configurationPanel_);
    page_->setChangeListener([this] { deviceInfo_->render(); });

    connect(search_, &QPushButton::clicked, this, [this] { matrixSearch_->search(); });
    connect(config_, &QPushButton::clicked, this, [this] { configuration_->openDialog(); });
    // The list's own handling is the connection controls'; the MAC of the entry is the search's.
    connect(ipBox_, &QComboBox::activated, this,
            [this](int index) { matrixSearch_->selectIp(index); });

    connection_->create();
    connection_->preferPort(remembered::lastPort().toStdString());
    // The box starts empty as always; the addresses of earlier runs are offered while typing.
    rememberAddress({});

    // A USB adapter plugged in or out shows in the list at once; the 500 ms poll stays as the
    // fallback. Watching folders opens no device.
    devices_ = new QFileSystemWatcher(this);
    devices_->addPath(QStringLiteral("/dev"));
    if (const std::string folder = ports::portsFolder(); !folder.empty())
        devices_->addPath(QString::fromStdString(folder));
    connect(devices_, &QFileSystemWatcher::directoryChanged, this,
            [this] { connection_->devicesChanged(); });
}

void GeneralPageWidget::rememberAddress(const QString& address) {
    if (!address.isEmpty())
        remembered::addAddress(address);
    if (addresses_ == nullptr) {
        addresses_ = new QStringListModel(this);
        auto* completer = new QCompleter(addresses_, ipBox_);
        completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        ipBox_->lineEdit()->setCompleter(completer);
    }
    addresses_->setStringList(remembered::addresses());
}

GeneralPageWidget::~GeneralPageWidget() {
    // The configuration panel borrows the link and goes first.
    delete configurationPanel_;
    configurationPanel_ = nullptr;
    // The link forgets the socket before the ports and timers it uses go away.
    parts_.reset();
}

Timers& GeneralPageWidget::timers() {
    return *timers_;
}

void GeneralPageWidget::buildControls() {
    modeGroup_ = new QGroupBox(QStringLiteral("Control Mode Select"), this);
    comMode_ = new QRadioButton(QStringLiteral("COM Control Mode"), modeGroup_);
    tcpMode_ = new QRadioButton(QStringLiteral("TCP Control Mode"), modeGroup_);
    comMode_->setChecked(true);
    auto* modeRow = new QHBoxLayout(modeGroup_);
    modeRow->addWidget(comMode_);
    modeRow->addWidget(tcpMode_);
    modeRow->addStretch();

    comGroup_ = new QGroupBox(QStringLiteral("COM Control Mode"), this);
    portLabel_ = new QLabel(QStringLiteral("Port"), comGroup_);
    portList_ = new QComboBox(comGroup_);
    portList_->setAccessibleName(QStringLiteral("Port"));
    portList_->setMinimumContentsLength(6);
    portLabel_->setBuddy(portList_);
    comConnect_ = new QPushButton(QStringLiteral("Connect"), comGroup_);
    comConnect_->setAccessibleDescription(QStringLiteral("COM link"));
    comIndicator_ = new LinkIndicator(QStringLiteral("COM"), comGroup_);
    auto* comColumn = new QVBoxLayout(comGroup_);
    auto* comRow = new QHBoxLayout;
    comColumn->addLayout(comRow);
    comRow->addWidget(portLabel_);
    comRow->addWidget(portList_);
    comRow->addWidget(comConnect_);
    comRow->addWidget(comIndicator_);
    comRow->addStretch();
    portDescription_ = new QLabel(comGroup_);
    portDescription_->setObjectName(QStringLiteral("PortDescription"));
    portDescription_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    comColumn->addWidget(portDescription_);
    connect(portList_, &QComboBox::currentIndexChanged, this, [this] { showPortDescription(); });

    tcpGroup_ = new QGroupBox(QStringLiteral("TCP Control Mode"), this);
    ipLabel_ = new QLabel(QStringLiteral("Matrix  IP"), tcpGroup_);
    ipBox_ = new QComboBox(tcpGroup_);
    ipBox_->setEditable(true);
    ipBox_->setInsertPolicy(QComboBox::NoInsert);
    ipBox_->setMinimumContentsLength(15);
    ipBox_->setAccessibleName(QStringLiteral("Matrix IP"));
    ipBox_->lineEdit()->setAccessibleName(QStringLiteral("Matrix IP"));
    ipBox_->lineEdit()->setPlaceholderText(QStringLiteral("e.g. 127.0.0.1"));
    ipLabel_->setBuddy(ipBox_);
    search_ = new QPushButton(QStringLiteral("Search"), tcpGroup_);
    config_ = new QPushButton(QStringLiteral("Config..."), tcpGroup_);
    tcpConnect_ = new QPushButton(QStringLiteral("Connect"), tcpGroup_);
    tcpConnect_->setAccessibleDescription(QStringLiteral("TCP link"));
    tcpIndicator_ = new LinkIndicator(QStringLiteral("TCP"), tcpGroup_);
    auto* tcpGrid = new QGridLayout(tcpGroup_);
    tcpGrid->addWidget(ipLabel_, 0, 0);
    tcpGrid->addWidget(ipBox_, 0, 1, 1, 2);
    tcpGrid->addWidget(tcpConnect_, 0, 3);
    tcpGrid->addWidget(tcpIndicator_, 0, 4);
    tcpGrid->addWidget(search_, 1, 1);
    tcpGrid->addWidget(config_, 1, 2);
    tcpGrid->setColumnStretch(5, 1);

    deviceArea_ = new QWidget(this);
    deviceArea_->setObjectName(QStringLiteral("DeviceArea"));

    auto* page = new QVBoxLayout(this);
    page->addWidget(modeGroup_);
    // The two link groups side by side, leaving room below for the device information.
    auto* links = new QHBoxLayout;
    links->addWidget(comGroup_);
    links->addWidget(tcpGroup_, 1);
    page->addLayout(links);
    page->addWidget(deviceArea_, 1);
}

void GeneralPageWidget::showPortDescription() {
    const int index = portList_->currentIndex();
    const QString text =
        index >= 0 && index < portDescriptions_.size() ? portDescriptions_[index] : QString();
    const QString line = text.isEmpty() ? QString() : portList_->itemText(index) + ": " + text;
    // Set only on a change: every accessible name or description set is announced again, and
    // the list is rendered every half second.
    if (portList_->toolTip() != text) {
        portList_->setToolTip(text);
        portList_->setAccessibleDescription(text);
    }
    if (portDescription_->text() != line) {
        portDescription_->setText(line);
        portDescription_->setAccessibleName(line);
    }
}

void GeneralPageWidget::render(const ConnectionScreen& screen) {
    const bool com = screen.mode == ControlMode::Com;
    {
        const QSignalBlocker blockCom(comMode_);
        const QSignalBlocker blockTcp(tcpMode_);
        comMode_->setChecked(com);
        tcpMode_->setChecked(!com);
    }

    comGroup_->setEnabled(screen.comControlsEnabled);
    portLabel_->setEnabled(screen.comControlsEnabled);
    comConnect_->setEnabled(screen.comControlsEnabled);
    portList_->setEnabled(screen.portListEnabled);
    {
        const QSignalBlocker block(portList_);
        setItems(portList_, screen.ports);
        portList_->setCurrentIndex(screen.selectedPort);
    }
    portDescriptions_.clear();
    for (int i = 0; i < portList_->count(); ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const QString text = k < screen.portDescriptions.size()
                                 ? QString::fromStdString(screen.portDescriptions[k])
                                 : QString();
        portDescriptions_ << text;
        portList_->setItemData(i, text.isEmpty() ? QVariant() : QVariant(text), Qt::ToolTipRole);
    }
    showPortDescription();
    comConnect_->setText(QString::fromStdString(screen.comButtonText));
    comIndicator_->setUp(screen.comIndicatorUp);

    tcpGroup_->setEnabled(screen.tcpControlsEnabled);
    for (QWidget* control : {static_cast<QWidget*>(ipLabel_), static_cast<QWidget*>(ipBox_),
                             static_cast<QWidget*>(search_), static_cast<QWidget*>(config_),
                             static_cast<QWidget*>(tcpConnect_)})
        control->setEnabled(screen.tcpControlsEnabled);
    {
        const QSignalBlocker block(ipBox_);
        setItems(ipBox_, screen.ips);
        const QString text = QString::fromStdString(screen.ipText);
        if (ipBox_->currentText() != text)
            ipBox_->setEditText(text);
    }
    tcpConnect_->setText(QString::fromStdString(screen.tcpButtonText));
    tcpIndicator_->setUp(screen.tcpIndicatorUp);
}

} // namespace quorvane
