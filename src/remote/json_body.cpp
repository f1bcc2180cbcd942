#include "remote/json_body.h"

#include <algorithm>
#include <string>

namespace corvane::remote {

namespace {

Unexpected<Failure> refuse(std::string why) {
    return fail("", "", std::move(why));
}

}  // namespace

Result<nlohmann::json> readObject(std::string_view body,
                                  std::initializer_list<std::string_view> known) {
    nlohmann::json object;
    try {
        object = nlohmann::json::parse(body.empty() ? std::string_view("{}") : body);
    } catch (const nlohmann::json::parse_error& e) {
        return refuse(std::string("the body is not JSON: ") + e.what());
    }
    if (!object.is_object()) {
        return refuse("the body must be a JSON object");
    }
    if (Result<void> keys = knownKeysOnly(object, known); !keys) {
        return Unexpected<Failure>(keys.error());
    }
    return object;
}

Result<void> knownKeysOnly(const nlohmann::json& object,
                           std::initializer_list<std::string_view> known) {
    for (const auto& item : object.items()) {
        if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
            return refuse("unknown field \"" + item.key() + "\"");
        }
    }
    return {};
}

Result<std::string> textField(const nlohmann::json& object, std::string_view key) {
    const nlohmann::json& value = object.at(std::string(key));
    if (!value.is_string()) {
        return refuse("\"" + std::string(key) + "\" must be a string");
    }
    return value.get<std::string>();
}

Result<bool> flagField(const nlohmann::json& object, std::string_view key) {
    const nlohmann::json& value = object.at(std::string(key));
    if (!value.is_boolean()) {
        return refuse("\"" + std::string(key) + "\" must be true or false");
    }
    return value.get<bool>();
}

Result<int> wholeField(const nlohmann::json& object, std::string_view key, int low, int high) {
    const nlohmann::json& value = object.at(std::string(key));
    if (!value.is_number_integer() || value.get<std::int64_t>() < low ||
        value.get<std::int64_t>() > high) {
        return refuse("\"" + std::string(key) + "\" must be a whole number from " +
                      std::to_string(low) + " to " + std::to_string(high));
    }
    return value.get<int>();
}

}  // namespace corvane::remote
