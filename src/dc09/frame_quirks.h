// The receiver tolerances of SIA-DCS framing, noted in the diagnostic log: lower-case hex in the
// CRC or length field, a 2-byte binary CRC, an empty "L" field, a wrong CRC or length. Such
// frames are still answered and decoded like good ones.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::dc09 {

// The quirks of one frame (LF, CRC, "0", length, body, CR), each as a short text.
std::vector<std::string> frameQuirks(std::string_view frame);
// Writes each quirk as a level-3 diagnostic line.
void noteFrameQuirks(std::string_view frame);

}  // namespace corvane::dc09
