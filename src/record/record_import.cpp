#include "record/record_import.h"

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "record/record_columns.h"
#include "record/record_text.h"

namespace corvane {

namespace {

struct Columns {
    std::size_t connection, receivedUs, rawHex, kind, protocol;
};

Columns columnsOf() {
    auto at = [](const char* name) {
        for (std::size_t i = 0; i < kRecordColumns.size(); ++i) {
            if (kRecordColumns[i] == name) {
                return i;
            }
        }
        return std::size_t{0};
    };
    return {at("connection"), at("received_us"), at("raw_hex"), at("kind"), at("protocol")};
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
    const Columns col = columnsOf();
    std::size_t pos = 0;
    std::size_t line = 1;
    std::vector<std::string> fields;
    std::size_t lines = 0;
    if (!csvRecord(text, pos, fields, lines) || fields != kRecordColumns) {
        return failure(name, 1, "not a Corvane records export (header line differs)");
    }
    line += lines;
    while (pos < text.size()) {
        const std::size_t start = line;
        lines = 0;
        if (!csvRecord(text, pos, fields, lines)) {
            return failure(name, start, "the file is cut short inside this record");
        }
        line += lines;
        if (fields.size() != kRecordColumns.size()) {
            return failure(name, start,
                           "expected " + std::to_string(kRecordColumns.size()) + " fields, found " +
                               std::to_string(fields.size()));
        }
        const auto raw = bytesFromHex(fields[col.rawHex]);
        const auto connection = number(fields[col.connection]);
        const auto received = number(fields[col.receivedUs]);
        if (!raw || raw->empty() || !connection || !received) {
            return failure(name, start, "unreadable connection, time or raw_hex field");
        }
        result.push_back({static_cast<std::uint64_t>(*connection), *received, std::move(*raw),
                          fields[col.kind], fields[col.protocol]});
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
            result.push_back({j.at("connection").get<std::uint64_t>(),
                              j.at("received_us").get<std::int64_t>(), std::move(*raw),
                              j.value("kind", std::string()), j.value("protocol", std::string())});
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
