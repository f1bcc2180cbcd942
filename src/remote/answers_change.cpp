#include "remote/answers_change.h"

#include <span>

#include "answer/answer_scripts.h"
#include "pipeline/script_switch.h"
#include "protocol/custom_byte.h"
#include "remote/json_body.h"

namespace corvane::remote {

namespace {

Unexpected<Failure> refuse(std::string why) {
    return fail("", "", std::move(why));
}

// "a, b or c".
std::string alternatives(std::span<const std::string_view> names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += i == 0 ? "" : i + 1 == names.size() ? " or " : ", ";
        text += names[i];
    }
    return text;
}

}  // namespace

Result<AnswersChange> readAnswersChange(std::string_view body, const Station& station) {
    const auto object = readObject(body, {"policy", "custom", "script", "heartbeat_script"});
    if (!object) {
        return Unexpected<Failure>(object.error());
    }
    const bool siaDcs = station.m_protocol == Protocol::SiaDcs;
    AnswersChange change;
    if (object->contains("policy")) {
        const auto name = textField(*object, "policy");
        if (!name) {
            return Unexpected<Failure>(name.error());
        }
        const ResponseMode mode = responsePolicyNamed(*name);
        if (mode == ResponseMode::None) {
            return refuse("unknown policy \"" + *name +
                          "\": " + alternatives(responsePolicyNames()));
        }
        change.policy = mode;
    }
    for (const auto& [key, slot] :
         {std::pair{"custom", &change.custom}, std::pair{"script", &change.script},
          std::pair{"heartbeat_script", &change.heartbeatScript}}) {
        if (object->contains(key)) {
            auto text = textField(*object, key);
            if (!text) {
                return Unexpected<Failure>(text.error());
            }
            *slot = std::move(*text);
        }
    }
    if (change.custom && !siaDcs && !isCustomByte(*change.custom)) {
        return refuse("\"custom\": under Sur-Gard the custom answer is a byte value from 0 to 255");
    }
    const std::string custom = change.custom.value_or(station.customResponse());
    if (change.policy && usesCustomAnswer(*change.policy) && custom.empty()) {
        return refuse("policy " + std::string(responsePolicyName(*change.policy)) +
                      " needs a custom answer");
    }
    for (const auto& [key, text] : {std::pair{"script", &change.script},
                                    std::pair{"heartbeat_script", &change.heartbeatScript}}) {
        if (*text && !(*text)->empty()) {
            if (const auto parsed = answer::parseScript(**text, siaDcs); !parsed) {
                return refuse(std::string(key) + ": " + parsed.error().why);
            }
        }
    }
    if (change.heartbeatScript && !change.script && station.answerScripts().current() == nullptr) {
        return refuse("heartbeat_script: give the main script with it");
    }
    return change;
}

void applyAnswersChange(Station& station, const AnswersChange& change) {
    // The custom text first: a policy that switches to it answers with the new text at once.
    if (change.custom) {
        station.setCustomResponse(*change.custom);
    }
    if (change.policy) {
        station.m_responseMode = *change.policy;
    }
    if (change.script && change.script->empty()) {
        stopAnswerScripts(station);
        return;
    }
    if (change.script || change.heartbeatScript) {
        const auto now = station.answerScripts().current();
        const std::string main = change.script.value_or(now ? now->mainText : std::string());
        const std::string heartbeat =
            change.heartbeatScript.value_or(now ? now->heartbeatText : std::string());
        // Both were parsed when read: this start cannot fail.
        static_cast<void>(startAnswerScripts(station, main, heartbeat));
    }
}

nlohmann::ordered_json answersNow(const Station& station) {
    const auto scripts = station.answerScripts().current();
    const bool on = station.answerScripts().enabled() && scripts != nullptr;
    return {
        {"policy", responsePolicyName(station.m_responseMode.load())},
        {"custom", station.customResponse()},
        {"script", on ? scripts->mainText : std::string()},
        {"heartbeat_script", on ? scripts->heartbeatText : std::string()},
    };
}

}  // namespace corvane::remote
