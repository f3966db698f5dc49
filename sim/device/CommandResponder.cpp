#include "CommandResponder.h"

#include "FirmwareResponder.h"

#include "link/Commands.h"

#include <algorithm>

namespace quorvane::sim {

namespace {

bool isPort(std::uint8_t n) {
    return n >= 1 && n <= PortCount;
}

// An answer frame from its bytes 2..; the rest are 00.
Response answer(std::initializer_list<std::uint8_t> bytes) {
    return Response{{buildFrame(command(bytes))}, 0};
}

std::uint8_t stateByte(bool on, std::uint8_t onValue, std::uint8_t offValue) {
    return on ? onValue : offValue;
}

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

CommandResponder::CommandResponder(DeviceState& state)
    : state_(state), firmware_(std::make_unique<FirmwareResponder>(state)) {}

CommandResponder::~CommandResponder() = default;

Response CommandResponder::respond(const Frame& frame) {
    if (!hasFrameStart(frame) || !isIntact(frame))
        return {};
    // A rebooting matrix answers nothing.
    if (firmware_->silent())
        return {};
    if (frame[2] != cmd::GroupQuery || frame[3] != cmd::QueryDeviceType)
        firmware_->otherCommand();
    switch (frame[2]) {
    case cmd::GroupQuery:
        return query(frame);
    case cmd::GroupRouting:
        return routing(frame);
    case cmd::GroupEdid:
        return edid(frame);
    case cmd::GroupIrSwitch:
        return switchSet(frame, state_.irOn);
    case cmd::GroupBeepSwitch:
        return switchSet(frame, state_.beepOn);
    case cmd::GroupDviSwitch:
        return switchSet(frame, state_.dviOn);
    case cmd::GroupFirmware:
        return firmware_->respond(frame);
    default:
        return {};
    }
}

Response CommandResponder::query(const Frame& frame) {
    const std::uint8_t n = frame[4];
    switch (frame[3]) {
    case cmd::QueryDeviceType:
        if (firmware_->reportsReboot())
            return answer({cmd::GroupQuery, cmd::QueryDeviceType, 0x01, 0x00});
        return answer({cmd::GroupQuery, cmd::QueryDeviceType, state_.deviceType});
    case cmd::QuerySize:
        return answer({cmd::GroupQuery, cmd::QuerySize, state_.inputs, 0x00, state_.outputs});
    case cmd::QueryVersion:
        return answer(
            {cmd::GroupQuery, cmd::QueryVersion, state_.versionMajor, 0x00, state_.versionMinor});
    case cmd::QueryInputAttached:
        if (!isPort(n))
            return {};
        return answer({cmd::GroupQuery, cmd::QueryInputAttached, n, 0x00,
                       stateByte(state_.inputAttached[n - 1], StateAttached, StateOff)});
    case cmd::QueryOutputAttached:
        if (!isPort(n))
            return {};
        return answer({cmd::GroupQuery, cmd::QueryOutputAttached, n, 0x00,
                       stateByte(state_.outputAttached[n - 1], StateAttached, StateOff)});
    case cmd::QueryModelText: {
        CommandBytes bytes = command({cmd::GroupQuery, cmd::QueryModelText});
        std::string model = state_.model;
        model.resize(8, ' ');
        std::copy(model.begin(), model.end(), bytes.begin() + 2);
        return Response{{buildFrame(bytes)}, 0};
    }
    case cmd::QueryIrState:
        return answer({cmd::GroupQuery, cmd::QueryIrState, 0x00, 0x00,
                       stateByte(state_.irOn, StateOn, StateOff)});
    case cmd::QueryBeepState:
        return answer({cmd::GroupQuery, cmd::QueryBeepState, 0x00, 0x00,
                       stateByte(state_.beepOn, StateOn, StateOff)});
    case cmd::QueryInputEdid:
        if (!isPort(n))
            return {};
        return answer({cmd::GroupQuery, cmd::QueryInputEdid, n, 0x00, state_.inputEdid[n - 1]});
    case cmd::QueryDviState:
        return answer({cmd::GroupQuery, cmd::QueryDviState, 0x00, 0x00,
                       stateByte(state_.dviOn, StateOff, StateDviOff)});
    default:
        return {};
    }
}

Response CommandResponder::routing(const Frame& frame) {
    switch (frame[3]) {
    case cmd::RoutingQuery: {
        const std::uint8_t output = frame[4];
        if (!isPort(output))
            return {};
        return answer(
            {cmd::GroupRouting, cmd::RoutingQuery, output, 0x00, state_.routing[output - 1]});
    }
    case cmd::RouteInput: {
        const std::uint8_t input = frame[4];
        const std::uint8_t output = frame[6];
        if (!isPort(input) || !isPort(output))
            return {};
        state_.routing[output - 1] = input;
        return answer({cmd::GroupRouting, cmd::RouteInput, 0x00, 0x00, output});
    }
    default:
        return {};
    }
}

Response CommandResponder::edid(const Frame& frame) {
    const std::uint8_t a = frame[4];
    const std::uint8_t input = frame[6];
    auto setAll = [this](std::uint8_t index) { state_.inputEdid.fill(index); };
    switch (frame[3]) {
    case cmd::EdidHandshake:
        return answer({cmd::GroupEdid, cmd::EdidHandshake});
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
        return edidDownload(frame);
    default:
        return {};
    }
}

Response CommandResponder::edidDownload(const Frame& frame) {
    const std::uint8_t which = frame[3];
    const std::uint8_t a = frame[4];
    if (a == 0x56 && frame[7] == 0x01) {
        // The announce: the 290-byte data block follows, raw. Taken even when no download was
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

Response CommandResponder::takeRawBlock(const std::vector<std::uint8_t>& block) {
    if (firmware_->expectsBlock())
        return firmware_->takeBlock(block);
    const bool requested = downloadTarget_ >= 0 &&
                           (downloadCommand_ == cmd::EdidDownloadAll) == (downloadTarget_ == 0);
    const bool good = requested && edidBlockGood(block);
    if (good) {
        for (int input = 1; input <= PortCount; ++input) {
            if (downloadTarget_ == 0 || downloadTarget_ == input) {
                state_.inputEdid[input - 1] = UserDefinedEdidIndex;
                state_.edidDownloaded[input - 1] = true;
            }
        }
    }
    downloadTarget_ = -1;
    // Result: byte 4 = 00 done or FF failed, byte 7 = 01.
    return answer({cmd::GroupEdid, downloadCommand_, good ? std::uint8_t{0x00} : cmd::NothingValue,
                   0x00, 0x00, 0x01});
}

Response CommandResponder::switchSet(const Frame& frame, bool& setting) {
    if (frame[3] != cmd::SwitchSet)
        return {};
    const std::uint8_t value = frame[4];
    // A value other than on or off is refused: the answer's byte 6 is not 00.
    const bool valid = value == cmd::SwitchOn || value == cmd::SwitchOff;
    if (valid)
        setting = value == cmd::SwitchOn;
    return answer(
        {frame[2], cmd::SwitchSet, 0x00, 0x00, valid ? std::uint8_t{0x00} : cmd::NothingValue});
}

} // namespace quorvane::sim
