// The identities of the main window's controls.
#pragma once

namespace corvane {

enum ControlId : int {
    kReceiverIpEdit = 1000,
    kLinesToSaveEdit = 1001,
    kPortEdit = 1002,
    kConnectButton = 1003,
    kHeartbeatIntervalEdit = 1004,
    kAckAllRadio = 1006,
    kNackAllRadio = 1007,
    kNackAllButHeartbeatsRadio = 1008,
    kCustomToAllRadio = 1010,
    kCustomToAllButHeartbeatsRadio = 1011,
    kCustomResponseEdit = 1012,
    kLogBox = 1015,
    kCidCountEdit = 1017,
    kSiaCountEdit = 1018,
    kLinkStatusEdit = 1019,
    kSgHeartbeatCountEdit = 1020,
    kSgPrivateCountEdit = 1021,
    kShowLogCheck = 1024,
    kReceiverTypeCombo = 1026,
    kDeviceHeartCountEdit = 1027,
    kModeCombo = 1028,
    kBindAddressEdit = 1029,  // Server mode: the local address to listen on
};

}  // namespace corvane
