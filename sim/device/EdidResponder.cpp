#include "sim/device/EdidResponder.h"

#include "core/link/Commands.h"

#include <algorithm>
#include <array>

namespace quorvane::sim {

namespace {

// An EDID data block as the program sends it: 00, 256 EDID bytes, 33 bytes of 00. Good when the
// base block has the EDID header and sums to 0.
bool edidBlockGood(const std::vector<std::uint8_t>& block) {
    static constexpr std::array<std::uint8_t, 8> header{0x00, 0xFF, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0xFF, 0x00};
    if (block.size() != cmd::EdidDataBlockSize)
        return false;
    if (!std::equal(header.begin(), header.end(), block.begin() + 1))
        return false;
    unsigned sum = 0;
    for (std::size_t i = 1; i <= 128; ++i)
        sum += block[i];
    return (sum & 0xFFu) == 0;
}

} // namespace

Response EdidResponder::respond(const Frame& frame) {
    const std::uint8_t a = frame[4];
    const std::uint8_t input = frame[6];
    auto setAll = [this](std::uint8_t index) { state_.inputEdid.fill(index); };
    switch (frame[3]) {
    case cmd::EdidHandshake:
        return handshake();
    case cmd::EdidSetBuiltInAll:
        if (a < 1 || a > 15)
            return {};
        setAll(static_cast<std::uint8_t>(a - 1));
        return answer({cmd::GroupEdid, cmd::EdidSetBuiltInAll});
    case cmd::EdidSetBuiltInOne:
        if (a < 1 || a > 15 || !isPort(input))
            return {};
        state_.inputEdid[input - 1] = static_cast<std::uint8_t>(a - 1);
        return answer({cmd::GroupEdid, cmd::EdidSetBuiltInOne, 0x00, 0x00, input});
    case cmd::EdidDefaultAll:
        setAll(DefaultEdidIndex);
        return answer({cmd::GroupEdid, cmd::EdidDefaultAll});
    case cmd::EdidDefaultOne:
        if (!isPort(a))
            return {};
        state_.inputEdid[a - 1] = DefaultEdidIndex;
        return answer({cmd::GroupEdid, cmd::EdidDefaultOne, 0x00, 0x00, a});
    case cmd::EdidCopyAll:
        // Answered whether or not a display is attached (the answer carries no result); only an
        // attached display's EDID can be copied.
        if (!isPort(a))
            return {};
        if (state_.outputAttached[a - 1])
            setAll(copiedEdidIndex(a));
        return answer({cmd::GroupEdid, cmd::EdidCopyAll});
    case cmd::EdidCopyOne: {
        if (!isPort(a) || !isPort(input))
            return {};
        const bool attached = state_.outputAttached[a - 1];
        if (attached)
            state_.inputEdid[input - 1] = copiedEdidIndex(a);
        return answer({cmd::GroupEdid, cmd::EdidCopyOne,
                       attached ? std::uint8_t{0x00} : cmd::NothingValue, 0x00, input});
    }
    case cmd::EdidDownloadOne:
    case cmd::EdidDownloadAll:
        return download(frame);
    default:
        return {};
    }
}

Response EdidResponder::handshake() {
    ++handshakes_;
    if (faults_.edidSwitchWrong)
        return answer({cmd::GroupEdid, cmd::EdidSwitchCheck, cmd::SwitchOn, 0x00});
    if (faults_.edidSwitchCheckAt == handshakes_)
        return answer({cmd::GroupEdid, cmd::EdidSwitchCheck, 0x00, 0x00});
    return answer({cmd::GroupEdid, cmd::EdidHandshake});
}

Response EdidResponder::download(const Frame& frame) {
    const std::uint8_t which = frame[3];
    const std::uint8_t a = frame[4];
    if (a == 0x56 && frame[7] == 0x01) {
        // The announcement: the 290-byte data block follows, raw. Taken even when no download was
        // requested, so that its bytes are not read as frames; it then fails.
        downloadCommand_ = which;
        return Response{{}, cmd::EdidDataBlockSize};
    }
    if (which == cmd::EdidDownloadOne && isPort(a))
        downloadTarget_ = a;
    else if (which == cmd::EdidDownloadAll && a == 0xFE)
        downloadTarget_ = 0;
    else
        return {};
    downloadCommand_ = which;
    // Ready to receive: byte 4 = AA, byte 7 = 00.
    return answer({cmd::GroupEdid, which, 0xAA});
}

Response EdidResponder::takeRawBlock(const std::vector<std::uint8_t>& block) {
    const bool requested = downloadTarget_ >= 0 &&
                           (downloadCommand_ == cmd::EdidDownloadAll) == (downloadTarget_ == 0);
    const bool good = requested && edidBlockGood(block) && !faults_.edidDownloadFails;
    if (good) {
        for (int input = 1; input <= PortCount; ++input) {
            if (downloadTarget_ == 0 || downloadTarget_ == input) {
                state_.inputEdid[input - 1] = UserDefinedEdidIndex;
                state_.edidDownloaded[input - 1] = true;
            }
        }
    }
    downloadTarget_ = -1;
    if (faults_.edidBlockUnanswered)
        return {};
    // Result: byte 4 = 00 done or FF failed, byte 7 = 01.
    return answer({cmd::GroupEdid, downloadCommand_, good ? std::uint8_t{0x00} : cmd::NothingValue,
                   0x00, 0x00, 0x01});
}

} // namespace quorvane::sim
