// A control request's body: one JSON object whose keys are all known to the endpoint. A rig that
// misspells a key learns it at once instead of seeing its change silently ignored.
#pragma once

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <string_view>

#include "platform/result.h"

namespace corvane::remote {

// The object, or a failure whose `why` says what is wrong (the parser's reason, the unknown key).
Result<nlohmann::json> readObject(std::string_view body,
                                  std::initializer_list<std::string_view> known);

// Fails naming the first key of `object` (an object) that is not among `known`.
Result<void> knownKeysOnly(const nlohmann::json& object,
                           std::initializer_list<std::string_view> known);

// The value of `key` as a string, a boolean or a whole number in [low, high]; a failure names the
// key and the type it needs.
Result<std::string> textField(const nlohmann::json& object, std::string_view key);
Result<bool> flagField(const nlohmann::json& object, std::string_view key);
Result<int> wholeField(const nlohmann::json& object, std::string_view key, int low, int high);

}  // namespace corvane::remote
