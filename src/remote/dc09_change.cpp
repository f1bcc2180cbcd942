#include "remote/dc09_change.h"

#include "remote/json_body.h"

namespace corvane::remote {

namespace {

constexpr int kDaySeconds = 86400;

Unexpected<Failure> refuse(std::string why) {
    return fail("", "", std::move(why));
}

Result<void> readTimeWindow(const nlohmann::json& object, Dc09Config& config) {
    const nlohmann::json& window = object.at("time_window");
    if (window.is_null()) {
        config.timeWindowOn = false;
        return {};
    }
    const Result<void> keys = window.is_object() ? knownKeysOnly(window, {"past", "future"})
                                                 : refuse("the body must be a JSON object");
    if (!keys || !window.contains("past") || !window.contains("future")) {
        return refuse("\"time_window\" must be null or {\"past\": SECONDS, \"future\": SECONDS}" +
                      (keys ? std::string() : ": " + keys.error().why));
    }
    const auto past = wholeField(window, "past", 0, kDaySeconds);
    const auto future = wholeField(window, "future", 0, kDaySeconds);
    if (!past || !future) {
        return Unexpected<Failure>(past ? future.error() : past.error());
    }
    config.timeWindowOn = true;
    config.timeWindow.pastSeconds = *past;
    config.timeWindow.futureSeconds = *future;
    return {};
}

}  // namespace

Result<Dc09Config> readDc09Change(std::string_view body, const Dc09Config& now) {
    const auto object =
        readObject(body, {"time_window", "dc09_words", "undecryptable", "keys_file"});
    if (!object) {
        return Unexpected<Failure>(object.error());
    }
    Dc09Config config = now;
    if (object->contains("time_window")) {
        if (auto read = readTimeWindow(*object, config); !read) {
            return Unexpected<Failure>(read.error());
        }
    }
    if (object->contains("dc09_words")) {
        const auto words = flagField(*object, "dc09_words");
        if (!words) {
            return Unexpected<Failure>(words.error());
        }
        config.dc09Words = *words;
    }
    if (object->contains("undecryptable")) {
        const auto name = textField(*object, "undecryptable");
        const auto choice = name ? undecryptableAnswerNamed(*name) : std::nullopt;
        if (!choice) {
            return refuse("\"undecryptable\" must be \"plain\", \"duh\", \"nak\" or \"none\"");
        }
        config.undecryptable = *choice;
    }
    if (object->contains("keys_file")) {
        const auto path = textField(*object, "keys_file");
        if (!path) {
            return Unexpected<Failure>(path.error());
        }
        Result<dc09::KeyTable> keys = dc09::readKeyFile(*path);
        if (!keys) {
            return refuse("keys_file " + *path + ": " + keys.error().why);
        }
        if (keys->empty()) {
            return refuse("keys_file " + *path + ": the file holds no key");
        }
        config.keys = std::move(*keys);
    }
    return config;
}

nlohmann::ordered_json dc09Now(const Dc09Config& config) {
    nlohmann::ordered_json window = nullptr;
    if (config.timeWindowOn) {
        window = {{"past", config.timeWindow.pastSeconds},
                  {"future", config.timeWindow.futureSeconds}};
    }
    return {
        {"time_window", window},
        {"dc09_words", config.dc09Words},
        {"undecryptable", undecryptableAnswerName(config.undecryptable)},
        {"keys", config.keys.size()},
    };
}

}  // namespace corvane::remote
