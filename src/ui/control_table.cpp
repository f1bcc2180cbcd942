#include "ui/control_table.h"

#include <array>

#include "ui/control_ids.h"

namespace corvane::ui {

namespace {

using K = ControlKind;

// Combo boxes are listed with the height of their closed box; their lists open below it.
constexpr std::array kControls = {
    ControlSpec{kNoId, K::Label, "Receiver IP Address", {26, 31, 66, 8}},
    ControlSpec{kReceiverIpEdit, K::Edit, "", {110, 29, 78, 14}},
    ControlSpec{kNoId, K::Label, "Number of lines to save", {210, 31, 76, 8}},
    ControlSpec{kLinesToSaveEdit, K::Edit, "", {288, 29, 68, 14}},
    ControlSpec{kNoId, K::Label, "Automation Port", {26, 51, 53, 14}},
    ControlSpec{kPortEdit, K::Edit, "", {110, 49, 78, 14}},
    ControlSpec{kNoId, K::Label, "Heartbeat Interval (s)", {212, 51, 72, 8}},
    ControlSpec{kHeartbeatIntervalEdit, K::Edit, "", {288, 49, 68, 14}},
    ControlSpec{kConnectButton, K::PushButton, "Connect", {517, 19, 57, 14}},
    ControlSpec{kLogBox, K::LogBox, "", {25, 69, 556, 157}},
    ControlSpec{kAckAllRadio, K::RadioButton, "ACK All", {36, 241, 39, 10}},
    ControlSpec{kNackAllRadio, K::RadioButton, "NACK All", {36, 255, 43, 10}},
    ControlSpec{
        kNackAllButHeartbeatsRadio, K::RadioButton, "NACK All But Heartbeats", {36, 269, 94, 10}},
    ControlSpec{kCustomToAllRadio, K::RadioButton, "Custom Response To All", {243, 241, 93, 10}},
    ControlSpec{kCustomToAllButHeartbeatsRadio,
                K::RadioButton,
                "Custom Response To All But Heartbeats",
                {243, 255, 143, 10}},
    ControlSpec{kNoId, K::GroupBox, "Automation Options", {25, 231, 520, 54}},
    ControlSpec{kNoId, K::Label, "Custom Response (ASCII in decimal)", {254, 271, 117, 8}},
    ControlSpec{kCustomResponseEdit, K::Edit, "", {374, 268, 70, 14}},
    ControlSpec{kLinkStatusEdit, K::ReadOnlyEdit, "", {25, 321, 72, 14}},
    ControlSpec{kNoId, K::GroupBox, "Automation Statistics", {25, 286, 520, 31}},
    ControlSpec{kNoId, K::Label, "CID", {34, 301, 13, 8}},
    ControlSpec{kCidCountEdit, K::ReadOnlyEdit, "", {55, 299, 61, 14}},
    ControlSpec{kNoId, K::Label, "SIA", {127, 301, 12, 8}},
    ControlSpec{kSiaCountEdit, K::ReadOnlyEdit, "", {144, 299, 61, 14}},
    ControlSpec{kNoId, K::Label, "SG Heartbeat", {215, 301, 44, 8}},
    ControlSpec{kSgHeartbeatCountEdit, K::ReadOnlyEdit, "", {262, 299, 61, 14}},
    ControlSpec{kNoId, K::Label, "SG Private", {330, 301, 34, 8}},
    ControlSpec{kSgPrivateCountEdit, K::ReadOnlyEdit, "", {367, 299, 61, 14}},
    ControlSpec{kShowLogCheck, K::CheckBox, "Show Log", {386, 51, 47, 10}},
    ControlSpec{kNoId, K::Label, "ReceiverType", {368, 31, 45, 8}},
    ControlSpec{kReceiverTypeCombo, K::ComboBox, "", {418, 30, 47, 14}},
    ControlSpec{kNoId, K::Label, "DeviceHeart", {437, 300, 40, 8}},
    ControlSpec{kDeviceHeartCountEdit, K::ReadOnlyEdit, "", {483, 298, 55, 14}},
    ControlSpec{kNoId, K::Label, "Client/Server", {25, 14, 43, 8}},
    ControlSpec{kModeCombo, K::ComboBox, "", {72, 13, 41, 14}},
    // Below the console's controls, in the tool buttons' row, right of them.
    ControlSpec{kNoId, K::Label, "Bind Address", {333, 349, 46, 8}},
    ControlSpec{kBindAddressEdit, K::Edit, "", {382, 347, 96, 14}},
};

}  // namespace

std::span<const ControlSpec> mainWindowControls() {
    return kControls;
}

}  // namespace corvane::ui
