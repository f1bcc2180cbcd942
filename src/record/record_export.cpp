#include "record/record_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "protocol/event_meanings.h"
#include "record/message_records.h"
#include "record/record_text.h"

namespace corvane {

namespace {

constexpr std::size_t kChunk = 4096;
constexpr std::size_t kFlushBytes = 1 << 20;

bool endsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A field as RFC 4180 wants it; a leading = + - @ (which a spreadsheet would run) gets a "'", and
// so does a leading "'" (a spreadsheet shows it then, and a reader can drop every added one).
void appendCsvField(std::string& out, std::string_view field) {
    const bool formula = !field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' ||
                                            field[0] == '@' || field[0] == '\'');
    const bool quote = formula || field.find_first_of(",\"\r\n") != std::string_view::npos;
    if (quote) {
        out.push_back('"');
    }
    if (formula) {
        out.push_back('\'');
    }
    for (const char c : field) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    if (quote) {
        out.push_back('"');
    }
}

// The text fields of a record; a record's description and meaning are escaped like the raw
// text, so every field is valid UTF-8 whatever bytes came.
std::vector<std::string> fieldsOf(const MessageRecord& r) {
    return {std::to_string(r.sequence),
            utcText(r.receivedUs),
            std::to_string(r.receivedUs),
            std::to_string(r.connection),
            r.peer,
            std::string(protocolName(r.protocol)),
            messageKindName(r.kind),
            hexOf(r.raw),
            escapedText(r.raw),
            escapedText(r.clearText),
            escapedText(r.description),
            escapedText(meaningOf(decodedOf(r))),
            hexOf(r.answerBytes),
            escapedText(r.answerBytes),
            answerOutcome(r),
            r.answerStep < 0 ? std::string() : std::to_string(r.answerStep),
            r.latencyUs < 0 ? std::string() : std::to_string(r.latencyUs),
            r.encrypted ? "true" : "false",
            answerWordName(r.answerWord),
            unsentReasonName(r.unsentReason)};
}

Unexpected<Failure> cannotWrite(const std::string& path, int error) {
    return fail("write", path, "Cannot write " + path + ": " + std::strerror(error));
}

// Writes through a temporary file, then renames it over `path`.
Result<void> writeWhole(const std::string& path,
                        const std::function<bool(const std::function<bool(std::string&)>&)>& fill) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return cannotWrite(path, errno);
    }
    int error = 0;
    auto flush = [&](std::string& buffer) {
        std::size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t n = ::write(fd, buffer.data() + done, buffer.size() - done);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                error = errno;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        buffer.clear();
        return true;
    };
    // An export is for sharing: rw-r--r-- rather than mkstemp's private 0600.
    ::fchmod(fd, 0644);
    bool ok = fill(flush);
    if (ok && ::fsync(fd) != 0) {
        error = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok) {
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            error = errno;
            ok = false;
        }
    }
    if (!ok) {
        std::remove(temporary.c_str());
        return cannotWrite(path, error);
    }
    return {};
}

using Source = std::function<std::vector<MessageRecord>(std::uint64_t chunk)>;

Result<void> exportFrom(const Source& next, const std::string& path) {
    const bool csv = endsWith(path, ".csv") || endsWith(path, ".CSV");
    return writeWhole(path, [&](const std::function<bool(std::string&)>& flush) {
        std::string buffer;
        if (csv) {
            buffer = csvHeader();
        }
        for (std::uint64_t chunk = 0;; ++chunk) {
            const std::vector<MessageRecord> part = next(chunk);
            if (part.empty()) {
                break;
            }
            for (const MessageRecord& r : part) {
                csv ? appendCsvLine(buffer, r) : appendJsonLine(buffer, r);
                if (buffer.size() >= kFlushBytes && !flush(buffer)) {
                    return false;
                }
            }
        }
        return flush(buffer);
    });
}

void appendJsonString(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (b < 0x20 || b >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(b));
            out += escape;
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

}  // namespace

std::string csvHeader() {
    std::string out;
    for (std::size_t i = 0; i < kRecordColumns.size(); ++i) {
        out += i == 0 ? "" : ",";
        out += kRecordColumns[i];
    }
    out += "\r\n";
    return out;
}

void appendCsvLine(std::string& out, const MessageRecord& record) {
    const std::vector<std::string> fields = fieldsOf(record);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out.push_back(',');
        }
        appendCsvField(out, fields[i]);
    }
    out += "\r\n";
}

void appendJsonLine(std::string& out, const MessageRecord& record) {
    // Written by hand for speed; every text field is escaped ASCII (or a peer address), so only
    // quotes, backslashes and control characters need JSON escapes. Reading uses nlohmann-json.
    const std::vector<std::string> fields = fieldsOf(record);
    out.push_back('{');
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& name = kRecordColumns[i];
        if (i > 0) {
            out.push_back(',');
        }
        out.push_back('"');
        out += name;
        out += "\":";
        const bool number = name == "sequence" || name == "received_us" || name == "connection" ||
                            name == "answer_step" || name == "latency_us";
        if (name == "encrypted") {
            out += fields[i];
        } else if (number) {
            out += fields[i].empty() ? "null" : fields[i];
        } else {
            appendJsonString(out, fields[i]);
        }
    }
    out += "}\n";
}

Result<void> exportRecords(const MessageRecords& records, const std::string& path,
                           std::uint64_t* written) {
    const MessageRecords::Span span = records.span();
    std::uint64_t from = span.first;
    std::uint64_t count = 0;
    Result<void> done = exportFrom(
        [&](std::uint64_t) {
            // Only what was held when the export began; newer records wait for the next export.
            if (from >= span.next) {
                return std::vector<MessageRecord>{};
            }
            std::vector<MessageRecord> part =
                records.copyRange(from, std::min<std::uint64_t>(kChunk, span.next - from));
            from = part.empty() ? span.next : part.back().sequence + 1;
            count += part.size();
            return part;
        },
        path);
    if (done && written != nullptr) {
        *written = count;
    }
    return done;
}

Result<void> exportRecords(const std::vector<MessageRecord>& records, const std::string& path) {
    return exportFrom(
        [&](std::uint64_t chunk) {
            const std::size_t from = static_cast<std::size_t>(chunk) * kChunk;
            if (from >= records.size()) {
                return std::vector<MessageRecord>{};
            }
            const std::size_t to = std::min(records.size(), from + kChunk);
            return std::vector<MessageRecord>(records.begin() + static_cast<std::ptrdiff_t>(from),
                                              records.begin() + static_cast<std::ptrdiff_t>(to));
        },
        path);
}

}  // namespace corvane
