#include "record/record_details.h"

#include "protocol/event_meanings.h"
#include "protocol/sia_data_block.h"
#include "record/record_text.h"

namespace corvane {

namespace {

constexpr std::size_t kHexBytesPerLine = 16;

void field(std::string& out, const char* name, const std::string& value) {
    out += name;
    out += ": ";
    out += value;
    out += '\n';
}

std::string hexLines(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += kHexBytesPerLine) {
        out += "  ";
        out += hexOf(std::string_view(bytes).substr(i, kHexBytesPerLine), true);
        out += '\n';
    }
    return out;
}

}  // namespace

std::string recordDetails(const MessageRecord& r, const std::string& localTime) {
    std::string out;
    field(out, "Sequence", std::to_string(r.sequence));
    field(out, "Received", localTime + " (UTC " + utcText(r.receivedUs) + ")");
    field(out, "Receiver",
          r.peer + ", connection " + std::to_string(r.connection) + ", message " +
              std::to_string(r.indexOnConnection + 1) + " on it");
    field(out, "Protocol", std::string(protocolName(r.protocol)));
    field(out, "Kind", messageKindName(r.kind));
    field(out, "Encrypted", r.encrypted ? "yes" : "no");
    field(out, "Raw bytes", std::to_string(r.raw.size()));
    out += hexLines(r.raw);
    field(out, "Raw text", escapedText(r.raw));
    if (!r.clearText.empty()) {
        field(out, "Clear text", escapedText(r.clearText));
    }
    field(out, "Description", escapedText(r.description));
    field(out, "Meaning", escapedText(meaningOf(decodedOf(r))));
    // A decrypted frame's block is read from its clear text, never from its cipher text.
    if (r.kind == MessageKind::Sia && (!r.decrypted || !r.clearText.empty())) {
        const SiaDataBlock block = readSiaDataBlock(r.raw, r.clearText);
        field(out, "Account", escapedText(block.account));
        field(out, "Event type",
              block.eventType == 'N'   ? "new"
              : block.eventType == 'O' ? "old"
                                       : "not given");
        for (const auto& [name, value] : block.modifiers) {
            const std::string_view words = siaModifierName(name);
            field(out, ("Modifier " + name).c_str(),
                  escapedText(value) + (words.empty() ? "" : " (" + std::string(words) + ")"));
        }
        if (!block.unread.empty()) {
            field(out, "Unread", escapedText(block.unread));
        }
    }
    field(out, "Answer", answerOutcomeText(r));
    if (!r.answerBytes.empty()) {
        out += hexLines(r.answerBytes);
        field(out, "Answer text", escapedText(r.answerBytes));
    }
    field(out, "Script step", r.answerStep < 0 ? "none" : std::to_string(r.answerStep + 1));
    field(out, "Latency", r.latencyUs < 0 ? "unknown" : std::to_string(r.latencyUs) + " us");
    return out;
}

}  // namespace corvane
