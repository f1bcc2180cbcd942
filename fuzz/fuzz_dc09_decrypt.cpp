// Fuzzes DC-09 decryption and the answer the DC-09 settings give. Byte 0 picks the settings (the
// undecryptable-frame answer, the time window, the answer words); the rest is the frame. The
// table holds an AES-128 key for any account, so cipher texts of the right shape are decrypted.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "dc09/dc09_settings.h"
#include "dc09/encrypted_frame.h"
#include "fuzz_check.h"
#include "platform/quillet.h"

namespace {

corvane::Dc09Settings& settings(std::uint8_t choice) {
    static corvane::Dc09Settings* const s = [] {
        quillet_setFileEnabled(false);
        return new corvane::Dc09Settings();
    }();
    corvane::Dc09Config config;
    config.keys.set("*", *corvane::dc09::readKey("AAAAAAAAAAAAAAAA"));
    config.undecryptable = static_cast<corvane::UndecryptableAnswer>(choice % 4);
    config.timeWindowOn = (choice & 4) != 0;
    config.dc09Words = (choice & 8) != 0;
    s->replace(std::move(config));
    return *s;
}

bool isFrame(std::string_view frame) {
    return frame.size() >= 10 && frame.front() == '\n' && frame.back() == '\r';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string frame(reinterpret_cast<const char*>(data + 1), size - 1);
    corvane::Dc09Reading reading;
    const corvane::FrameVerdict verdict =
        settings(data[0]).answer(frame, std::time(nullptr), reading);
    using Outcome = corvane::Dc09Reading::Outcome;
    if (reading.outcome == Outcome::Decrypted) {
        FUZZ_CHECK(!reading.text.empty() && reading.text.front() == '"');
        FUZZ_CHECK(reading.text.find('[') != std::string::npos);
        FUZZ_CHECK(verdict.decided ||
                   (verdict.ack && verdict.ack->encrypted && isFrame(renderReply(*verdict.ack))));
    } else {
        FUZZ_CHECK(!verdict.ack);
    }
    if (verdict.decided) {
        const std::string bytes = renderReply(*verdict.decided);
        FUZZ_CHECK(bytes.empty() || isFrame(bytes));
    }
    const auto content = corvane::dc09::readPlainContent(frame);
    if (content) {
        FUZZ_CHECK(content->data.find(']') != std::string_view::npos);
    }
    return 0;
}
