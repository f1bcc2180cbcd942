// Fuzzes DC-09 decryption and the answer the DC-09 settings give. Byte 0 picks the settings (the
// undecryptable-frame answer, the time window, the answer words) and, with its top bit, what the
// rest is: a received frame as it stands, or a clear text that is first encrypted under the
// table's key (AES-128 for any account) and sent in an encrypted frame for account 1234, so
// binary pads, any data block and UTF-8 extended data reach the reading of decrypted text.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "dc09/aes_cbc.h"
#include "dc09/dc09_settings.h"
#include "dc09/encrypted_frame.h"
#include "fuzz_check.h"
#include "platform/quillet.h"
#include "record/record_text.h"

namespace {

const corvane::dc09::Key& key() {
    static const corvane::dc09::Key k = *corvane::dc09::readKey("AAAAAAAAAAAAAAAA");
    return k;
}

corvane::Dc09Settings& settings(std::uint8_t choice) {
    static corvane::Dc09Settings* const s = [] {
        quillet_setFileEnabled(false);
        return new corvane::Dc09Settings();
    }();
    corvane::Dc09Config config;
    config.keys.set("*", key());
    config.undecryptable = static_cast<corvane::UndecryptableAnswer>(choice % 4);
    config.timeWindowOn = (choice & 4) != 0;
    config.dc09Words = (choice & 8) != 0;
    s->replace(std::move(config));
    return *s;
}

bool isFrame(std::string_view frame) {
    return frame.size() >= 10 && frame.front() == '\n' && frame.back() == '\r';
}

// The clear text made whole blocks (binary pad bytes 0x01 in front), encrypted, in a frame.
std::string encryptedFrame(std::string clear) {
    clear.insert(0, (16 - clear.size() % 16) % 16, '\x01');
    std::string cipher;
    if (clear.empty() || !corvane::dc09::aesCbcEncrypt(key(), clear, cipher)) {
        return {};
    }
    return "\n00000000\"*SIA-DCS\"0001R1L2#1234[" + corvane::hexOf(cipher) + "\r";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool fromClear = (data[0] & 0x80) != 0;
    const std::string frame = fromClear ? encryptedFrame(rest) : rest;
    corvane::Dc09Reading reading;
    const corvane::FrameVerdict verdict =
        settings(data[0]).answer(frame, std::time(nullptr), reading);
    using Outcome = corvane::Dc09Reading::Outcome;
    if (reading.outcome == Outcome::Decrypted) {
        FUZZ_CHECK(!reading.text.empty() && reading.text.front() == '"');
        FUZZ_CHECK(reading.text.find('[') != std::string::npos);
        FUZZ_CHECK(verdict.decided ||
                   (verdict.ack && verdict.ack->encrypted && isFrame(renderReply(*verdict.ack))));
        // Clear text: data and extended data without CR, LF or NUL, then the time stamp; when
        // it came from the fuzzer, it is the end of what was encrypted.
        const std::string_view clear = reading.clearText();
        FUZZ_CHECK(clear.size() > 20 && clear[clear.size() - 20] == '_');
        FUZZ_CHECK(clear.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
        FUZZ_CHECK(!fromClear || std::string_view(rest).ends_with(clear));
    } else {
        FUZZ_CHECK(!verdict.ack && reading.clearText().empty());
    }
    if (verdict.decided) {
        const std::string bytes = renderReply(*verdict.decided);
        FUZZ_CHECK(bytes.empty() || isFrame(bytes));
    }
    const auto content = corvane::dc09::readPlainContent(rest, "1234");
    if (content) {
        FUZZ_CHECK(content->data.find(']') != std::string_view::npos);
    }
    return 0;
}
