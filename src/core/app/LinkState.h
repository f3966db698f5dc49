#pragma once
// The process-wide link state through which the pages agree on how the matrix is reached.
// One instance lives for the whole run; every page holds a reference and reads and writes it
// directly, on the user-interface thread only.

#include "core/app/Texts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvane {

class TrafficSink;

// TCP port on which the matrix listens.
inline constexpr std::uint16_t MatrixTcpPort = 8000;

enum class ControlMode : int { Com = 0, Tcp = 1 };

enum class PageId : int { General = 1, Edid = 2, Matrix = 3, Firmware = 4 };

inline constexpr std::array<PageId, 4> AllPages{PageId::General, PageId::Edid, PageId::Matrix,
                                                PageId::Firmware};
// 0-based position of a page in per-page arrays.
constexpr std::size_t pageSlot(PageId page) {
    return static_cast<std::size_t>(page) - 1;
}

struct SerialSettings {
    int baudRate = 115200;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
    int commEventMask = 3;
};

struct LinkState {
    ControlMode controlMode = ControlMode::Com;
    bool comLinkOpen = false;
    bool tcpConnected = false;
    bool tcpLinkReady = false;
    std::string matrixIp;
    int comPortNumber = 0;
    SerialSettings pageSerialSettings;
    PageId currentPage = PageId::General;

    std::string messageText;
    // Which text of the table messageText is (None for a text from elsewhere).
    Text messageId = Text::None;
    bool messageShown = false;
    std::string busyText;
    bool busyShown = false;
    // Phase (1..3) of the animated busy text; one counter shared by every page's animation.
    int busyPhase = 0;

    // Where every page's link reports the frames it sends and receives (the traffic window);
    // none when null. Not owned.
    TrafficSink* traffic = nullptr;

    bool tcpMode() const { return controlMode == ControlMode::Tcp; }
    // The message a caller shows when a page finds its link down (PageSkeleton::linkReady).
    Text linkDownMessage() const { return tcpMode() ? Text::ConnectFailed : Text::OpenComFailed; }
};

} // namespace quorvane
