// What the core asks of the main window. The Qt dialog implements it; tests implement it with a
// recorder; a headless station uses NullWindow.
//
// Threads: setControlText, enableControl and refreshLogView may be called from any thread and must
// never wait for the UI thread (the UI thread may be joining the caller). showMessageBox and
// saveTransfer are called on the UI thread only.
#pragma once

#include <string>

namespace corvane {

// Control identifiers of the main window.
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
};

class Window {
  public:
    virtual ~Window() = default;

    // Any thread, never waits for the UI thread.
    virtual void setControlText(int controlId, const std::string& text) = 0;
    virtual void enableControl(int controlId, bool enabled) = 0;
    // The log box should show Station::logViewText(). Refreshes that arrive faster than the
    // window paints may be coalesced: the box must end up showing the latest view text.
    virtual void refreshLogView() = 0;
    // Asks the UI thread to call Station::checkClientLink() soon (the client msg thread ended).
    virtual void requestLinkCheck() {}

    // UI thread only.
    virtual void showMessageBox(const std::string& text) = 0;
    // Copies the controls into the station; false when a field was refused (already reported to
    // the operator).
    virtual bool saveTransfer() = 0;
};

// A window that shows nothing and accepts every save transfer.
class NullWindow final : public Window {
  public:
    void setControlText(int, const std::string&) override {}
    void enableControl(int, bool) override {}
    void refreshLogView() override {}
    void showMessageBox(const std::string&) override {}
    bool saveTransfer() override { return true; }
};

}  // namespace corvane
