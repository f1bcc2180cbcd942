// The kinds of message a corvane-station run counts, by their command-line names.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {
class Station;
}

namespace corvane::cli {

enum class MessageKind {
    Cid,
    Sia,
    Heartbeat,
    Private,
    DeviceHeart,
    Unknown,
    Error,
    Undecryptable,
};

inline constexpr std::array kAllKinds = {
    MessageKind::Cid,     MessageKind::Sia,           MessageKind::Heartbeat,
    MessageKind::Private, MessageKind::DeviceHeart,   MessageKind::Unknown,
    MessageKind::Error,   MessageKind::Undecryptable,
};

// "cid", "sia", "heartbeat", "private", "device-heart", "unknown", "error", "undecryptable".
std::string_view kindName(MessageKind kind);
std::optional<MessageKind> kindNamed(std::string_view name);

// How many messages of `kind` the station has counted so far.
std::int64_t countOf(const Station& station, MessageKind kind);

}  // namespace corvane::cli
