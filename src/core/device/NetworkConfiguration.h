#pragma once
// The " TCP  Configuration" dialog ("Config...") and the "Configuring" window: a 76-byte UDP
// broadcast to port 30601 that gives the matrix found by the search (known by its MAC) an automatic
// or static address and a MAC, the wait of up to 10 s for its acceptance, and after an acceptance
// the search again (2 s, then 0.5 s, then up to 5 s) so that the list shows the new address.
//
// The fields are checked before anything is sent: IP fields take 0..255 in decimal, MAC fields
// exactly two hexadecimal digits. A static address must be a usable host address of the network
// the packet gives the matrix (mask 255.255.255.0, gateway a.b.c.1): not a.b.c.0, a.b.c.1 or
// a.b.c.255, not 0.x, 127.x or 224.0.0.0 and above. The new MAC must be one a matrix can answer
// with: not all zeros, not multicast or broadcast (first byte odd), and not starting with 61,
// which the search takes for its own request and skips. A refusal names the field.
//
// Only an acceptance that echoes bytes 0..73 of the packet just sent counts, and pieces of it are
// joined from one sender within 1 s. Port 30601 is listened on from "OK" until 5 s after the
// configuration ends (accepted, or "configure failed!"), unless the search has taken the socket.
//
// The dialog's fields show the address and the MAC of one and the same found matrix, the one the
// packet is addressed to.
//
// Runs on the user-interface thread with its own timer set; the widgets render ConfigForm and the
// Configuring window's text and forward the user's actions.

#include "core/app/Dialogs.h"
#include "core/app/PageSkeleton.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"
#include "core/device/MatrixSearch.h"
#include "core/device/NetworkPackets.h"
#include "core/link/UdpLink.h"

#include <array>
#include <string>

namespace quorvane {

// The dialog's fields.
struct ConfigForm {
    bool staticIp = false; // "Static IP" selected; "Auto IP" otherwise
    std::array<std::string, 4> ip;
    std::array<std::string, 6> mac;
};

class ConfigurationView {
public:
    virtual ~ConfigurationView() = default;
    // Shows the dialog (creating it the first time) with these fields.
    virtual void showDialog(const ConfigForm& form) = 0;
    virtual void hideDialog() = 0;
    // Shows the "Configuring" window with `text` (opening it if it is closed).
    virtual void showConfiguring(const std::string& text) = 0;
    virtual void closeConfiguring() = 0;
};

class NetworkConfiguration {
public:
    // Timers of the configuration's own set.
    static constexpr int AnimationTimer = 1;
    static constexpr int TimeOutTimer = 2;
    static constexpr int AcceptedTimer = 7;
    static constexpr int SearchingTimer = 8;
    static constexpr int SearchTimer = 9;
    static constexpr int CloseTimer = 10;
    static constexpr int PortCloseTimer = 11;
    static constexpr int MessageTimer = 55;

    static constexpr int AnimationMs = 500;
    static constexpr int TimeOutMs = 10000;
    static constexpr int AcceptedMs = 2000;
    static constexpr int SearchingMs = 500;
    static constexpr int SearchMs = 5000;
    static constexpr int FailedCloseMs = 2000;
    static constexpr int SearchFailedCloseMs = 500;
    static constexpr int MessageMs = 1500;
    static constexpr int PortCloseMs = 5000;

    NetworkConfiguration(MatrixSearch& search, UdpLink& udp, const Clock& clock, Timers& timers,
                         Dialogs& dialogs, ConfigurationView& view);
    ~NetworkConfiguration();
    NetworkConfiguration(const NetworkConfiguration&) = delete;
    NetworkConfiguration& operator=(const NetworkConfiguration&) = delete;

    // "Config...": shows the dialog with the current matrix IP and MAC in its fields.
    void openDialog();
    // "Auto IP" (false) / "Static IP" (true).
    void chooseStaticIp(bool staticIp);
    // "OK" with the fields as the user left them. Returns false (and sends nothing) when a field
    // is refused.
    bool clickOk(const ConfigForm& form);
    // "Cancel" or the close button.
    void clickCancel();

    // The search's matrix-found notification.
    void onMatrixFound();
    bool onTimer(int id);

    const ConfigForm& form() const { return form_; }
    const net::ConfigurationPacket& packet() const { return packet_; }
    bool configuringShown() const { return configuringShown_; }
    const std::string& configuringText() const { return configuringText_; }
    bool waitingForAcceptance() const { return awaiting_; }
    // Port 30601 is bound for the configuration.
    bool listening() const { return listening_; }

private:
    bool check(const ConfigForm& form, net::ConfigurationRequest& request);
    void refuse(const std::string& text);
    void onDatagram(const std::uint8_t* data, std::size_t size, const UdpPeer& from);
    void ended();
    void onAccepted();
    void showConfiguring(const std::string& text);
    void closeConfiguring();
    void onOwnTimer(int id);

    MatrixSearch& search_;
    UdpLink& udp_;
    const Clock& clock_;
    // The configuration's own timers and its message box path, both on its own set.
    TimerScope timers_;
    MessagePath message_;
    ConfigurationView& view_;

    ConfigForm form_;
    net::ConfigurationPacket packet_{};
    net::ConfigurationReplyBuffer replies_;
    bool awaiting_ = false;
    bool listening_ = false;
    bool researching_ = false;
    bool configuringShown_ = false;
    std::string configuringText_;
    int phase_ = 1;
};

} // namespace quorvane
