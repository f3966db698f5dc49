#pragma once
// The General page: the connection controls (control mode, COM port, "Matrix  IP") and, below them,
// the area that holds the device information and the system switches. The widget only lays out and
// draws; GeneralConnection decides. Owns the page's serial port, the probe that finds the usable
// ports without opening them, its window timers, and the page's parts (GeneralParts, built by the
// page set).

#include "core/device/GeneralConnection.h"
#include "core/device/GeneralPage.h"
#include "core/device/GeneralParts.h"
#include "core/device/MatrixSearch.h"
#include "core/device/NetworkConfiguration.h"
#include "core/device/PortProbe.h"
#include "core/link/PageLink.h"
#include "core/link/TrafficUdpLink.h"
#include "gui/app/AppContext.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class QButtonGroup;
class QComboBox;
class QFileSystemWatcher;
class QStringListModel;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quorvane {

class ConfigurationPanel;
class DeviceInfoPanel;
class NetworkConfigWindows;
class QtUdpLink;
class LinkIndicator;
class QtTimers;
class SerialPort;

class GeneralPageWidget : public QWidget, private ConnectionView {
    Q_OBJECT
public:
    // `context` must outlive the page. The page's logic is created at once (it lists the ports
    // and starts polling them).
    explicit GeneralPageWidget(AppContext& context, QWidget* parent = nullptr);
    ~GeneralPageWidget() override;

    GeneralConnection& connection() { return *connection_; }
    // The page's logic beyond the connection controls; the page's PageHandle.
    GeneralPage& page() { return *page_; }
    DeviceInfoPanel* deviceInfo() const { return deviceInfo_; }
    // "Save configuration..." and "Restore configuration...".
    ConfigurationPanel* configurationPanel() const { return configurationPanel_; }
    MatrixSearch& search() { return *matrixSearch_; }
    NetworkConfiguration& configuration() { return *configuration_; }
    NetworkConfigWindows& configurationWindows() { return *configWindows_; }
    PageLink& link() { return *link_; }
    Timers& timers();
    // Room below the connection controls for the device information and the switches.
    QWidget* deviceArea() const { return deviceArea_; }

    // The controls, for tests that click them.
    QRadioButton* comModeButton() const { return comMode_; }
    QRadioButton* tcpModeButton() const { return tcpMode_; }
    QComboBox* portList() const { return portList_; }
    QLabel* portDescription() const { return portDescription_; }
    QPushButton* comConnectButton() const { return comConnect_; }
    LinkIndicator* comIndicator() const { return comIndicator_; }
    QComboBox* ipBox() const { return ipBox_; }
    QPushButton* searchButton() const { return search_; }
    QPushButton* configButton() const { return config_; }
    QPushButton* tcpConnectButton() const { return tcpConnect_; }
    LinkIndicator* tcpIndicator() const { return tcpIndicator_; }

private:
    // Adds `address` (unless empty) to the remembered addresses and offers them in the box.
    void rememberAddress(const QString& address);
    void buildControls();
    void render(const ConnectionScreen& screen) override;
    // The chosen port's description in the list's tool tip and the line under it.
    void showPortDescription();

    AppContext& context_;
    std::unique_ptr<SerialPort> serial_;
    std::unique_ptr<SystemPortProbe> probe_;
    QtTimers* timers_ = nullptr;
    std::unique_ptr<GeneralParts> parts_;
    // Parts of parts_, by name.
    PageLink* link_ = nullptr;
    GeneralConnection* connection_ = nullptr;
    GeneralPage* page_ = nullptr;
    DeviceInfoPanel* deviceInfo_ = nullptr;
    ConfigurationPanel* configurationPanel_ = nullptr;
    QtUdpLink* udp_ = nullptr;
    MatrixSearch* matrixSearch_ = nullptr;
    QtTimers* configTimers_ = nullptr;
    std::unique_ptr<NetworkConfigWindows> configWindows_;
    NetworkConfiguration* configuration_ = nullptr;

    QGroupBox* modeGroup_ = nullptr;
    QRadioButton* comMode_ = nullptr;
    QRadioButton* tcpMode_ = nullptr;
    QGroupBox* comGroup_ = nullptr;
    QLabel* portLabel_ = nullptr;
    // The line under the port list: what the chosen port is.
    QLabel* portDescription_ = nullptr;
    QStringList portDescriptions_; // what each entry of the port list is, in the list's order
    QComboBox* portList_ = nullptr;
    QPushButton* comConnect_ = nullptr;
    LinkIndicator* comIndicator_ = nullptr;
    QGroupBox* tcpGroup_ = nullptr;
    QLabel* ipLabel_ = nullptr;
    QComboBox* ipBox_ = nullptr;
    QFileSystemWatcher* devices_ = nullptr;
    QStringListModel* addresses_ = nullptr; // remembered addresses, offered as completions
    QPushButton* search_ = nullptr;
    QPushButton* config_ = nullptr;
    QPushButton* tcpConnect_ = nullptr;
    LinkIndicator* tcpIndicator_ = nullptr;
    QWidget* deviceArea_ = nullptr;
};

} // namespace quorvane
