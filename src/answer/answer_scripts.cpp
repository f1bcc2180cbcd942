#include "answer/answer_scripts.h"

#include <algorithm>
#include <utility>

namespace corvane::answer {

Result<void> AnswerScripts::apply(const std::string& mainText, const std::string& heartbeatText,
                                  bool siaDcs) {
    Result<Script> main = parseScript(mainText, siaDcs);
    if (!main) {
        return fail("apply", "scripts", "Main script, " + main.error().why);
    }
    auto set = std::make_shared<ScriptSet>();
    set->main = std::move(*main);
    set->mainText = mainText;
    if (heartbeatText.find_first_not_of(" \t\r\n") != std::string::npos) {
        Result<Script> beat = parseScript(heartbeatText, siaDcs);
        if (!beat) {
            return fail("apply", "scripts", "Heartbeat script, " + beat.error().why);
        }
        set->heartbeat = std::move(*beat);
        set->heartbeatText = heartbeatText;
    }
    std::lock_guard lock(m_scriptMutex);
    set->generation = ++m_generation;
    m_current = std::move(set);
    return {};
}

std::shared_ptr<const ScriptSet> AnswerScripts::current() const {
    std::lock_guard lock(m_scriptMutex);
    return m_current;
}

void AnswerScripts::noteStep(std::uint64_t connection, const std::string& peer, std::string step) {
    std::lock_guard lock(m_stepsMutex);
    auto found = std::find_if(m_steps.begin(), m_steps.end(),
                              [&](const ReceiverStep& s) { return s.connection == connection; });
    if (found == m_steps.end()) {
        m_steps.push_back(ReceiverStep{connection, peer, std::move(step)});
    } else {
        found->step = std::move(step);
    }
}

void AnswerScripts::forget(std::uint64_t connection) {
    std::lock_guard lock(m_stepsMutex);
    std::erase_if(m_steps, [&](const ReceiverStep& s) { return s.connection == connection; });
}

void AnswerScripts::forgetAll() {
    std::lock_guard lock(m_stepsMutex);
    m_steps.clear();
}

std::vector<ReceiverStep> AnswerScripts::snapshot() const {
    std::lock_guard lock(m_stepsMutex);
    return m_steps;
}

}  // namespace corvane::answer
