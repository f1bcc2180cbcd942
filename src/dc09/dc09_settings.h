// The operator's DC-09 settings (keys, the answer to frames that cannot be decrypted, the time
// stamp window, the DC-09 answer words), and the answer they give to one received frame.
// The UI thread replaces the whole set; the receiving thread reads an immutable snapshot, so a
// frame is answered under one consistent set. All settings are off by default, but for the
// answer to a frame that cannot be decrypted: DUH, so no sender takes it as delivered.
#pragma once

#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "dc09/dc09_reading.h"
#include "dc09/key_table.h"
#include "dc09/time_stamp.h"
#include "protocol/reply.h"

namespace corvane {

// How a frame that cannot be decrypted is answered.
enum class UndecryptableAnswer : int {
    Policy = 0,  // the plain ACK or NACK the policy sends to any frame
    Duh = 1,
    Nak = 2,
    None = 3,
};

// "plain", "duh", "nak", "none", as a rig names the choice (command line, control API); reading:
// nothing for any other text.
std::string_view undecryptableAnswerName(UndecryptableAnswer answer);
std::optional<UndecryptableAnswer> undecryptableAnswerNamed(std::string_view name);
// The four names in the choices' order.
std::span<const std::string_view> undecryptableAnswerNames();

struct Dc09Config {
    dc09::KeyTable keys;
    UndecryptableAnswer undecryptable = UndecryptableAnswer::Duh;
    bool timeWindowOn = false;
    dc09::TimeWindow timeWindow;
    bool dc09Words = false;  // NACK frames become NAK frames with the time stamp
};

class Dc09Settings {
  public:
    Dc09Settings();
    std::shared_ptr<const Dc09Config> current() const;
    void replace(Dc09Config config);

    // Decides the DC-09 part of the answer to `message` at UTC time `now`; fills `reading`.
    // Runs on the receiving thread: one short decryption at most.
    FrameVerdict answer(std::string_view message, std::time_t now, Dc09Reading& reading) const;

  private:
    mutable std::mutex m_mutex;  // guards the pointer, never the set it points to
    std::shared_ptr<const Dc09Config> m_config;
};

}  // namespace corvane
