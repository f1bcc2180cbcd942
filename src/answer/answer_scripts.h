// The station's handle on answer scripts: the scripts the operator applied, the "Answer by
// script" switch, and the step each receiver connection is at, for the window to show.
//
// Sharing: the switch and the generation are atomics; the scripts and the live steps are each
// guarded by their own lock, held only to copy. Receiving threads never wait for the UI.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "answer/answer_script.h"

namespace corvane::answer {

// The scripts in force: the main one, and the one for heartbeats and link tests (empty: they
// follow the main one).
struct ScriptSet {
    Script main;
    std::optional<Script> heartbeat;
    std::string mainText;
    std::string heartbeatText;
    std::uint64_t generation = 0;  // changes with every apply; cursors start again on a change
};

// What the window shows for one receiver connection.
struct ReceiverStep {
    std::uint64_t connection = 0;
    std::string peer;
    std::string step;  // "step 3 of 4: NACK", or "" before its first message
};

class AnswerScripts {
  public:
    // Parses both texts; on success they replace the scripts in force, else nothing changes and
    // the failure's `why` names the field ("Heartbeat script, position 5: ...").
    Result<void> apply(const std::string& mainText, const std::string& heartbeatText, bool siaDcs);
    std::shared_ptr<const ScriptSet> current() const;  // null before the first apply

    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled.load(); }

    // Live steps, written by the receiving threads.
    void noteStep(std::uint64_t connection, const std::string& peer, std::string step);
    void forget(std::uint64_t connection);
    void forgetAll();
    std::vector<ReceiverStep> snapshot() const;

  private:
    std::atomic<bool> m_enabled{false};
    mutable std::mutex m_scriptMutex;  // guards m_current
    std::shared_ptr<const ScriptSet> m_current;
    std::uint64_t m_generation = 0;   // guarded by m_scriptMutex
    mutable std::mutex m_stepsMutex;  // guards m_steps
    std::vector<ReceiverStep> m_steps;
};

}  // namespace corvane::answer
