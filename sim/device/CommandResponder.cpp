#include "sim/device/CommandResponder.h"

#include "sim/device/FirmwareResponder.h"

#include "core/link/Commands.h"

#include <algorithm>
#include <array>

namespace quorvane::sim {

namespace {

std::uint8_t stateByte(bool on, std::uint8_t onValue, std::uint8_t offValue) {
    return on ? onValue : offValue;
}

} // namespace

CommandResponder::CommandResponder(DeviceState& state, const Faults& faults)
    : state_(state), edid_(state, faults), firmware_(std::make_unique<FirmwareResponder>(state)) {}

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
        return edid_.respond(frame);
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

Response CommandResponder::takeRawBlock(const std::vector<std::uint8_t>& block) {
    if (firmware_->expectsBlock())
        return firmware_->takeBlock(block);
    return edid_.takeRawBlock(block);
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
