#include "pipeline/script_switch.h"

#include "answer/answer_scripts.h"
#include "pipeline/activity_log.h"

namespace corvane {

Result<void> startAnswerScripts(Station& station, const std::string& main,
                                const std::string& heartbeat) {
    answer::AnswerScripts& scripts = station.answerScripts();
    Result<void> applied = scripts.apply(main, heartbeat, station.m_protocol == Protocol::SiaDcs);
    if (!applied) {
        return applied;
    }
    scripts.setEnabled(true);
    station.activityLog().logEvent("  -  Answer script started: " + main + "\r\n");
    return {};
}

void stopAnswerScripts(Station& station) {
    answer::AnswerScripts& scripts = station.answerScripts();
    if (scripts.enabled()) {
        scripts.setEnabled(false);
        station.activityLog().logEvent("  -  Answer script stopped\r\n");
    }
}

}  // namespace corvane
