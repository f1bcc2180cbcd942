#include "protocol/sia_data_block.h"

#include <cctype>

namespace corvane {

namespace {

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

// A modifier's value runs to the next letter, '/' or the end ("ti12:30", "da12-31-26").
std::size_t valueEnd(std::string_view s, std::size_t from) {
    while (from < s.size() && s[from] != '/' && !isLower(s[from]) && !isUpper(s[from]) &&
           s[from] != '^') {
        ++from;
    }
    return from;
}

// `full`: the modifiers and the unread characters are kept too, not only the events.
void readSegment(std::string_view segment, SiaDataBlock& block, std::string& area,
                 std::string& user, bool full) {
    std::size_t i = 0;
    while (i < segment.size()) {
        const char c = segment[i];
        if (i + 1 < segment.size() && isLower(c) && isLower(segment[i + 1])) {
            const std::size_t end = valueEnd(segment, i + 2);
            const std::string_view name = segment.substr(i, 2);
            const std::string_view value = segment.substr(i + 2, end - i - 2);
            if (name == "ri") {
                area = value;
            } else if (name == "id") {
                user = value;
            }
            if (full) {
                block.modifiers.emplace_back(name, value);
            }
            i = end;
        } else if (i + 1 < segment.size() && isUpper(c) && isUpper(segment[i + 1])) {
            SiaEvent event;
            event.code = std::string(segment.substr(i, 2));
            std::size_t end = i + 2;
            while (end < segment.size() && std::isdigit(static_cast<unsigned char>(segment[end]))) {
                ++end;
            }
            event.address = std::string(segment.substr(i + 2, end - i - 2));
            if (end < segment.size() && segment[end] == '^') {
                const std::size_t close = segment.find('^', end + 1);
                const std::size_t stop = close == std::string_view::npos ? segment.size() : close;
                event.text = std::string(segment.substr(end + 1, stop - end - 1));
                end = close == std::string_view::npos ? segment.size() : close + 1;
            }
            event.area = area;
            event.user = user;
            block.events.push_back(std::move(event));
            i = end;
        } else {
            if (full) {
                block.unread.push_back(c);
            }
            ++i;
        }
    }
}

// Reads a block's text (between its "[" and "]").
void readBlock(std::string_view data, SiaDataBlock& block, bool full) {
    if (!data.empty() && data.front() == '#') {
        const std::size_t bar = data.find('|');
        if (full) {
            block.account = std::string(
                data.substr(1, bar == std::string_view::npos ? std::string_view::npos : bar - 1));
        }
        data = bar == std::string_view::npos ? std::string_view{} : data.substr(bar + 1);
    } else if (!data.empty() && data.front() == '|') {
        data.remove_prefix(1);
    }
    // "N"/"O" (new/old event) leads the block unless it is itself the first letter of an event
    // code with no marker ("NA01"); "NBA01" reads as new event BA01.
    if (!data.empty() && (data.front() == 'N' || data.front() == 'O')) {
        const bool marker = data.size() == 1 || isLower(data[1]) || data[1] == '/' ||
                            (data.size() >= 3 && isUpper(data[1]) && isUpper(data[2]));
        if (marker) {
            block.eventType = data.front();
            data.remove_prefix(1);
        }
    }
    std::string area;
    std::string user;
    while (!data.empty()) {
        const std::size_t slash = data.find('/');
        readSegment(data.substr(0, slash), block, area, user, full);
        if (slash == std::string_view::npos) {
            break;
        }
        data.remove_prefix(slash + 1);
    }
}

}  // namespace

std::string_view siaBlockText(std::string_view message) {
    const std::size_t open = message.find('[');
    if (open == std::string_view::npos) {
        return {};
    }
    const std::size_t close = message.find(']', open + 1);
    return message.substr(
        open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
}

SiaDataBlock readSiaDataBlock(std::string_view message) {
    SiaDataBlock block;
    block.found = message.find('[') != std::string_view::npos;
    if (block.found) {
        readBlock(siaBlockText(message), block, true);
    }
    return block;
}

std::string_view siaBlockText(std::string_view raw, std::string_view clearText) {
    return clearText.empty() ? siaBlockText(raw) : clearText.substr(0, clearText.find(']'));
}

SiaDataBlock readSiaDataBlock(std::string_view raw, std::string_view clearText) {
    if (clearText.empty()) {
        return readSiaDataBlock(raw);
    }
    SiaDataBlock block;
    block.found = true;
    readBlock(siaBlockText(raw, clearText), block, true);
    // A block without its account field belongs to the account the frame names before "[".
    const std::size_t hash = raw.find('#');
    const std::size_t open = hash == std::string_view::npos ? hash : raw.find('[', hash);
    if (block.account.empty() && open != std::string_view::npos) {
        block.account = std::string(raw.substr(hash + 1, open - hash - 1));
    }
    return block;
}

std::vector<SiaEvent> readSiaEvents(std::string_view blockText) {
    SiaDataBlock block;
    readBlock(blockText, block, false);
    return std::move(block.events);
}

std::string_view siaModifierName(std::string_view modifier) {
    if (modifier == "ti") {
        return "time";
    }
    if (modifier == "da") {
        return "date";
    }
    if (modifier == "id") {
        return "user";
    }
    if (modifier == "ri") {
        return "area";
    }
    if (modifier == "pi") {
        return "peripheral";
    }
    return {};
}

}  // namespace corvane
