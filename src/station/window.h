// What the core tells the window, and asks of it. The core reports what happens (the link's
// states, the counts, a log that changed, a start that failed); the window turns that into its
// captions, status texts and boxes. The Qt window implements it, tests with a recorder,
// corvane-station with its terminal, a headless station with NullWindow.
//
// Threads: linkChanged, refreshLogView and requestLinkCheck may come from any thread and must
// never wait for the UI thread (the UI thread may be joining the caller). The others come from
// the UI thread only.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/result.h"
#include "station/choices.h"
#include "station/counters.h"
#include "station/link_loss.h"

namespace corvane {

enum class LinkState : std::uint8_t {
    Idle,       // nothing started yet
    Starting,   // the link is up, its worker is being started
    Listening,  // server: waiting for receivers (just started, or the receiver left)
    Connected,  // the client connected, or a receiver connected to the server
    Stopped,    // stopped, for the reason in `cause`
};

enum class StopCause : std::uint8_t { None, Operator, TimeOut, LinkLost };

struct LinkReport {
    LinkMode mode = LinkMode::Client;
    LinkState state = LinkState::Idle;
    StopCause cause = StopCause::None;  // with Stopped
    bool receiverLeft = false;          // with Listening: a receiver was lost
    // With a lost client link (Stopped, LinkLost) or a receiver that left: how it was lost.
    LinkLoss loss = LinkLoss::None;
    bool operator==(const LinkReport&) const = default;
};

class Window {
  public:
    virtual ~Window() = default;

    // Any thread, never waits for the UI thread.
    virtual void linkChanged(const LinkReport& report) = 0;
    // The log box should show the activity log's view text. Refreshes that arrive faster than the
    // window paints may be coalesced: the box must end up showing the latest view text.
    virtual void refreshLogView() = 0;
    // Asks the UI thread to check the client link soon (its msg thread ended on its own).
    virtual void requestLinkCheck() {}

    // UI thread only.
    virtual void showCounts(const Counts& counts) = 0;  // each second
    // The operator's client connect is under way (true) or over (false, before its outcome is
    // reported), while the window goes on.
    virtual void connecting(bool /*underWay*/) {}
    virtual void startFailed(LinkMode mode, const Failure& why) = 0;
    // Copies the controls into the station; false when a field was refused (already reported to
    // the operator).
    virtual bool saveTransfer() = 0;
};

// A window that shows nothing and accepts every save transfer.
class NullWindow final : public Window {
  public:
    void linkChanged(const LinkReport&) override {}
    void refreshLogView() override {}
    void showCounts(const Counts&) override {}
    void startFailed(LinkMode, const Failure&) override {}
    bool saveTransfer() override { return true; }
};

// The window the core talks to: attached and detached while workers run, who then see the old or
// the new one, never a torn pointer; NullWindow while none is attached.
class WindowSlot {
  public:
    explicit WindowSlot(Window* window = nullptr) { attach(window); }
    void attach(Window* window) { m_window = window != nullptr ? window : &m_null; }
    Window& operator*() const { return *m_window.load(); }
    Window* operator->() const { return m_window.load(); }

  private:
    NullWindow m_null;
    std::atomic<Window*> m_window{&m_null};
};

}  // namespace corvane
