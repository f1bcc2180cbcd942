#include "record/record_import.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "record/record_columns.h"
#include "record/record_text.h"

namespace corvane {

namespace {

constexpr const char* kClearText = "clear_text";

struct Columns {
    std::size_t count, connection, receivedUs, rawHex, kind, protocol;
    std::optional<std::size_t> clearText;  // the first exports had none
};

// Where the fields stand, told by the header line: this version's columns, those of the exports
// before planned_word and unsent_reason, or those of the first exports (without clear_text
// either). nullopt for any other header.
std::optional<Columns> columnsOf(const std::vector<std::string>& header) {
    std::vector<std::string> before = kRecordColumns;
    before.erase(std::find(before.begin(), before.end(), "planned_word"), before.end());
    std::vector<std::string> first = before;
    first.erase(std::find(first.begin(), first.end(), kClearText));
    if (header != kRecordColumns && header != before && header != first) {
        return std::nullopt;
    }
    auto at = [&header](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    Columns columns{header.size(), at("connection"), at("received_us"), at("raw_hex"),
                    at("kind"),    at("protocol"),   std::nullopt};
    if (at(kClearText) < header.size()) {
        columns.clearText = at(kClearText);
    }
    return columns;
}

// A CSV text field without the "'" the export put before a leading = + - @ or "'".
std::string_view withoutFormulaGuard(std::string_view field) {
    return !field.empty() && field.front() == '\'' ? field.substr(1) : field;
}

Unexpected<Failure> failure(const std::string& name, std::size_t line, const std::string& reason) {
    return fail("read", name, name + ":" + std::to_string(line) + ": " + reason);
}

std::optional<std::int64_t> number(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::size_t used = 0;
    try {
        const long long value = std::stoll(text, &used);
        return used == text.size() ? std::optional<std::int64_t>(value) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Splits one RFC 4180 record starting at `pos`; false when the text ends inside it (a cut file).
bool csvRecord(const std::string& text, std::size_t& pos, std::vector<std::string>& fields,
               std::size_t& lines) {
    fields.assign(1, std::string());
    bool quoted = false;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (quoted) {
            if (c == '"') {
                if (pos < text.size() && text[pos] == '"') {
                    fields.back().push_back('"');
                    ++pos;
                } else {
                    quoted = false;
                }
            } else {
                lines += c == '\n' ? 1 : 0;
                fields.back().push_back(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\r' && pos < text.size() && text[pos] == '\n') {
            ++pos;
            ++lines;
            return true;
        } else {
            fields.back().push_back(c);
        }
    }
    return false;
}

Result<std::vector<ImportedMessage>> importCsv(const std::string& text, const std::string& name) {
    std::vector<ImportedMessage> result;
    std::size_t pos = 0;
    std::size_t line = 1;
    std::vector<std::string> fields;
    std::size_t lines = 0;
    const bool headed = csvRecord(text, pos, fields, lines);
    const std::optional<Columns> columns = headed ? columnsOf(fields) : std::nullopt;
    if (!columns) {
        return failure(name, 1, "not a Corvane records export (header line differs)");
    }
    const Columns& col = *columns;
    line += lines;
    while (pos < text.size()) {
        const std::size_t start = line;
        lines = 0;
        if (!csvRecord(text, pos, fields, lines)) {
            return failure(name, start, "the file is cut short inside this record");
        }
        line += lines;
        if (fields.size() != col.count) {
            return failure(name, start,
                           "expected " + std::to_string(col.count) + " fields, found " +
                               std::to_string(fields.size()));
        }
        const auto raw = bytesFromHex(fields[col.rawHex]);
        const auto connection = number(fields[col.connection]);
        const auto received = number(fields[col.receivedUs]);
        const auto clear = col.clearText
                               ? bytesFromEscaped(withoutFormulaGuard(fields[*col.clearText]))
                               : std::optional<std::string>("");
        if (!raw || raw->empty() || !connection || !received) {
            return failure(name, start, "unreadable connection, time or raw_hex field");
        }
        if (!clear) {
            return failure(name, start, "clear_text is not escaped text");
        }
        result.push_back({static_cast<std::uint64_t>(*connection), *received, std::move(*raw),
                          fields[col.kind], fields[col.protocol], std::move(*clear)});
    }
    return result;
}

Result<std::vector<ImportedMessage>> importJsonLines(const std::string& text,
                                                     const std::string& name) {
    std::vector<ImportedMessage> result;
    std::size_t pos = 0;
    for (std::size_t line = 1; pos < text.size(); ++line) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            return failure(name, line, "the file is cut short in this line");
        }
        const std::string_view content(text.data() + pos, end - pos);
        pos = end + 1;
        try {
            const nlohmann::json j = nlohmann::json::parse(content);
            const auto raw = bytesFromHex(j.at("raw_hex").get<std::string>());
            if (!raw || raw->empty()) {
                return failure(name, line, "raw_hex is not hexadecimal bytes");
            }
            auto clear = bytesFromEscaped(j.value(kClearText, std::string()));
            if (!clear) {
                return failure(name, line, "clear_text is not escaped text");
            }
            result.push_back({j.at("connection").get<std::uint64_t>(),
                              j.at("received_us").get<std::int64_t>(), std::move(*raw),
                              j.value("kind", std::string()), j.value("protocol", std::string()),
                              std::move(*clear)});
        } catch (const nlohmann::json::exception& e) {
            return failure(name, line, std::string("not a record line: ") + e.what());
        }
    }
    return result;
}

}  // namespace

Result<std::vector<ImportedMessage>> importRecordsText(const std::string& text,
                                                       const std::string& name) {
    if (text.rfind("sequence,", 0) == 0) {
        return importCsv(text, name);
    }
    if (!text.empty() && text[0] == '{') {
        return importJsonLines(text, name);
    }
    return failure(name, 1, "not a Corvane records export (CSV or JSON Lines)");
}

Result<std::vector<ImportedMessage>> importRecords(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return fail("read", path, path + ": cannot be read");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return importRecordsText(text.str(), path);
}

}  // namespace corvane
