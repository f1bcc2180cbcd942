// Fuzzes the SIA-DCS framing. Byte 0 picks where the rest is split in two; both halves fed in
// turn must give the messages the whole gives, no byte other than a skipped LF, NUL or blank may
// be lost, and what finish() hands back is what was still open.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "link/frame_reader.h"
#include "platform/quillet.h"

namespace {

std::size_t kept(std::string_view bytes) {
    std::size_t count = 0;
    for (const char c : bytes) {
        count += c != '\0' && c != ' ' && c != '\t' && c != '\n';
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        quillet_setFileEnabled(false);
        return true;
    }();
    (void)quiet;
    if (size < 1) {
        return 0;
    }
    const std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = stream.empty() ? 0 : data[0] % (stream.size() + 1);
    using corvane::FrameReader;
    FrameReader whole(FrameReader::Framing::SiaDcs, 4096);
    FrameReader split(FrameReader::Framing::SiaDcs, 4096);
    std::vector<std::string> one;
    std::vector<std::string> two;
    const bool wholeFits = whole.feed(stream, one);
    const bool splitFits = split.feed(std::string_view(stream).substr(0, cut), two) &&
                           split.feed(std::string_view(stream).substr(cut), two);
    FUZZ_CHECK(wholeFits == splitFits);
    if (!wholeFits) {
        return 0;
    }
    FUZZ_CHECK(one == two);
    FUZZ_CHECK(whole.pending() == split.pending());
    std::size_t out = 0;
    std::size_t keptOut = 0;
    for (const std::string& message : one) {
        FUZZ_CHECK(!message.empty());
        out += message.size();
        keptOut += kept(message);
    }
    FUZZ_CHECK(out + whole.pending() <= stream.size());
    FUZZ_CHECK(kept(stream) <= keptOut + whole.pending());
    const std::size_t pending = whole.pending();
    const corvane::FrameReader::Unfinished left = whole.finish();
    FUZZ_CHECK(left.size <= pending && whole.pending() == 0);
    FUZZ_CHECK(left.head.size() == std::min(left.size, FrameReader::kUnfinishedHead));
    return 0;
}
